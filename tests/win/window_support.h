// Running real windows inside a test program: the application object, the
// message pump, and screenshots of what is on the display.
#pragma once
#include <windows.h>

#include <string>

namespace window_support {

// Initialises the application object once per test program.
void InitApplication();

// Lets pending messages run, then keeps pumping for `milliseconds`.
void Pump(int milliseconds = 0);

// Posts a key stroke to `window` as the keyboard would, and lets the
// message loop deliver it.
void PostChar(HWND window, char key);
void PostKeyUp(HWND window, WORD key);

// Writes what the display shows of `window` to
// <build>\screenshots\<name>.bmp (the test script makes PNGs of them).
void SaveScreenshot(HWND window, const std::string& name);

}  // namespace window_support
