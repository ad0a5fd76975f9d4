#include "toolkit/printing.h"

#include <cstdlib>
#include <stdexcept>

namespace toolkit {

// The print service reads the first version of the record, 20 bytes on the
// 32-bit build.
static_assert(sizeof(void*) != 4 || sizeof(DOCINFOA) == 20, "DOCINFOA of the 32-bit build");

namespace {

// The print service's failure: `what`, and the system's reason when it
// gives one.
[[noreturn]] void Fail(const char* what) {
  std::string text = what;
  const DWORD code = GetLastError();
  char reason[512] = {};
  if (code && FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, reason, sizeof reason, nullptr)) {
    text += "\r\n";
    text += reason;
  }
  throw std::runtime_error(text);
}

}  // namespace

PrintJob::PrintJob(HDC printer) : dc_(printer) {}

PrintJob::~PrintJob() {
  if (printing_) AbortDoc(dc_);
  DeleteDC(dc_);
  if (font_) DeleteObject(font_);
}

void PrintJob::SetFont(const LOGFONTA& screenFont, COLORREF color) {
  // The size in whole points, as on the screen it was chosen for.
  HDC screen = GetDC(nullptr);
  const int points = -MulDiv(screenFont.lfHeight, 72, GetDeviceCaps(screen, LOGPIXELSY));
  ReleaseDC(nullptr, screen);
  LOGFONTA font = screenFont;
  font.lfHeight = -MulDiv(points, GetDeviceCaps(dc_, LOGPIXELSY), 72);
  font.lfWidth = 0;
  fontHeight_ = std::abs(font.lfHeight);
  const HFONT old = font_;
  font_ = CreateFontIndirectA(&font);
  color_ = color;
  SelectDrawing();
  if (old) DeleteObject(old);
}

void PrintJob::SelectDrawing() const {
  // Some drivers reset the device context with every page.
  if (font_) SelectObject(dc_, font_);
  SetTextColor(dc_, color_);
  SetBkMode(dc_, TRANSPARENT);
}

int PrintJob::PageHeight() const { return GetDeviceCaps(dc_, VERTRES); }

void PrintJob::Begin(const std::string& title) {
  DOCINFOA document{};
  document.cbSize = sizeof document;
  document.lpszDocName = title.c_str();
  SetLastError(0);
  if (StartDocA(dc_, &document) <= 0) Fail("印刷を開始できません。");
  printing_ = true;
  if (StartPage(dc_) <= 0) Fail("ﾍﾟｰｼﾞを印刷できません。");
  SelectDrawing();
}

void PrintJob::NewPage() {
  SetLastError(0);
  if (EndPage(dc_) <= 0 || StartPage(dc_) <= 0) Fail("ﾍﾟｰｼﾞを印刷できません。");
  SelectDrawing();
}

void PrintJob::End() {
  SetLastError(0);
  if (EndPage(dc_) <= 0) Fail("ﾍﾟｰｼﾞを印刷できません。");
  // Whatever EndDoc answers, the job is out of our hands now.
  printing_ = false;
  if (EndDoc(dc_) <= 0) Fail("印刷を終了できません。");
}

}  // namespace toolkit
