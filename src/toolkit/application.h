// The application object: its title, the one idle-handler slot, the message
// loop that lets a key-preview form see keys before its focused control, and
// the tooltip settings every form's tooltips follow.
#pragma once
#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace toolkit {

class Form;

class Application {
 public:
  void Initialize(HINSTANCE instance);
  HINSTANCE Instance() const { return instance_; }

  void SetTitle(const std::string& title) { title_ = title; }
  const std::string& Title() const { return title_; }

  // The program's main icon (resource 1), shared by every window: its large
  // picture, and the small one the shell shows in the taskbar and the
  // notification area.
  HICON Icon() const { return icon_; }
  HICON SmallIcon() const { return smallIcon_; }

  // The first form made main; its destruction ends Run.
  Form* MainForm() const { return mainForm_; }
  void SetMainForm(Form* form) { mainForm_ = form; }

  // The command line the program was started with; a test may set another.
  std::string CommandLine() const;
  void SetCommandLine(const std::string& line) {
    commandLine_ = line;
    commandLineSet_ = true;
  }

  // Runs until the main form is destroyed; answers the quit code.
  int Run();
  // Handles every message now pending, then returns.
  void ProcessMessages();

  // The single idle-handler slot: called whenever the queue runs empty, for
  // as long as it is set. A handler may empty the slot.
  std::function<void()> onIdle;

  // Keeps the program on the taskbar while any of its forms is visible. An
  // unowned form carries the entry itself; while none is visible and an
  // owned one is (the main form hidden to its icon, a contents window
  // open), a window of the application's own carries it and passes the
  // activation on. Forms call this when they are shown or hidden.
  void SyncTaskbarEntry();

  // Tooltips: background colour, delay before showing, time shown.
  void SetHintColor(COLORREF color);
  void SetHintPause(int milliseconds);
  void SetHintHidePause(int milliseconds);
  // Each form's tooltip window registers here so that settings reach it.
  void AddTooltipWindow(HWND tooltip);
  void RemoveTooltipWindow(HWND tooltip);

 private:
  // Offers a key message to its form and control first; true when they
  // consumed it.
  bool PreviewKey(MSG& msg);
  void Dispatch(MSG& msg);
  void ApplyHintSettings(HWND tooltip) const;

  HINSTANCE instance_ = nullptr;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  std::string title_;
  std::string commandLine_;
  bool commandLineSet_ = false;
  Form* mainForm_ = nullptr;
  COLORREF hintColor_ = GetSysColor(COLOR_INFOBK);
  int hintPause_ = 500;
  int hintHidePause_ = 2500;
  std::vector<HWND> tooltips_;
  HWND taskbarEntry_ = nullptr;
};

extern Application App;

// Registers a window class of the program once; later calls find it there.
// Its windows have the button-face background and the arrow pointer.
// Windows with an icon carry the application's, large and small.
void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style, bool withIcon);

// Standard error box for an error that ended a handler.
void ShowErrorBox(const std::string& text);

// Runs a window's handler. An error must not unwind through the system's
// frames: it ends the handler that met it and is shown. Answers what the
// handler answered, or `failed`.
template <typename Handler>
LRESULT Guarded(Handler handler, LRESULT failed = 0) {
  try {
    return handler();
  } catch (const std::exception& error) {
    ShowErrorBox(error.what());
  }
  return failed;
}

}  // namespace toolkit
