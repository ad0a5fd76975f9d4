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

}  // namespace window_support
