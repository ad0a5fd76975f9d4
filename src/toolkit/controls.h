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
  void CreateDrawn(const char* className, HWND parent, const Bounds& bounds,
                   const char* text = "");
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
  int pending_ = 0;  // steps too small yet to show
  DWORD drawnAt_ = 0;  // tick count of the last drawing
};

class StatusBar : public Control {
 public:
  void Create(HWND parent, int height, const std::vector<StatusPanelLayout>& panels);
  void SetText(int panel, const std::string& text) const;
  std::string Text(int panel) const;  // as set, without alignment marks
  int PreferredHeight() const override { return height_; }

 private:
  std::vector<StatusPanelLayout> panels_;
  int height_ = 0;
};

// A report-style list. Texts beyond the visible columns are kept in hidden
// columns of width 0 that the user cannot drag or autosize open.
//
// With LVS_OWNERDATA among the extra styles the texts are kept here and the
// list asks for those it shows: adding a row then costs next to nothing,
// where the list's own rows cost a long listing most of its time.
class ListView : public Control {
 public:
  void Create(HWND parent, const Bounds& bounds, const std::vector<ColumnLayout>& columns,
              int hiddenColumns, DWORD extraStyle);

  int Count() const;
  int AddRow(const std::string& caption);  // appended; answers its index
  void SetText(int row, int column, const std::string& text);
  std::string Text(int row, int column) const;
  void DeleteRow(int row);
  void Clear();

  bool Selected(int row) const;
  void SetSelected(int row, bool selected) const;
  int SelectedCount() const;
  // The selected row with the lowest index, or -1.
  int FirstSelected() const;
  void SelectAll() const;

  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width) const;
  int VisibleColumns() const { return visibleColumns_; }

  void SetRedraw(bool redraw);
  // LVS_REPORT, LVS_ICON...
  void SetViewStyle(DWORD view) const;

  std::function<void(Control& sender)> onDblClick;
  // Each row about to go, whichever way it goes (removal, clearing); the
  // list tells it from its own rows, so not with LVS_OWNERDATA.
  std::function<void(Control& sender, int row)> onDeleteRow;
  bool Notify(NMHDR& header, LRESULT& result) override;

 private:
  // The header reports to the list, not to the form, so the hidden columns
  // are guarded in the header itself.
  static LRESULT CALLBACK HeaderProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam);
  const std::string& StoredText(int row, int column) const;
  void GiveText(NMHDR& header) const;
  // The row a search of the list asks for, or -1.
  int FindRow(NMHDR& header) const;
  void SyncCount() const;
  bool redrawing_ = true;
  int visibleColumns_ = 0;
  std::size_t columns_ = 0;
  bool virtual_ = false;
  std::vector<std::vector<std::string>> rows_;  // with LVS_OWNERDATA only
};

// An item of a menu. It answers to its command identifier for exactly as
// long as it lives, whichever of it and its menu goes first.
class MenuItem : public Component {
 public:
  MenuItem() = default;
  ~MenuItem();
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  UINT id = 0;
  // One of a group in its menu of which one is checked: checking it
  // unchecks the others.
  bool radioItem = false;
  std::function<void(Component& sender)> onClick;

  std::string Caption() const;
  void SetCaption(const std::string& caption) const;
  bool Checked() const;
  void SetChecked(bool checked) const;

 private:
  friend void AttachMenuItem(MenuItem& item, HMENU menu, const MenuItemLayout& layout);
  HMENU menu_ = nullptr;
};

// Names `item` after its layout, gives it a command identifier of its own
// in `menu` and makes it answer to it; the caller puts it into the menu.
void AttachMenuItem(MenuItem& item, HMENU menu, const MenuItemLayout& layout);
// The item with this identifier, if it still lives, answers no more.
void DetachMenuItem(UINT id);

class PopupMenu : public Component {
 public:
  PopupMenu() = default;
  ~PopupMenu();
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  void Create(std::initializer_list<MenuItem*> items, const MenuItemLayout* layouts);
  HMENU Handle() const { return menu_; }

  // Runs onPopup, then shows the menu with its top-left corner at `at`
  // (screen coordinates); the items' clicks reach `owner`. Returns when
  // the menu has closed.
  void Popup(HWND owner, POINT at);
  std::function<void(Component& sender)> onPopup;

 private:
  HMENU menu_ = nullptr;
  std::vector<UINT> ids_;  // not the items: they may be gone before the menu
};

// The menu item with this command identifier, from any of the menus.
MenuItem* FindMenuItem(UINT id);

}  // namespace toolkit
