// The controls a small dialog needs beyond the others: a line of text that
// may act as a link, a picture, and a push button that may be the default.
#pragma once
#include <windows.h>

#include <string>

#include "toolkit/controls.h"
#include "toolkit/layout.h"

namespace toolkit {

// Sent by a label to itself when the mouse pointer enters it and when it
// leaves, so that a procedure put in front of the label's own sees them.
constexpr UINT LM_MOUSEENTER = WM_APP + 0x3E0;
constexpr UINT LM_MOUSELEAVE = WM_APP + 0x3E1;

// A line of text that takes the size of its caption. It draws in the form's
// font, or in one of its own, in a colour of its own (the window-text colour
// at first) on the button-face background. A click on it reaches onClick.
class Label : public DrawnControl {
 public:
  Label() = default;
  ~Label() override;
  void Create(HWND parent, const LabelLayout& layout);
  // Keeps this font whatever font the form hands its controls.
  void SetOwnFont(const FontLayout& font);

  std::string Caption() const;
  COLORREF FontColor() const { return color_; }
  void SetFontColor(COLORREF color);
  // The mouse pointer over the label; null keeps the arrow.
  void SetCursor(HCURSOR cursor) { cursor_ = cursor; }

 private:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void HotChanged() override;
  void FitToCaption() const;
  void Paint(HDC dc) const override;

  HFONT font_ = nullptr;     // what it draws with
  HFONT ownFont_ = nullptr;  // made and freed by the label
  COLORREF color_ = 0;
  HCURSOR cursor_ = nullptr;
};

// An icon of the program's resources at its own size, shown as it is.
class Image : public Control {
 public:
  Image() = default;
  ~Image() override;
  void Create(HWND parent, int left, int top, int icon, int size);
  HICON Picture() const { return picture_; }

 private:
  HICON picture_ = nullptr;
};

// A push button with the form's font; the form's default button is drawn
// as such.
class Button : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds, const char* caption, bool isDefault);
};

}  // namespace toolkit
