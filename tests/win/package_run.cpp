// Runs the Plenkit.exe of an unpacked release as a user would, from a
// current folder of its own, on one archive per format, and says what it
// shows and writes (scripts/check_package.sh):
//   package_run FOLDER ARCHIVE|COUNT|REFERENCE...
// The formats panel must show "lzh zip cab arj rar bza gza", each archive's row its
// COUNT of members, and the extraction beside the archives ("元の場所に解凍"
// with every row selected) must write every file of REFERENCE, byte for
// byte, beside its archive. Prints one line per fault; exit code 1 if any.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "../../resources/main_layout.h"
#include "win/window_support.h"

namespace {

int faults = 0;
void Fault(const std::string& text) {
  std::printf("package_run: %s\n", text.c_str());
  ++faults;
}

// Messages whose answer lies in memory of the program's own.
class Remote {
 public:
  Remote(DWORD process, std::size_t size)
      : process_(
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process)),
        size_(size),
        at_(process_ ? VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE)
                     : nullptr) {}
  ~Remote() {
    if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  void* at() const { return at_; }
  void Write(const void* data, std::size_t size) {
    WriteProcessMemory(process_, at_, data, size, nullptr);
  }
  std::string Text(std::size_t offset) const {
    std::vector<char> text(size_ - offset + 1);
    ReadProcessMemory(process_, static_cast<char*>(at_) + offset, text.data(), size_ - offset,
                      nullptr);
    return text.data();
  }

 private:
  HANDLE process_;
  std::size_t size_;
  void* at_;
};

HWND ChildOfClass(HWND parent, const char* windowClass) {
  return testing_support::FirstOf(testing_support::ChildWindows(parent, [windowClass](HWND child) {
    return testing_support::IsOfClass(child, windowClass);
  }));
}

std::string ItemText(HWND list, DWORD process, int row, int column) {
  Remote remote(process, sizeof(LVITEMA) + 512);
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = static_cast<char*>(remote.at()) + sizeof item;
  item.cchTextMax = 512;
  remote.Write(&item, sizeof item);
  SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote.at()));
  return remote.Text(sizeof item);
}

std::string PanelText(HWND bar, DWORD process, int panel) {
  Remote remote(process, 512);
  SendMessageA(bar, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(remote.at()));
  return remote.Text(0);
}

void SelectAll(HWND list, DWORD process) {
  Remote remote(process, sizeof(LVITEMA));
  LVITEMA item{};
  item.stateMask = item.state = LVIS_SELECTED;
  remote.Write(&item, sizeof item);
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(remote.at()));
}

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "\x01missing";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Every file under `reference`, as a path relative to it.
void FilesUnder(const std::string& reference, const std::string& relative,
                std::vector<std::string>& files) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((reference + relative + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      FilesUnder(reference, relative + name + "\\", files);
    else files.push_back(relative + name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
}

std::string FolderOf(const std::string& path) {
  return path.substr(0, path.find_last_of('\\') + 1);
}
std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::printf("usage: package_run FOLDER ARCHIVE|COUNT|REFERENCE...\n");
    return 2;
  }
  const std::string folder = std::string(argv[1]) + "\\";
  struct Archive {
    std::string path, count, reference;
  };
  std::vector<Archive> archives;
  std::string line = "\"" + folder + "Plenkit.exe\"";
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    const std::size_t bar1 = arg.find('|'), bar2 = arg.find('|', bar1 + 1);
    archives.push_back(
        {arg.substr(0, bar1), arg.substr(bar1 + 1, bar2 - bar1 - 1), arg.substr(bar2 + 1) + "\\"});
    line += " \"" + archives.back().path + "\"";
  }

  // A current folder that is not the program's: the archivers are found
  // beside the program, not beside the user.
  char elsewhere[MAX_PATH];
  GetTempPathA(MAX_PATH, elsewhere);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, elsewhere,
                      &startup, &process)) {
    Fault("Plenkit.exe does not start");
    return 1;
  }
  const DWORD pid = process.dwProcessId;
  const HWND main = window_support::WaitForWindow("TMain", "Plenkit", pid, 20000);
  const HWND list = main ? ChildOfClass(main, WC_LISTVIEWA) : nullptr;
  const HWND bar = main ? ChildOfClass(main, STATUSCLASSNAMEA) : nullptr;
  if (!list || !bar) {
    Fault("no main window with its list and status bar");
    TerminateProcess(process.hProcess, 1);
    return 1;
  }
  window_support::PumpUntil(
      [&] {
        return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == static_cast<LRESULT>(archives.size());
      },
      20000);

  std::string formats = PanelText(bar, pid, 2);
  while (!formats.empty() && formats.back() == ' ') formats.pop_back();
  if (formats != "lzh zip cab arj rar bza gza") Fault("the formats panel shows \"" + formats + "\"");
  const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (const Archive& archive : archives) {
    std::string shown = "no row";
    for (int row = 0; row < rows; ++row) {
      if (ItemText(list, pid, row, 0) == NameOf(archive.path)) shown = ItemText(list, pid, row, 2);
    }
    if (shown != archive.count)
      Fault(NameOf(archive.path) + ": count " + shown + ", expected " + archive.count);
  }

  // Extraction beside the archives, into no folder of their names.
  const HWND here = window_support::ToolButtonAt(main, main_layout::Buttons[2].bounds.left);
  const HWND createFolder = FindWindowExA(GetParent(here), nullptr, "Button", nullptr);
  if (createFolder) SendMessageA(createFolder, BM_SETCHECK, BST_UNCHECKED, 0);
  SelectAll(list, pid);
  PostMessageA(here, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(here, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  const auto written = [&](bool report) {
    bool all = true;
    for (const Archive& archive : archives) {
      std::vector<std::string> files;
      FilesUnder(archive.reference, "", files);
      if (files.empty() && report) Fault(archive.reference + " holds no file");
      for (const std::string& file : files) {
        if (Contents(FolderOf(archive.path) + file) == Contents(archive.reference + file)) continue;
        all = false;
        if (report) Fault(NameOf(archive.path) + ": " + file + " is not as the reference");
      }
    }
    return all;
  };
  window_support::PumpUntil([&] { return written(false); }, 60000);
  written(true);

  PostMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
    Fault("Plenkit.exe does not end");
    TerminateProcess(process.hProcess, 1);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("package_run: %zu archives, %d faults\n", archives.size(), faults);
  return faults == 0 ? 0 : 1;
}
