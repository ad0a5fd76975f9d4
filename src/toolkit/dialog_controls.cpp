#include "toolkit/dialog_controls.h"

#include "toolkit/application.h"

namespace toolkit {

namespace {

const char kLabelClass[] = "TLabel";
constexpr UINT kTextFormat = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX;

}  // namespace

// --- Label

Label::~Label() {
  if (ownFont_) DeleteObject(ownFont_);
}

void Label::Create(HWND parent, const LabelLayout& layout) {
  tag = layout.tag;
  color_ = GetSysColor(COLOR_WINDOWTEXT);
  CreateDrawn(kLabelClass, parent, {layout.left, layout.top, 0, 0}, layout.caption);
  FitToCaption();
}

void Label::SetOwnFont(const FontLayout& font) {
  if (ownFont_) DeleteObject(ownFont_);
  ownFont_ = CreateFontOf(font);
  font_ = ownFont_;
  FitToCaption();
  InvalidateRect(handle_, nullptr, TRUE);
}

std::string Label::Caption() const {
  std::string caption(GetWindowTextLengthA(handle_) + 1, '\0');
  caption.resize(GetWindowTextA(handle_, caption.data(), static_cast<int>(caption.size())));
  return caption;
}

void Label::SetFontColor(COLORREF color) {
  if (color == color_) return;
  color_ = color;
  InvalidateRect(handle_, nullptr, TRUE);
}

void Label::FitToCaption() const {
  const std::string caption = Caption();
  HDC dc = GetDC(handle_);
  const HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  RECT size{};
  DrawTextA(dc, caption.c_str(), -1, &size, kTextFormat | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(handle_, dc);
  SetWindowPos(handle_, nullptr, 0, 0, size.right, size.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Label::Paint(HDC dc) const {
  RECT r;
  GetClientRect(handle_, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  const std::string caption = Caption();
  const HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color_);
  DrawTextA(dc, caption.c_str(), -1, &r, kTextFormat);
  SelectObject(dc, old);
}

// Entering and leaving reach the label's window procedure as messages of
// their own, so that a procedure put in front of it can answer them.
void Label::HotChanged() { SendMessageA(handle_, hot_ ? LM_MOUSEENTER : LM_MOUSELEAVE, 0, 0); }

bool Label::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;  // painting covers it all
      return true;
    case WM_SETFONT:
      if (!ownFont_) font_ = reinterpret_cast<HFONT>(wParam);
      FitToCaption();
      if (LOWORD(lParam)) InvalidateRect(handle_, nullptr, TRUE);
      result = 0;
      return true;
    case WM_GETFONT: result = reinterpret_cast<LRESULT>(font_); return true;
    case WM_SETTEXT:
      result = DefWindowProcA(handle_, message, wParam, lParam);
      FitToCaption();
      InvalidateRect(handle_, nullptr, TRUE);
      return true;
    case WM_SETCURSOR:
      if (!cursor_ || LOWORD(lParam) != HTCLIENT) return false;
      ::SetCursor(cursor_);
      result = TRUE;
      return true;
    case LM_MOUSEENTER:
    case LM_MOUSELEAVE: result = 0; return true;
    default: return false;
  }
}

// --- Image

Image::~Image() {
  if (picture_) DestroyIcon(picture_);
}

void Image::Create(HWND parent, int left, int top, int icon, int size) {
  CreateWindowOf("STATIC", parent, SS_ICON, 0, {left, top, size, size});
  picture_ = static_cast<HICON>(
      LoadImageA(App.Instance(), MAKEINTRESOURCEA(icon), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  SendMessageA(handle_, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(picture_));
}

// --- Button

void Button::Create(HWND parent, const Bounds& bounds, const char* caption, bool isDefault) {
  CreateWindowOf("BUTTON", parent, (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, 0,
                 bounds, caption);
}

}  // namespace toolkit
