#include "toolkit/common_dialogs.h"

#include <cderr.h>
#include <commdlg.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace toolkit {

// The dialogs read the first version of their records, whose sizes on the
// 32-bit build, the one users run, are these.
static_assert(sizeof(void*) != 4 || sizeof(CHOOSEFONTA) == 60, "CHOOSEFONTA of the 32-bit build");
static_assert(sizeof(void*) != 4 || sizeof(PRINTDLGA) == 66, "PRINTDLGA of the 32-bit build");

namespace {

std::runtime_error DialogError(const char* what, DWORD code) {
  char text[160];
  if (code == PDERR_NODEFAULTPRN || code == PDERR_NODEVICES) {
    std::snprintf(text, sizeof text, "ﾌﾟﾘﾝﾀがありません。");
  } else {
    std::snprintf(text, sizeof text, "%s (ｴﾗｰ 0x%04lX)", what, static_cast<unsigned long>(code));
  }
  return std::runtime_error(text);
}

}  // namespace

HDC DefaultPrinter(bool forDrawing) {
  PRINTDLGA request{};
  request.lStructSize = sizeof request;
  request.Flags = PD_RETURNDEFAULT | (forDrawing ? PD_RETURNDC : PD_RETURNIC);
  if (!PrintDlgA(&request)) return nullptr;
  GlobalFree(request.hDevMode);
  GlobalFree(request.hDevNames);
  return request.hDC;
}

bool FontDialog::Execute(HWND owner) {
  CHOOSEFONTA request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpLogFont = &font;
  request.rgbColors = color;
  // Without a printer the screen's fonts are still there to choose from.
  request.hDC = DefaultPrinter(false);
  request.Flags = CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | (request.hDC ? CF_BOTH : CF_SCREENFONTS);
  const BOOL chosen = ChooseFontA(&request);
  if (request.hDC) DeleteDC(request.hDC);
  if (chosen) {
    color = request.rgbColors;
    return true;
  }
  if (const DWORD code = CommDlgExtendedError())
    throw DialogError("ﾌｫﾝﾄﾀﾞｲｱﾛｸﾞを開けません。", code);
  return false;
}

PrintDialog::~PrintDialog() {
  if (devMode_) GlobalFree(devMode_);
  if (devNames_) GlobalFree(devNames_);
}

bool PrintDialog::Execute(HWND owner) {
  PRINTDLGA request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.hDevMode = devMode_;
  request.hDevNames = devNames_;
  const BOOL confirmed = PrintDlgA(&request);
  // The dialog may have replaced the records even when cancelled.
  devMode_ = request.hDevMode;
  devNames_ = request.hDevNames;
  if (confirmed) return true;
  if (const DWORD code = CommDlgExtendedError())
    throw DialogError("印刷ﾀﾞｲｱﾛｸﾞを開けません。", code);
  return false;
}

HDC PrintDialog::CreatePrinterDC() const {
  if (!devNames_) throw std::runtime_error("ﾌﾟﾘﾝﾀが選ばれていません。");
  const auto* names = static_cast<const DEVNAMES*>(GlobalLock(devNames_));
  const auto* base = reinterpret_cast<const char*>(names);
  const auto* mode = devMode_ ? static_cast<const DEVMODEA*>(GlobalLock(devMode_)) : nullptr;
  const HDC dc = CreateDCA(base + names->wDriverOffset, base + names->wDeviceOffset,
                           base + names->wOutputOffset, mode);
  if (mode) GlobalUnlock(devMode_);
  GlobalUnlock(devNames_);
  if (!dc) throw std::runtime_error("ﾌﾟﾘﾝﾀを使えません。");
  return dc;
}

}  // namespace toolkit
