#include "toolkit/memo.h"

#include <cstring>
#include <vector>

#include "text/line_breaks.h"
#include "toolkit/application.h"

namespace toolkit {

Memo::~Memo() {
  if (font_) DeleteObject(font_);
}

void Memo::Create(HWND parent, const Bounds& bounds, int maxBytes) {
  maxBytes_ = maxBytes;
  CreateWindowOf("EDIT", parent,
                 WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL |
                     ES_AUTOVSCROLL | ES_WANTRETURN,
                 WS_EX_CLIENTEDGE, bounds);
  // The program's own text is cut to the limit in bytes before it goes in;
  // typing is limited by the control, which counts characters.
  SendMessageA(handle_, EM_SETLIMITTEXT, maxBytes, 0);
  edit_.Attach(handle_, &Memo::WindowProc);
}

LRESULT CALLBACK Memo::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<Memo*>(FromHandle(window));
  if (!self) return Subclass::CallClass(window, message, wParam, lParam, false);
  const LRESULT result = self->edit_.CallOriginal(window, message, wParam, lParam);
  switch (message) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if (self->onMouseUp)
        Guarded([&] {
          self->onMouseUp(*self);
          return LRESULT(0);
        });
      break;
    default: break;
  }
  return result;
}

std::string Memo::Text() const {
  std::string text(GetWindowTextLengthA(handle_) + 1, '\0');
  text.resize(GetWindowTextA(handle_, text.data(), static_cast<int>(text.size())));
  return text;
}

void Memo::SetText(const std::string& text) const {
  SetWindowTextA(handle_, plenkit::WithCrLfBreaks(text, maxBytes_).c_str());
}

void Memo::Clear() const { SetWindowTextA(handle_, ""); }

int Memo::LineCount() const {
  return static_cast<int>(SendMessageA(handle_, EM_GETLINECOUNT, 0, 0));
}

int Memo::LineLength(int line) const {
  const LRESULT start = SendMessageA(handle_, EM_LINEINDEX, line, 0);
  return start < 0 ? 0 : static_cast<int>(SendMessageA(handle_, EM_LINELENGTH, start, 0));
}

std::string Memo::Line(int line) const {
  // Lengths count characters; a character of code page 932 is at most two
  // bytes. The first word of the buffer tells the control its size, so a
  // line comes back with 65,535 bytes at most: far more than a printed
  // page, which cuts lines at its edge, has room for.
  const std::size_t size = std::max<std::size_t>(2 * LineLength(line), sizeof(WORD));
  std::vector<char> buffer(size + 1, '\0');
  const WORD room = static_cast<WORD>(std::min<std::size_t>(size, 0xFFFF));
  std::memcpy(buffer.data(), &room, sizeof room);
  const LRESULT copied =
      SendMessageA(handle_, EM_GETLINE, line, reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), copied);
}

int Memo::LineFromChar(int index) const {
  return static_cast<int>(SendMessageA(handle_, EM_LINEFROMCHAR, index, 0));
}

int Memo::SelStart() const {
  DWORD start = 0;
  SendMessageA(handle_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

void Memo::SetTabStops(int dialogUnits) const {
  SendMessageA(handle_, EM_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&dialogUnits));
  InvalidateRect(handle_, nullptr, TRUE);
}

LOGFONTA Memo::LogFont() const {
  LOGFONTA record{};
  GetObjectA(font_, sizeof record, &record);
  return record;
}

void Memo::SetFont(const LOGFONTA& font, COLORREF color) {
  const HFONT old = font_;
  font_ = CreateFontIndirectA(&font);
  color_ = color;
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  if (old) DeleteObject(old);
}

LRESULT Memo::Colors(HDC dc) const {
  SetTextColor(dc, color_);
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

}  // namespace toolkit
