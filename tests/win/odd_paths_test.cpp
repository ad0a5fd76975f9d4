// Paths that trip up byte-wise code: the program installed in a folder
// whose name ends in a character with a "\" as its second byte, command-line
// paths at and past the buffer, network-style and relative paths.
#include <gtest/gtest.h>

#include "win/main_window_fixture.h"

using namespace window_support;
using testing_support::OutputFolder;
using testing_support::Sandbox;

TEST(OddPaths, InstalledUnderAFolderEndingInSoFindsItsFilesBesideItself) {
  InitApplication();
  Sandbox box(std::initializer_list<const char*>{});
  const std::string folder = box.Path("インストール先ソ\\");  // ends in 0x83 0x5C
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  for (const char* file : {"Plenkit.exe", "Plenkit.chm", "UnLha32.Dll"}) {
    ASSERT_TRUE(CopyFileA((OutputFolder() + file).c_str(), (folder + file).c_str(), FALSE)) << file;
  }
  const std::string archive = box.Archive("a.lzh", "STANDIN\nentry x\n");
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);  // started from elsewhere: only the exe's folder has the library

  const std::string program = folder + "Plenkit.exe";
  std::string line = "\"" + program + "\" \"" + archive + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             temp, &startup, &process));
  const HWND main = WaitForWindow("TMain", "Plenkit", process.dwProcessId, 15000);
  ASSERT_NE(main, nullptr);
  const HWND help = ToolButtonAt(main, 268);
  PostMessageA(help, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(help, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  const HWND viewer = WaitForWindow("HH Parent", "Plenkitのﾍﾙﾌﾟ", 0, 15000);
  EXPECT_NE(viewer, nullptr);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 15000), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  PumpUntil([&] { return !IsWindow(viewer); }, 10000);

  EXPECT_TRUE(testing_support::Exists(folder + "Plenkit.ini"));
  const std::vector<std::string> calls = box.Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "UnlhaGetFileCount\t" + archive), calls.end());
}

class OddArguments : public MainWindowFixture {};

TEST_F(OddArguments, LongNetworkAndRelativePaths) {
  // 259 characters name a file that can exist; 300 cannot be opened at all.
  const std::string folder = box().Folder();
  const std::string fits =
      box().Archive(std::string(259 - folder.size() - 4, 'n') + ".lzh", "STANDIN\nentry x\n");
  ASSERT_EQ(fits.size(), 259u);
  const std::string tooLong = folder + std::string(300 - folder.size() - 4, 'm') + ".lzh";
  const std::string network = "\\\\server\\share\\a.lzh";
  EXPECT_EQ(TMain::ExpandLongPath(network), network);
  TMain& main = Start(Quoted(tooLong) + " " + Quoted(fits) + " " + Quoted(network));
  ASSERT_EQ(main.LV.Count(), 1);
  EXPECT_EQ(main.Row(0).path, fits);
}
