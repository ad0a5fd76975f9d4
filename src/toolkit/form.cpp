// A form's life. It is made with its window, which is bound to it by the
// window's first message, so the form sees every message from WM_NCCREATE
// on. Shown and hidden any number of times, it is closed by WM_CLOSE:
// FormClose may change the close action. None keeps it as it is; Hide hides
// it; Free (and any close of the application's main form) marks it closed
// and posts kRelease to itself, so that the handlers that closed it return
// first. On kRelease the window is destroyed, unless a handler of the form,
// or of a window it owns, is still running (depth_ counts the form's own
// handlers on the stack, RunningForms() lists the forms that have one):
// then it waits hidden in WaitingForms() and goes when the last such
// handler returns. WM_NCDESTROY unbinds the window and clears handle_; the
// form is deleted by WindowProc once its outermost handler returns, so no
// handler ever runs on a deleted form.
#include "toolkit/form.h"

#include <commctrl.h>

#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/menus.h"
#include "toolkit/window_map.h"

namespace toolkit {

namespace {

// Posted to a form whose close action frees it: the window goes once the
// handlers that closed it have returned.
const UINT kRelease = WM_APP + 0x3F0;
const SIZE* screenSizeForTest = nullptr;

// Forms with a handler running now. A handler that lets messages run (a
// box, a dialog, a drop, a library with a window of its own) may see its
// window, or the window that owns it, closed meanwhile; neither goes before
// it has returned.
std::vector<Form*>& RunningForms() {
  static std::vector<Form*> forms;
  return forms;
}

// Closed forms that wait for the handlers in their way to return.
std::vector<HWND>& WaitingForms() {
  static std::vector<HWND> windows;
  return windows;
}

}  // namespace

SIZE ScreenSize() {
  if (screenSizeForTest) return *screenSizeForTest;
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void SetScreenSizeForTest(const SIZE* size) { screenSizeForTest = size; }

ShiftState CurrentShiftState() {
  ShiftState state;
  state.shift = GetKeyState(VK_SHIFT) < 0;
  state.ctrl = GetKeyState(VK_CONTROL) < 0;
  state.alt = GetKeyState(VK_MENU) < 0;
  return state;
}

Form::Form(const FormLayout& layout, HWND owner) {
  keyPreview = layout.keyPreview;
  // The window is bound to this form by its first message (WM_NCCREATE,
  // which carries the form), so the form sees all of them, WM_CREATE too.
  RegisterWindowClass(layout.className, &Form::WindowProc, CS_DBLCLKS, true);
  font_ = CreateFontOf(layout.font);
  const DWORD style =
      (layout.sizeable ? WS_OVERLAPPEDWINDOW : WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME) |
      WS_CLIPCHILDREN;
  const DWORD exStyle = layout.sizeable ? 0 : WS_EX_DLGMODALFRAME;
  RECT outer{0, 0, layout.width, layout.height};
  if (layout.clientSize) AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  // Counted as a running handler meanwhile: a window that fails in the
  // making must not take the form still being made with it.
  ++depth_;
  CreateWindowExA(exStyle, layout.className, layout.caption, style, layout.left, layout.top,
                  outer.right - outer.left, outer.bottom - outer.top, owner, nullptr,
                  App.Instance(), this);
  --depth_;
  SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

Form::~Form() {
  if (tooltip_) App.RemoveTooltipWindow(tooltip_);
  DeleteObject(font_);
}

Form* Form::FromHandle(HWND window) { return WindowMap<Form>::Find(window); }

std::string Form::Caption() const {
  char caption[512] = {};
  GetWindowTextA(handle_, caption, sizeof caption);
  return caption;
}

void Form::SetCaption(const std::string& caption) { SetWindowTextA(handle_, caption.c_str()); }

void Form::Show() { ShowWindow(handle_, SW_SHOW); }
void Form::Hide() { ShowWindow(handle_, SW_HIDE); }
bool Form::Visible() const { return IsWindowVisible(handle_) != FALSE; }
void Form::Close() { SendMessageA(handle_, WM_CLOSE, 0, 0); }

bool Form::Closing() const {
  for (const Form* form = this; form; form = FromHandle(GetWindow(form->handle_, GW_OWNER))) {
    if (form->closed_ || !form->handle_) return true;
  }
  return false;
}

bool Form::InUse(int ownDepth) const {
  if (depth_ > ownDepth) return true;
  for (const Form* running : RunningForms()) {
    if (running == this || !running->handle_) continue;
    for (HWND owner = GetWindow(running->handle_, GW_OWNER); owner;
         owner = GetWindow(owner, GW_OWNER)) {
      if (owner == handle_) return true;
    }
  }
  return false;
}

void Form::Release() {
  if (!InUse(1)) {
    DestroyWindow(handle_);
    return;
  }
  if (!releasePending_) {
    releasePending_ = true;
    WaitingForms().push_back(handle_);
  }
  Hide();  // out of sight while it waits
}

void Form::ReleaseWaitingForms(const Form* returning) {
  std::vector<HWND>& waiting = WaitingForms();
  for (std::size_t i = 0; i < waiting.size();) {
    Form* form = FromHandle(waiting[i]);
    if (form && form->InUse(form == returning ? 1 : 0)) {
      ++i;
      continue;
    }
    const HWND window = waiting[i];
    waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(i));
    if (form) {
      form->releasePending_ = false;
      DestroyWindow(window);  // may release others in turn: look again
    }
    i = 0;
  }
}

int Form::ShowModal() {
  // Only locals after the loop: a form that frees itself is gone by then.
  const HWND window = handle_;
  int result = IDCANCEL;
  modalResult_ = &result;
  modalOwner_ = GetWindow(window, GW_OWNER);
  if (modalOwner_) EnableWindow(modalOwner_, FALSE);
  Show();
  MSG quit;
  while (IsWindow(window) && IsWindowVisible(window) &&
         !PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
    App.ProcessMessages();
    if (IsWindow(window) && IsWindowVisible(window)) WaitMessage();
  }
  if (IsWindow(window)) {
    EnableModalOwner();
    modalResult_ = nullptr;
  }
  return result;
}

void Form::EndModal(int result) {
  if (modalResult_) *modalResult_ = result;
  Close();
}

void Form::EnableModalOwner() {
  if (modalOwner_) EnableWindow(modalOwner_, TRUE);
  modalOwner_ = nullptr;
}

RECT Form::Bounds() const {
  RECT r{};
  GetWindowRect(handle_, &r);
  return r;
}

int Form::Width() const {
  const RECT r = Bounds();
  return r.right - r.left;
}

int Form::Height() const {
  const RECT r = Bounds();
  return r.bottom - r.top;
}

void Form::SetBounds(int left, int top, int width, int height) {
  SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
void Form::SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
void Form::SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
void Form::SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }

HWND Form::Tooltip() {
  if (!tooltip_) {
    tooltip_ =
        CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, handle_, nullptr, App.Instance(), nullptr);
    App.AddTooltipWindow(tooltip_);
  }
  return tooltip_;
}

void Form::Adopt(Control& control, const char* hint) {
  controls_.push_back(&control);
  SendMessageA(control.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (hint && *hint) {
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = handle_;
    tool.uId = reinterpret_cast<UINT_PTR>(control.Handle());
    tool.lpszText = const_cast<char*>(hint);
    SendMessageA(Tooltip(), TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Form::Realign() {
  RECT area{};
  GetClientRect(handle_, &area);
  for (Align pass : {Align::Top, Align::Bottom, Align::Client}) {
    for (Control* control : controls_) {
      if (control->align != pass) continue;
      RECT own{};
      GetWindowRect(control->Handle(), &own);
      const int height =
          control->PreferredHeight() ? control->PreferredHeight() : own.bottom - own.top;
      const int width = area.right - area.left;
      if (pass == Align::Top) {
        control->SetBounds(area.left, area.top, width, height);
        area.top += height;
      } else if (pass == Align::Bottom) {
        control->SetBounds(area.left, area.bottom - height, width, height);
        area.bottom -= height;
      } else {
        control->SetBounds(area.left, area.top, width, std::max(0L, area.bottom - area.top));
      }
    }
  }
}

bool Form::PreviewKey(MSG& msg) {
  const ShiftState shift = CurrentShiftState();
  const bool isChar = msg.message == WM_CHAR;
  const bool isUp = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
  const bool isDown = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  Control* control = Control::FromHandle(msg.hwnd);

  if (isChar) {
    char key = static_cast<char>(msg.wParam);
    if (keyPreview) FormKeyPress(key);
    if (key && control && control->onKeyPress) control->onKeyPress(*control, key);
    if (!key) return true;
    msg.wParam = static_cast<unsigned char>(key);
  } else if (isUp || isDown) {
    WORD key = static_cast<WORD>(msg.wParam);
    if (keyPreview) isUp ? FormKeyUp(key, shift) : FormKeyDown(key, shift);
    if (key && isUp && control && control->onKeyUp) control->onKeyUp(*control, key, shift);
    if (!key) return true;
    msg.wParam = key;
    if (isDown && key == VK_TAB && !shift.ctrl && !shift.alt) return MoveFocus(msg, shift.shift);
  }
  return false;
}

bool Form::MoveFocus(MSG& msg, bool backwards) {
  // A control that takes Tab as input (a memo) keeps it.
  const LRESULT wants =
      SendMessageA(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
  if (wants & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
  const HWND from = IsChild(handle_, msg.hwnd) ? msg.hwnd : nullptr;
  if (const HWND next = GetNextDlgTabItem(handle_, from, backwards)) ::SetFocus(next);
  return true;
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* made = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    made->handle_ = window;
    WindowMap<Form>::Bind(window, made);
  }
  Form* form = FromHandle(window);
  if (!form) return DefWindowProcA(window, message, wParam, lParam);
  if (form->depth_++ == 0) RunningForms().push_back(form);
  const LRESULT result = Guarded([&] { return form->HandleMessage(message, wParam, lParam); });
  if (form->depth_ == 1) {
    std::vector<Form*>& running = RunningForms();
    running.erase(std::find(running.begin(), running.end(), form));
    // Destroyed windows send their last messages here at depth 2.
    if (!WaitingForms().empty()) ReleaseWaitingForms(form);
    if (!form->handle_) {
      delete form;
      return result;
    }
  }
  --form->depth_;
  return result;
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  switch (message) {
    case WM_SHOWWINDOW:
      // An owner restored from its icon shows the windows it owns again,
      // through the default handling: no show of the program's.
      if (lParam == SW_PARENTOPENING) {
        reshowing_ = true;
        result = DefWindowProcA(handle_, message, wParam, lParam);
        reshowing_ = false;
        return result;
      }
      if (wParam && !reshowing_) FormShow();
      break;
    case WM_SIZE: Realign(); return 0;
    case WM_WINDOWPOSCHANGED:
      if (reinterpret_cast<const WINDOWPOS*>(lParam)->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) {
        App.SyncTaskbarEntry();
      }
      break;
    case WM_CLOSE: {
      CloseAction action = defaultCloseAction;
      FormClose(action);
      // The owner takes input again before this window goes, so that it is
      // the window activated next.
      if (action != CloseAction::None) EnableModalOwner();
      if (action == CloseAction::Free || (action != CloseAction::None && App.MainForm() == this)) {
        closed_ = true;
        PostMessageA(handle_, kRelease, 0, 0);
      } else if (action == CloseAction::Hide) {
        Hide();
      }
      return 0;
    }
    case kRelease: Release(); return 0;
    case WM_ACTIVATE:
      // Remember which control had the focus, to give it back on return.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(handle_, focus)) focused_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      HWND target = focused_ && IsWindow(focused_) && IsChild(handle_, focused_)
                        ? focused_
                        : GetNextDlgTabItem(handle_, nullptr, FALSE);
      if (target) ::SetFocus(target);
      return 0;
    }
    case WM_DESTROY:
      EnableModalOwner();
      FormDestroy();
      if (App.MainForm() == this) {
        App.SetMainForm(nullptr);
        PostQuitMessage(0);
      }
      return 0;
    case WM_NCDESTROY: {
      // The form goes with its window, once its handlers have returned.
      std::vector<HWND>& waiting = WaitingForms();
      waiting.erase(std::remove(waiting.begin(), waiting.end(), handle_), waiting.end());
      WindowMap<Form>::Unbind(handle_);
      handle_ = nullptr;
      return 0;
    }
    case WM_COMMAND:
      if (lParam) {
        Control* control = Control::FromHandle(reinterpret_cast<HWND>(lParam));
        if (control && HIWORD(wParam) == BN_CLICKED && control->onClick) control->onClick(*control);
      } else if (HIWORD(wParam) == 0) {
        MenuItem* item = FindMenuItem(LOWORD(wParam));
        if (item && item->onClick) item->onClick(*item);
      }
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      Control* control = Control::FromHandle(item.hwndItem);
      if (control && control->DrawItem(item)) return TRUE;
      break;
    }
    case WM_NOTIFY: {
      NMHDR& header = *reinterpret_cast<NMHDR*>(lParam);
      // A list view's header reports through the list.
      Control* control = Control::FromHandle(header.hwndFrom);
      if (!control) control = Control::FromHandle(GetParent(header.hwndFrom));
      if (control && control->Notify(header, result)) return result;
      break;
    }
    default:
      if (OnMessage(message, wParam, lParam, result)) return result;
      break;
  }
  return DefWindowProcA(handle_, message, wParam, lParam);
}

}  // namespace toolkit
