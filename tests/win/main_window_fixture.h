// A real main window per test, with stand-in archivers, a settings file of
// its own and a screen size the test chooses.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Trobixmain.h"
#include "Trobixprog.h"
#include "Trobixview.h"
#include "toolkit/application.h"
#include "win/test_support.h"
#include "win/window_support.h"

inline const char kArchive[] = "STANDIN\nentry readme.txt\ntext hello\n";

class MainWindowFixture : public ::testing::Test {
 protected:
  MainWindowFixture() : box_(new testing_support::Sandbox()) {}

  void SetUp() override {
    window_support::InitApplication();
    DeleteFileA(TMain::SettingsPath().c_str());
    toolkit::SetScreenSizeForTest(&screen);
  }

  void TearDown() override {
    Stop();
    toolkit::SetScreenSizeForTest(nullptr);
    RemoveDirectoryA(TMain::SettingsPath().c_str());
    DeleteFileA(TMain::SettingsPath().c_str());
  }

  // Only these libraries can be found from here on.
  void Libraries(std::initializer_list<const char*> names) {
    box_.reset();
    box_.reset(new testing_support::Sandbox(names));
  }

  TMain& Start(const std::string& arguments = "") {
    toolkit::App.SetCommandLine("\"C:\\Program Files\\Plenkit\\Plenkit.exe\" " + arguments);
    StartForms(false);
    window_support::Pump();
    return *Main;
  }

  void Stop() {
    if (Main) Main->Close();
    window_support::Pump();
    if (Prog) DestroyWindow(Prog->Handle());
  }

  void Settings(const std::string& text) {
    testing_support::WriteBytes(TMain::SettingsPath(), text);
  }

  std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

  // A contents window for the main list's row, as a double-click opens it,
  // listed as at its first idle moment.
  TView& OpenContents(TMain& main, int row) {
    main.LV.SetSelected(-1, false);
    main.LV.SetSelected(row, true);
    main.ListViewDblClick();
    TView& view = *View;
    RunIdle();
    return view;
  }

  // What the message loop does when its queue runs empty.
  static void RunIdle() {
    while (toolkit::App.onIdle) {
      const auto handler = toolkit::App.onIdle;
      handler();
      window_support::Pump();
    }
  }

  // A press and release of the left button on a tool button, as the mouse gives them.
  static void Click(const toolkit::SpeedButton& button) {
    PostMessageA(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    window_support::Pump();
  }

  // The command-entry calls only, without the counts and walks.
  std::vector<std::string> Commands() {
    std::vector<std::string> commands;
    for (const std::string& call : box().Calls()) {
      if (call.find("\thwnd=") != std::string::npos) commands.push_back(call);
    }
    return commands;
  }

  testing_support::Sandbox& box() { return *box_; }

  SIZE screen{1024, 768};
  std::unique_ptr<testing_support::Sandbox> box_;
};

inline std::string SizedFile(testing_support::Sandbox& box, const std::string& name,
                             LONGLONG bytes) {
  const std::string path = box.Path(name);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER size;
  size.QuadPart = bytes;
  SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
  SetEndOfFile(file);
  CloseHandle(file);
  return path;
}

// Sets a file's last-write time, given in local time.
inline void SetModified(const std::string& path, SYSTEMTIME local) {
  FILETIME localTime, utc;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &utc);
  HANDLE file =
      CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(file, nullptr, nullptr, &utc);
  CloseHandle(file);
}
