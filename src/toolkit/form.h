// The form base: one top-level window with its controls, its events, its
// close action and key preview.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "toolkit/component.h"
#include "toolkit/layout.h"

namespace toolkit {

class Control;

enum class CloseAction { None, Hide, Free };

class Form : public Component {
 public:
  // Creates the window, hidden, owned by `owner` (may be null). Forms are
  // made with new and delete themselves when their window is destroyed.
  Form(const FormLayout& layout, HWND owner);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  static Form* FromHandle(HWND window);
  HWND Handle() const { return handle_; }
  HFONT Font() const { return font_; }

  std::string Caption() const;
  void SetCaption(const std::string& caption);

  void Show();
  void Hide();
  bool Visible() const;
  // Shows the form over its owner, which takes no input meanwhile, and
  // returns once the form has closed, with the result EndModal gave it
  // (IDCANCEL when it was closed any other way). The form may be gone by
  // then.
  int ShowModal();
  // Closes the form with `result` as the answer of ShowModal.
  void EndModal(int result);
  // As a click on the close box: the close event decides what follows. A
  // form that is freed goes once the current handlers have returned.
  void Close();
  // Closed and about to be freed, it or a form that owns it: a handler that
  // let messages run (a box, a dialog, a library call) stops there.
  bool Closing() const;

  RECT Bounds() const;  // outer bounds, screen coordinates
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return Bounds().left; }
  int Top() const { return Bounds().top; }
  int Width() const;
  int Height() const;
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);

  // Takes part in alignment, gets the form's font and its hint.
  void Adopt(Control& control, const char* hint = nullptr);
  // Places the aligned controls: top ones, bottom ones, then the client one.
  void Realign();

 protected:
  virtual void FormCreate() {}
  virtual void FormShow() {}
  virtual void FormClose(CloseAction& action) { (void)action; }
  virtual void FormDestroy() {}
  // Key preview: seen before the focused control; a key set to 0 goes no further.
  virtual void FormKeyPress(char& key) { (void)key; }
  virtual void FormKeyDown(WORD& key, ShiftState shift) { (void)key, (void)shift; }
  virtual void FormKeyUp(WORD& key, ShiftState shift) { (void)key, (void)shift; }
  // Messages of the form's own; answer true when handled.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    (void)message, (void)wParam, (void)lParam, (void)result;
    return false;
  }

  bool keyPreview = false;
  CloseAction defaultCloseAction = CloseAction::Hide;

 private:
  friend class Application;
  // Called by the message loop for key messages to this form's windows.
  bool PreviewKey(MSG& msg);
  // Tab and Shift+Tab: the focus to the next or previous control that
  // takes it, in the window's tab order. True when the key was used.
  bool MoveFocus(MSG& msg, bool backwards);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Whether destroying the window now would pull it, or a form it owns,
  // from under a handler still running; `ownDepth` handlers of its own are
  // expected (the one asking).
  bool InUse(int ownDepth) const;
  // Destroys the window now, or once the handlers in its way have returned.
  void Release();
  // Destroys the forms whose release waited and may go now.
  static void ReleaseWaitingForms(const Form* returning);
  HWND Tooltip();
  void EnableModalOwner();

  HWND handle_ = nullptr;
  HFONT font_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND focused_ = nullptr;       // the control to focus when the form is active again
  HWND modalOwner_ = nullptr;    // disabled while this form is shown modally
  int* modalResult_ = nullptr;   // ShowModal's answer, while it runs
  int depth_ = 0;                // handlers of this form now running
  bool closed_ = false;          // closed, to be freed
  bool releasePending_ = false;  // to be destroyed once its way is clear
  bool reshowing_ = false;       // shown again with its owner
  std::vector<Control*> controls_;
};

// The pressed modifier keys now.
ShiftState CurrentShiftState();

// The primary screen's size; a test may put another in its place.
SIZE ScreenSize();
void SetScreenSizeForTest(const SIZE* size);

}  // namespace toolkit
