#include "toolkit/application.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace toolkit {

Application App;

namespace {

const char kTaskbarEntryClass[] = "TApplication";
// Posted to the entry's window once it is active: the activation goes on
// to the program's window in front.
const UINT kPassActivation = WM_APP + 0x3F1;

// What the taskbar shows a button for: a visible window without an owner
// that is no tool window.
bool OnTaskbar(HWND window) {
  return IsWindowVisible(window) && !GetWindow(window, GW_OWNER) &&
         !(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
}

struct FormsShown {
  HWND entry;
  bool owned = false;    // a visible form that has no button of its own
  bool unowned = false;  // a visible form with a button of its own
  HWND front = nullptr;  // the first visible, enabled window with a caption
};

BOOL CALLBACK LookAtWindow(HWND window, LPARAM data) {
  auto& shown = *reinterpret_cast<FormsShown*>(data);
  if (window == shown.entry || !IsWindowVisible(window)) return TRUE;
  if (Form::FromHandle(window)) (OnTaskbar(window) ? shown.unowned : shown.owned) = true;
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  if (!shown.front && IsWindowEnabled(window) && (style & WS_CAPTION) == WS_CAPTION) {
    shown.front = window;
  }
  return TRUE;
}

// The thread's top-level windows, front to back.
FormsShown LookAtForms(HWND entry) {
  FormsShown shown{entry};
  EnumThreadWindows(GetCurrentThreadId(), LookAtWindow, reinterpret_cast<LPARAM>(&shown));
  return shown;
}

LRESULT CALLBACK TaskbarEntryProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageA(window, kPassActivation, 0, 0);
      return 0;
    case kPassActivation:
      if (const HWND front = LookAtForms(window).front) SetForegroundWindow(front);
      return 0;
    case WM_SYSCOMMAND:
      // A click on an active button minimises its window: this one has
      // nothing to show, so it stays as it is.
      if ((wParam & 0xFFF0) == SC_MINIMIZE) return 0;
      break;
    case WM_CLOSE:
      // Closing the program's entry closes the program.
      if (Form* main = App.MainForm()) main->Close();
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void Application::Initialize(HINSTANCE instance) {
  instance_ = instance;
  // The shell's dialogs need COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                   ICC_PROGRESS_CLASS | ICC_TAB_CLASSES};
  InitCommonControlsEx(&classes);
  icon_ = LoadIconA(instance, MAKEINTRESOURCEA(1));
  if (!icon_) icon_ = LoadIconA(nullptr, IDI_APPLICATION);
  // Scaling the large picture down would blur it; the file has its own.
  smallIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (!smallIcon_) smallIcon_ = icon_;
}

std::string Application::CommandLine() const {
  return commandLineSet_ ? commandLine_ : std::string(GetCommandLineA());
}

bool Application::PreviewKey(MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: break;
    default: return false;
  }
  Form* form = Form::FromHandle(GetAncestor(msg.hwnd, GA_ROOT));
  return form && form->PreviewKey(msg);
}

void Application::Dispatch(MSG& msg) {
  // Key handlers run from here, not from a window procedure: they need a
  // guard of their own. A key whose handler failed goes no further.
  const bool consumed = Guarded([&] { return LRESULT(PreviewKey(msg) ? 1 : 0); }, 1) != 0;
  if (consumed) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

int Application::Run() {
  MSG msg;
  for (;;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      Dispatch(msg);
    }
    if (onIdle) {
      // The handler may empty or replace the slot while it runs.
      const std::function<void()> handler = onIdle;
      Guarded([&] {
        handler();
        return LRESULT(0);
      });
      continue;
    }
    WaitMessage();
  }
}

void Application::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for Run
      return;
    }
    Dispatch(msg);
  }
}

void Application::SyncTaskbarEntry() {
  const FormsShown shown = LookAtForms(taskbarEntry_);
  const bool needed = shown.owned && !shown.unowned;
  if (!needed) {
    if (taskbarEntry_ && IsWindowVisible(taskbarEntry_)) ShowWindow(taskbarEntry_, SW_HIDE);
    return;
  }
  if (!taskbarEntry_) {
    RegisterWindowClass(kTaskbarEntryClass, TaskbarEntryProc, 0, true);
    // No size and far off the screen: only its button is ever seen.
    taskbarEntry_ = CreateWindowExA(0, kTaskbarEntryClass, title_.c_str(),
                                    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, -32000,
                                    -32000, 0, 0, nullptr, nullptr, instance_, nullptr);
  }
  if (taskbarEntry_ && !IsWindowVisible(taskbarEntry_))
    ShowWindow(taskbarEntry_, SW_SHOWNOACTIVATE);
}

void Application::ApplyHintSettings(HWND tooltip) const {
  SendMessageA(tooltip, TTM_SETTIPBKCOLOR, hintColor_, 0);
  SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(hintPause_, 0));
  SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(hintHidePause_, 0));
}

void Application::SetHintColor(COLORREF color) {
  hintColor_ = color;
  for (HWND tooltip : tooltips_) ApplyHintSettings(tooltip);
}

void Application::SetHintPause(int milliseconds) {
  hintPause_ = milliseconds;
  for (HWND tooltip : tooltips_) ApplyHintSettings(tooltip);
}

void Application::SetHintHidePause(int milliseconds) {
  hintHidePause_ = milliseconds;
  for (HWND tooltip : tooltips_) ApplyHintSettings(tooltip);
}

void Application::AddTooltipWindow(HWND tooltip) {
  tooltips_.push_back(tooltip);
  ApplyHintSettings(tooltip);
}

void Application::RemoveTooltipWindow(HWND tooltip) {
  tooltips_.erase(std::remove(tooltips_.begin(), tooltips_.end(), tooltip), tooltips_.end());
}

void RegisterWindowClass(const char* className, WNDPROC procedure, UINT style, bool withIcon) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(App.Instance(), className, &wc)) return;
  wc.style = style;
  wc.lpfnWndProc = procedure;
  wc.hInstance = App.Instance();
  wc.hIcon = withIcon ? App.Icon() : nullptr;
  wc.hIconSm = withIcon ? App.SmallIcon() : nullptr;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassExA(&wc);
}

void ShowErrorBox(const std::string& text) {
  const Form* main = App.MainForm();
  MessageBoxA(main ? main->Handle() : nullptr, text.c_str(), App.Title().c_str(),
              MB_OK | MB_ICONERROR);
}

}  // namespace toolkit
