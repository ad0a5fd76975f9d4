// Shared pieces of the Windows tests: a private folder per test with the
// stand-in archivers it asks for, their call log, small file helpers, and
// windows found and answered without the toolkit.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testing_support {

// The folder of the running test program, with a closing "\".
std::string ProgramFolder();

// The build's output folder, where the program and the stand-ins are.
std::string OutputFolder();

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);

// A fresh folder under the temporary folder, removed with everything in it
// at the end. The named stand-in libraries (file names as the program asks
// for them) are copied into it and the library search looks there; their
// calls are logged to its "calls.log".
class Sandbox {
 public:
  static const std::initializer_list<const char*> AllLibraries;

  explicit Sandbox(std::initializer_list<const char*> libraries = AllLibraries,
                   const std::string& from = OutputFolder());
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // The folder, with a closing "\".
  const std::string& Folder() const { return folder_; }
  std::string Path(const std::string& relative) const { return folder_ + relative; }

  // Writes a stand-in archive description and answers its full path.
  std::string Archive(const std::string& relative, const std::string& description) const;

  // The logged calls, one line each, and forgetting them.
  std::vector<std::string> Calls() const;
  void ClearCalls() const;

 private:
  std::string folder_;
};

void RemoveTree(const std::string& path);

// Windows for which `match` holds (every one when it is null), in the
// system's order: the top-level windows of a thread, every window below
// `parent` at any depth, every top-level window.
using WindowMatch = std::function<bool(HWND)>;
std::vector<HWND> ThreadWindows(DWORD thread, const WindowMatch& match = nullptr);
std::vector<HWND> ChildWindows(HWND parent, const WindowMatch& match = nullptr);
std::vector<HWND> TopLevelWindows(const WindowMatch& match = nullptr);
// The first of them, or null.
inline HWND FirstOf(const std::vector<HWND>& windows) {
  return windows.empty() ? nullptr : windows[0];
}

// Whether `window` is of the class `windowClass`, as Windows compares class
// names: without case.
bool IsOfClass(HWND window, const char* windowClass);
// A visible window of that class: a dialog is "#32770", a pop-up menu "#32768".
WindowMatch VisibleOfClass(const char* windowClass);

// The texts of a window's children, one a line.
std::string ChildTexts(HWND window);

// Runs `work` while another thread answers every dialog of this thread that
// opens meanwhile, with the button `answer` picks for its texts (IDCANCEL
// when none is given; 0 leaves it alone); answers the texts of each dialog
// answered.
std::vector<std::string> DialogsDuring(
    const std::function<void()>& work,
    const std::function<int(const std::string&)>& answer = nullptr);

// The dialog `answer` is being asked about, from within it: a field of it
// may be filled before the button is pressed.
HWND AnsweredDialog();

}  // namespace testing_support
