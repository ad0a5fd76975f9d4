// A multi-line text area: a font and colour of its own, both scroll bars,
// no wrapping, a limit in bytes. Lines break at CR LF only, as the
// platform's text area breaks them.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/controls.h"

namespace toolkit {

class Memo : public Control {
 public:
  Memo() = default;
  ~Memo() override;

  void Create(HWND parent, const Bounds& bounds, int maxBytes);

  std::string Text() const;
  // The whole text: a bare line feed goes in as CR LF, and what lies
  // beyond the limit is not taken in.
  void SetText(const std::string& text) const;
  void Clear() const;

  // The control's lines, an empty last one included.
  int LineCount() const;
  int LineLength(int line) const;  // in characters
  std::string Line(int line) const;
  int LineFromChar(int index) const;
  int SelStart() const;  // a character index: the caret when nothing is selected

  // Tab stops every `dialogUnits`, a quarter of an average character each.
  void SetTabStops(int dialogUnits) const;

  LOGFONTA LogFont() const;
  COLORREF Color() const { return color_; }
  void SetFont(const LOGFONTA& font, COLORREF color);
  // The form's answer to WM_CTLCOLOREDIT from this control.
  LRESULT Colors(HDC dc) const;

  // A mouse button released over the text, after the control has moved
  // the caret.
  std::function<void(Control& sender)> onMouseUp;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  Subclass edit_;
  HFONT font_ = nullptr;
  COLORREF color_ = RGB(0, 0, 0);
  int maxBytes_ = 0;
};

}  // namespace toolkit
