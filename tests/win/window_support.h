// Running real windows inside a test program: the application object, the
// message pump, and screenshots of what is on the display.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "win/test_support.h"

namespace window_support {

// Initialises the application object once per test program.
void InitApplication();

// Lets pending messages run, then keeps pumping for `milliseconds`.
void Pump(int milliseconds = 0);

// Posts a key stroke to `window` as the keyboard would, and lets the
// message loop deliver it.
void PostChar(HWND window, char key);
// A key press or release with the modifier keys `held` (VK_SHIFT,
// VK_CONTROL...) down meanwhile.
void PostKeyDown(HWND window, WORD key, std::initializer_list<BYTE> held = {});
void PostKeyUp(HWND window, WORD key, std::initializer_list<BYTE> held = {});

// Drops `paths` on `window` as the shell does: a WM_DROPFILES with a drop
// handle that the receiver releases; `wide` as the shell of Windows NT
// gives them, in UTF-16.
void PostDrop(HWND window, const std::vector<std::string>& paths, bool wide = false);

// Writes what the display shows of `window` to
// <build>\screenshots\<name>.bmp (the test script makes PNGs of them).
void SaveScreenshot(HWND window, const std::string& name);

// Answers the next modal dialog of the calling thread (a message box, the
// folder browser...). Waits for it, then within fifteen seconds for `ready`
// to hold of it (a fresh Wine prefix fills the shell's tree slowly); lets
// `act` look at it, then presses `button`. The destructor waits for all that.
class DialogDriver {
 public:
  DialogDriver(int button, std::function<bool(HWND)> ready = nullptr,
               std::function<void(HWND)> act = nullptr);
  // Any window of `windowClass` (a pop-up menu is "#32768"): `act` looks at
  // it and closes it.
  DialogDriver(const char* windowClass, std::function<void(HWND)> act);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;
  HWND Dialog() const { return dialog_; }
  // The texts of the dialog's controls, one a line, as it was answered.
  const std::string& Texts() const { return texts_; }

 private:
  DialogDriver(const char* windowClass, std::function<bool(HWND)> ready,
               std::function<void(HWND)> act, int button);
  DWORD uiThread_;
  std::string windowClass_;
  std::atomic<HWND> dialog_{nullptr};
  std::string texts_;
  std::thread thread_;
};

using testing_support::ChildTexts;
using testing_support::DialogsDuring;

// The folder selected in the shell's folder browser, as its tree shows it.
std::string BrowserSelection(HWND dialog);

// Waits up to `milliseconds` for `done`, letting this thread's messages run.
bool PumpUntil(const std::function<bool()>& done, int milliseconds);

// The first visible top-level window of this class and title (any title
// when null) and, unless 0, of that process; waits up to `milliseconds`.
HWND WaitForWindow(const char* windowClass, const char* title, DWORD process, int milliseconds);

// The tool button of another program's window whose left edge sits `left`
// pixels into its toolbar.
HWND ToolButtonAt(HWND main, int left);

// The tooltip window of a form of this thread.
HWND TooltipOf(HWND owner);

}  // namespace window_support
