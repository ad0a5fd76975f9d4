#include "win/window_support.h"

#include <fstream>

#include "toolkit/application.h"
#include "win/test_support.h"

namespace window_support {

void InitApplication() {
  static bool done = false;
  if (done) return;
  done = true;
  toolkit::App.Initialize(GetModuleHandleA(nullptr));
  toolkit::App.SetTitle("Plenkit");
}

void Pump(int milliseconds) {
  const DWORD until = GetTickCount() + milliseconds;
  do {
    toolkit::App.ProcessMessages();
    if (milliseconds) Sleep(5);
  } while (static_cast<int>(until - GetTickCount()) > 0);
}

void PostChar(HWND window, char key) {
  PostMessageA(window, WM_CHAR, static_cast<unsigned char>(key), 1);
  Pump();
}

void PostKeyUp(HWND window, WORD key) {
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
  Pump();
}

void PostKeyDown(HWND window, WORD key, bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  const BYTE before = keys[VK_SHIFT];
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  PostMessageA(window, WM_KEYDOWN, key, 1);
  Pump();
  keys[VK_SHIFT] = before;
  SetKeyboardState(keys);
}

void SaveScreenshot(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(200);
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const DWORD stride = (width * 3 + 3) & ~3;
  std::string pixels(stride * height, '\0');
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  const std::string folder = testing_support::ProgramFolder() + "..\\screenshots\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info +
                                                   pixels.size()),
                        0, 0, sizeof(BITMAPFILEHEADER) + sizeof info};
  std::ofstream out(folder + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out << pixels;
}

std::string ChildTexts(HWND window) {
  std::string texts;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM all) CALLBACK {
        char text[256] = {};
        GetWindowTextA(child, text, sizeof text);
        *reinterpret_cast<std::string*>(all) += std::string(text) + "\n";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

namespace {

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  char cls[32];
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) != "#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

DialogDriver::DialogDriver(int button, std::function<bool(HWND)> ready,
                           std::function<void(HWND)> act)
    : uiThread_(GetCurrentThreadId()), thread_([this, button, ready, act] {
        HWND dialog = nullptr;
        for (int i = 0; i < 800 && !dialog; ++i) {
          Sleep(25);
          EnumThreadWindows(uiThread_, FindDialog, reinterpret_cast<LPARAM>(&dialog));
        }
        if (!dialog) return;
        for (int i = 0; ready && i < 600 && !ready(dialog); ++i) Sleep(25);
        if (act) act(dialog);
        texts_ = ChildTexts(dialog);
        dialog_ = dialog;
        PostMessageA(dialog, WM_COMMAND, button, 0);
      }) {}

DialogDriver::~DialogDriver() { thread_.join(); }

}  // namespace window_support
