#include "win/test_support.h"

#include "text/sjis_path.h"

#include <atomic>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

namespace testing_support {

const std::initializer_list<const char*> Sandbox::AllLibraries = {
    "UnLha32.Dll", "UnZip32.Dll", "Cab32.Dll", "UnArj32j.Dll", "UnRar32.Dll", "Bga32.Dll"};

std::string ProgramFolder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.substr(0, plenkit::FindLastChar(folder, "\\") + 1);
}

std::string OutputFolder() { return ProgramFolder() + "..\\out\\"; }

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

namespace {

// The tree at `path` in the "\\?\" form, which no length limits.
void RemoveLongTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveLongTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

void RemoveTree(const std::string& path) {
  // An archiver may make paths longer than MAX_PATH below `path`.
  std::wstring wide(path.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(),
                          static_cast<int>(wide.size()))));
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  while (wide.size() > 3 && wide.back() == L'\\') wide.pop_back();
  if (wide.size() > 2 && wide[1] == L':') wide = L"\\\\?\\" + wide;
  RemoveLongTree(wide);
}

Sandbox::Sandbox(std::initializer_list<const char*> libraries, const std::string& from) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  static int serial = 0;
  for (;;) {
    folder_ = std::string(temp) + "plk" + std::to_string(GetCurrentProcessId()) + "_" +
              std::to_string(++serial);
    if (CreateDirectoryA(folder_.c_str(), nullptr)) break;
  }
  folder_ += '\\';
  for (const char* library : libraries) {
    CopyFileA((from + library).c_str(), (folder_ + library).c_str(), FALSE);
  }
  SetDllDirectoryA(folder_.c_str());
  SetEnvironmentVariableA("PLENKIT_STANDIN_LOG", (folder_ + "calls.log").c_str());
  SetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", "1");
}

Sandbox::~Sandbox() {
  SetDllDirectoryA(nullptr);
  SetEnvironmentVariableA("PLENKIT_STANDIN_LOG", nullptr);
  SetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", nullptr);
  RemoveTree(folder_.substr(0, folder_.size() - 1));
}

std::string Sandbox::Archive(const std::string& relative, const std::string& description) const {
  const std::string path = Path(relative);
  const std::size_t slash = plenkit::FindLastChar(relative, "\\");
  if (slash != std::string::npos)
    CreateDirectoryA(Path(relative.substr(0, slash)).c_str(), nullptr);
  WriteBytes(path, description);
  return path;
}

std::vector<std::string> Sandbox::Calls() const {
  std::vector<std::string> lines;
  std::istringstream log(ReadBytes(Path("calls.log")));
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

void Sandbox::ClearCalls() const { DeleteFileA(Path("calls.log").c_str()); }

namespace {

struct Collected {
  const WindowMatch& match;
  std::vector<HWND> windows;
};

BOOL CALLBACK Collect(HWND window, LPARAM data) {
  auto& collected = *reinterpret_cast<Collected*>(data);
  if (!collected.match || collected.match(window)) collected.windows.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> ThreadWindows(DWORD thread, const WindowMatch& match) {
  Collected collected{match, {}};
  EnumThreadWindows(thread, Collect, reinterpret_cast<LPARAM>(&collected));
  return collected.windows;
}

std::vector<HWND> ChildWindows(HWND parent, const WindowMatch& match) {
  Collected collected{match, {}};
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&collected));
  return collected.windows;
}

std::vector<HWND> TopLevelWindows(const WindowMatch& match) {
  Collected collected{match, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&collected));
  return collected.windows;
}

bool IsOfClass(HWND window, const char* windowClass) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpiA(name, windowClass) == 0;
}

WindowMatch VisibleOfClass(const char* windowClass) {
  return [windowClass](HWND window) {
    return IsOfClass(window, windowClass) && IsWindowVisible(window);
  };
}

std::string ChildTexts(HWND window) {
  std::string texts;
  for (HWND child : ChildWindows(window)) {
    char text[2048] = {};
    GetWindowTextA(child, text, sizeof text);
    texts += std::string(text) + "\n";
  }
  return texts;
}

namespace {
thread_local HWND answered = nullptr;
}  // namespace

HWND AnsweredDialog() { return answered; }

std::vector<std::string> DialogsDuring(const std::function<void()>& work,
                                       const std::function<int(const std::string&)>& answer) {
  std::atomic<bool> done{false};
  std::vector<std::string> dialogs;
  std::thread watcher([&, ui = GetCurrentThreadId()] {
    // Each dialog is looked at once: one left alone (a progress window) is
    // found again after every box above it, and may be going by then.
    std::set<HWND> seen;
    while (!done) {
      for (const HWND found : ThreadWindows(ui, VisibleOfClass("#32770"))) {
        if (!seen.insert(found).second) continue;
        const std::string texts = ChildTexts(found);
        // Gone while its texts were read: they are not what it showed.
        if (!IsWindowVisible(found)) continue;
        answered = found;
        const int button = answer ? answer(texts) : IDCANCEL;
        answered = nullptr;
        if (button) {
          dialogs.push_back(texts);
          PostMessageA(found, WM_COMMAND, button, 0);
        }
        break;
      }
      Sleep(10);
    }
  });
  work();
  done = true;
  watcher.join();
  return dialogs;
}

}  // namespace testing_support
