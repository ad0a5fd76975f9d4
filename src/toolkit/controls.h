// Thin wrappers over the Win32 controls the windows use. Each hides the
// message plumbing of its control and nothing more: the control itself
// holds the state.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/layout.h"

namespace toolkit {

enum class Align { None, Top, Bottom, Client };

// A procedure of ours in front of a window's own, which this keeps: in the
// object, not in a window property, as under Wine every property read is a
// round trip to the window server. The procedure passes on what it does not
// handle with CallOriginal.
class Subclass {
 public:
  // Once per window; `unicode` puts the procedure in with the W calls, for
  // a window that is Unicode itself.
  void Attach(HWND window, WNDPROC procedure, bool unicode = false);
  bool Attached() const { return original_ != nullptr; }
  LRESULT CallOriginal(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const;
  // For a window whose object is already gone: its class's procedure, which
  // was its own, as procedures are put in front as soon as it is made.
  static LRESULT CallClass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode);

 private:
  WNDPROC original_ = nullptr;
  bool unicode_ = false;
};

class Control : public Component {
 public:
  Control() = default;
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  static Control* FromHandle(HWND window);
  HWND Handle() const { return handle_; }
  void SetFocus() const { ::SetFocus(handle_); }
  // Destroys the control's window before the control itself goes.
  void Destroy();
  void SetBounds(int left, int top, int width, int height) const;
  // Height the control wants when aligned (0: keep its own).
  virtual int PreferredHeight() const { return 0; }

  Align align = Align::None;
  std::function<void(Control& sender)> onClick;
  std::function<void(Control& sender, char& key)> onKeyPress;
  std::function<void(Control& sender, WORD& key, ShiftState shift)> onKeyUp;

  // Notifications from the control, delivered by its form.
  virtual bool Notify(NMHDR& header, LRESULT& result) {
    (void)header, (void)result;
    return false;
  }
  // Painting of an owner-drawn control, asked for by its form.
  virtual bool DrawItem(const DRAWITEMSTRUCT& item) {
    (void)item;
    return false;
  }

 protected:
  // Creates the window and binds it to this object.
  void CreateWindowOf(const char* windowClass, HWND parent, DWORD style, DWORD exStyle,
                      const Bounds& bounds, const char* text = "");

  HWND handle_ = nullptr;
};

// A borderless container; it passes its children's messages to its parent.
class Panel : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds);
};

// Vertical separator line.
class Bevel : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds);
};

class CheckBox : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds, const char* caption);
  bool Checked() const;
  void SetChecked(bool checked) const;
};

// A control the program draws itself. It knows whether the pointer is over
// it and whether the left button went down on it, and reports a click
// (BN_CLICKED to its parent) when the button comes up over it again.
class DrawnControl : public Control {
 protected:
  // Creates the window of `className`, registered for drawn controls.
  void CreateDrawn(const char* className, HWND parent, const Bounds& bounds, const char* text = "");
  virtual void Paint(HDC dc) const = 0;
  virtual void HotChanged() {}
  virtual void PressChanged() {}
  // Messages of the control's own, seen first; answer true when handled.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)message, (void)wParam, (void)lParam, (void)result;
    return false;
  }
  bool hot_ = false, pressed_ = false;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
};

// A flat tool button: a border only under the mouse, a 16 x 16 picture and
// a greyed one for the disabled state.
class SpeedButton : public DrawnControl {
 public:
  void Create(HWND parent, const ButtonLayout& layout);

 private:
  void Paint(HDC dc) const override;
  void HotChanged() override { InvalidateRect(handle_, nullptr, FALSE); }
  void PressChanged() override { InvalidateRect(handle_, nullptr, FALSE); }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  HBITMAP glyph_ = nullptr;
};

// A push button whose caption has a font and a colour of its own.
class BitBtn : public Control {
 public:
  BitBtn() = default;
  ~BitBtn() override;
  void Create(HWND parent, const Bounds& bounds, const char* caption, const FontLayout& font,
              COLORREF color);
  bool DrawItem(const DRAWITEMSTRUCT& item) override;

 private:
  HFONT font_ = nullptr;
  COLORREF color_ = 0;
};

// A progress bar, in the system's segmented style or smooth.
class ProgressBar : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds, bool smooth = false);
  void SetRange(int minimum, int maximum);
  int Minimum() const;
  int Maximum() const;
  // The position the bar shows.
  int Position() const;
  void SetPosition(int position);
  // Advances the position; the bar takes the steps, and is drawn again,
  // once they make it grow.
  void StepBy(int delta);
  // Hands the bar the steps it has not taken yet: the end of a run.
  void ShowHeldSteps();

 private:
  int pending_ = 0;    // steps too small yet to show
  int growsAt_ = 0;    // held steps that make the bar grow a pixel; 0: not known
  DWORD drawnAt_ = 0;  // tick count of the last drawing
};

class StatusBar : public Control {
 public:
  void Create(HWND parent, int height, const std::vector<StatusPanelLayout>& panels);
  void SetText(int panel, const std::string& text) const;
  // The texts of the first panels, one each, drawn together once.
  void SetTexts(const std::vector<std::string>& texts) const;
  std::string Text(int panel) const;  // as set, without alignment marks
  int PreferredHeight() const override { return height_; }

 private:
  // Room beside a panel's text, besides the bar's borders.
  static constexpr int kPanelMargin = 8;
  void SetParts() const;
  void Fit(int panel, const std::string& text) const;

  std::vector<StatusPanelLayout> panels_;
  mutable std::vector<int> widths_;  // as laid out, or wider for a text that needs it
  int height_ = 0;
};

}  // namespace toolkit
