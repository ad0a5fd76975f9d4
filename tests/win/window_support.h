// Running real windows inside a test program: the application object, the
// message pump, keys and drops, screenshots of what is on the display, and
// dialogs answered from another thread.
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

// What the display shows in `area` (screen coordinates), rows from the top.
struct Picture {
  int width = 0, height = 0;
  std::vector<RGBQUAD> pixels;
  const RGBQUAD& At(int x, int y) const { return pixels[y * width + x]; }
};
Picture CaptureScreen(const RECT& area);

// Writes what the display shows of `window` to
// <build>\screenshots\<name>.bmp (the test script makes PNGs of them).
void SaveScreenshot(HWND window, const std::string& name);

// Answers the next modal dialogs of the calling thread (a message box, the
// folder browser, the print dialog...) one after the other, from another
// thread. For each step: waits for a window of its class other than the
// one answered before, then within fifteen seconds for `ready` to hold of
// it (a fresh Wine prefix fills the shell's tree slowly) and a tenth of a
// second more (done with its own start); lets `act` look at it and change
// it, then presses `button` (0: none; `act` may close it, as a pop-up menu
// "#32768" is closed). The destructor waits for all that.
class DialogDriver {
 public:
  struct Step {
    int button;
    std::function<bool(HWND)> ready = nullptr;
    std::function<void(HWND)> act = nullptr;
    const char* windowClass = "#32770";
  };
  explicit DialogDriver(std::initializer_list<Step> steps);
  ~DialogDriver() { thread_.join(); }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;
  // The window of the last step reached, null until one is found.
  HWND Dialog() const { return dialog_; }
  // The texts of its controls, one a line, as it was answered.
  const std::string& Texts() const { return texts_; }
  // How many steps were answered.
  int Answered() const { return answered_; }

 private:
  std::atomic<HWND> dialog_{nullptr};
  std::string texts_;
  std::atomic<int> answered_{0};
  std::thread thread_;
};

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
