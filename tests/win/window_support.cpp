#include "win/window_support.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <fstream>

#include "toolkit/application.h"
#include "win/test_support.h"

namespace window_support {

using testing_support::ChildTexts;
using testing_support::ChildWindows;
using testing_support::FirstOf;
using testing_support::IsOfClass;
using testing_support::ThreadWindows;
using testing_support::TopLevelWindows;
using testing_support::VisibleOfClass;

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

namespace {

void PostKey(HWND window, UINT message, WORD key, LPARAM flags, std::initializer_list<BYTE> held) {
  BYTE keys[256];
  GetKeyboardState(keys);
  BYTE before[256];
  std::copy(std::begin(keys), std::end(keys), before);
  for (BYTE modifier : held) keys[modifier] = 0x80;
  SetKeyboardState(keys);
  PostMessageA(window, message, key, flags);
  Pump();
  SetKeyboardState(before);
}

}  // namespace

void PostKeyDown(HWND window, WORD key, std::initializer_list<BYTE> held) {
  PostKey(window, WM_KEYDOWN, key, 1, held);
}

void PostKeyUp(HWND window, WORD key, std::initializer_list<BYTE> held) {
  PostKey(window, WM_KEYUP, key, 0xC0000001, held);
}

void PostDrop(HWND window, const std::vector<std::string>& paths, bool wide) {
  std::string names;
  for (const std::string& path : paths) names += path + '\0';
  names += '\0';
  if (wide) {
    std::wstring text(names.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_ACP, 0, names.data(), static_cast<int>(names.size()),
                                    text.data(), static_cast<int>(text.size())));
    names.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  }
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size());
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = wide;
  std::copy(names.begin(), names.end(), reinterpret_cast<char*>(header + 1));
  GlobalUnlock(memory);
  PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  Pump();
}

Picture CaptureScreen(const RECT& area) {
  Picture picture;
  picture.width = area.right - area.left;
  picture.height = area.bottom - area.top;
  BITMAPINFO info{};
  info.bmiHeader = {
      sizeof(BITMAPINFOHEADER), picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, picture.width, picture.height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  if (bits) {
    const auto* pixels = static_cast<const RGBQUAD*>(bits);
    picture.pixels.assign(pixels, pixels + picture.width * picture.height);
  }
  // The screen has no transparency, whatever a drawing left in the fourth byte.
  for (RGBQUAD& pixel : picture.pixels) pixel.rgbReserved = 0;
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return picture;
}

void SaveScreenshot(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump(200);
  RECT r;
  GetWindowRect(window, &r);
  const Picture picture = CaptureScreen(r);

  const std::string folder = testing_support::ProgramFolder() + "..\\screenshots\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  // Rows from the top, as captured.
  const BITMAPINFOHEADER info{
      sizeof info, picture.width, -picture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD bytes = static_cast<DWORD>(picture.pixels.size() * sizeof(RGBQUAD));
  const DWORD header = sizeof(BITMAPFILEHEADER) + sizeof info;
  const BITMAPFILEHEADER file{0x4D42, header + bytes, 0, 0, header};
  std::ofstream out(folder + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(picture.pixels.data()), bytes);
}

std::string BrowserSelection(HWND dialog) {
  HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
  if (!tree) return {};
  const auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return {};
  char text[MAX_PATH] = {};
  TVITEMA query{};
  query.mask = TVIF_TEXT;
  query.hItem = item;
  query.pszText = text;
  query.cchTextMax = sizeof text;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
  return text;
}

DialogDriver::DialogDriver(std::initializer_list<Step> steps)
    : thread_([this, steps = std::vector<Step>(steps), ui = GetCurrentThreadId()] {
        HWND answered = nullptr;
        for (const Step& step : steps) {
          for (int i = 0; answered && i < 800 && IsWindowVisible(answered); ++i) Sleep(25);
          const auto sought = [&](HWND window) {
            return window != answered && VisibleOfClass(step.windowClass)(window);
          };
          HWND found = nullptr;
          for (int i = 0; i < 800 && !found; ++i) {
            Sleep(25);
            found = FirstOf(ThreadWindows(ui, sought));
          }
          if (!found) return;
          for (int i = 0; step.ready && i < 600 && !step.ready(found); ++i) Sleep(25);
          Sleep(100);
          texts_ = ChildTexts(found);
          // Known before `act` runs: an act that closes the window (a menu)
          // lets the waiting thread go on at once.
          dialog_ = found;
          if (step.act) step.act(found);
          if (step.button) PostMessageA(found, WM_COMMAND, step.button, 0);
          ++answered_;
          answered = found;
        }
      }) {}

bool PumpUntil(const std::function<bool()>& done, int milliseconds) {
  for (DWORD start = GetTickCount(); !done();) {
    if (static_cast<int>(GetTickCount() - start) > milliseconds) return false;
    Pump(20);
  }
  return true;
}

HWND WaitForWindow(const char* windowClass, const char* title, DWORD process, int milliseconds) {
  const auto sought = [&](HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return VisibleOfClass(windowClass)(window) && (!title || std::string(text) == title) &&
           (!process || owner == process);
  };
  HWND found = nullptr;
  PumpUntil([&] { return (found = FirstOf(TopLevelWindows(sought))) != nullptr; }, milliseconds);
  return found;
}

HWND ToolButtonAt(HWND main, int left) {
  return FirstOf(ChildWindows(main, [left](HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    POINT at{r.left, r.top};
    ScreenToClient(GetParent(window), &at);
    return IsOfClass(window, "TSpeedButton") && at.x == left;
  }));
}

HWND TooltipOf(HWND owner) {
  return FirstOf(ThreadWindows(GetCurrentThreadId(), [owner](HWND window) {
    return IsOfClass(window, TOOLTIPS_CLASSA) && GetWindow(window, GW_OWNER) == owner;
  }));
}

}  // namespace window_support
