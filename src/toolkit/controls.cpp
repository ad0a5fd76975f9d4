#include "toolkit/controls.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "toolkit/application.h"
#include "toolkit/window_map.h"

namespace toolkit {

namespace {

const char kPanelClass[] = "TPanel";
const char kSpeedButtonClass[] = "TSpeedButton";
const char kBevelClass[] = "TBevel";

// Panels hand their children's reports on to the form.
LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY: return SendMessageA(GetParent(window), message, wParam, lParam);
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

// A bevel is an etched vertical line: shadow, then highlight.
LRESULT CALLBACK BevelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(window, message, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &r, EDGE_ETCHED, BF_LEFT);
  EndPaint(window, &ps);
  return 0;
}

}  // namespace

void Subclass::Attach(HWND window, WNDPROC procedure, bool unicode) {
  unicode_ = unicode;
  const auto replaced = reinterpret_cast<LONG_PTR>(procedure);
  original_ =
      reinterpret_cast<WNDPROC>(unicode ? SetWindowLongPtrW(window, GWLP_WNDPROC, replaced)
                                        : SetWindowLongPtrA(window, GWLP_WNDPROC, replaced));
}

LRESULT Subclass::CallOriginal(HWND window, UINT message, WPARAM wParam, LPARAM lParam) const {
  if (!original_) return CallClass(window, message, wParam, lParam, unicode_);
  return unicode_ ? CallWindowProcW(original_, window, message, wParam, lParam)
                  : CallWindowProcA(original_, window, message, wParam, lParam);
}

LRESULT Subclass::CallClass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool unicode) {
  if (unicode) {
    return CallWindowProcW(reinterpret_cast<WNDPROC>(GetClassLongPtrW(window, GCLP_WNDPROC)),
                           window, message, wParam, lParam);
  }
  return CallWindowProcA(reinterpret_cast<WNDPROC>(GetClassLongPtrA(window, GCLP_WNDPROC)), window,
                         message, wParam, lParam);
}

Control::~Control() {
  if (handle_) WindowMap<Control>::Unbind(handle_);
}

void Control::Destroy() {
  if (!handle_) return;
  WindowMap<Control>::Unbind(handle_);
  DestroyWindow(handle_);
  handle_ = nullptr;
}

Control* Control::FromHandle(HWND window) { return WindowMap<Control>::Find(window); }

void Control::CreateWindowOf(const char* windowClass, HWND parent, DWORD style, DWORD exStyle,
                             const Bounds& b, const char* text) {
  handle_ = CreateWindowExA(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, b.left,
                            b.top, b.width, b.height, parent, nullptr, App.Instance(), nullptr);
  WindowMap<Control>::Bind(handle_, this);
}

void Control::SetBounds(int left, int top, int width, int height) const {
  MoveWindow(handle_, left, top, width, height, TRUE);
}

void Panel::Create(HWND parent, const Bounds& bounds) {
  RegisterWindowClass(kPanelClass, PanelProc, 0, false);
  // Its controls take part in the form's tab order.
  CreateWindowOf(kPanelClass, parent, WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, bounds);
}

void Bevel::Create(HWND parent, const Bounds& bounds) {
  RegisterWindowClass(kBevelClass, BevelProc, 0, false);
  CreateWindowOf(kBevelClass, parent, 0, 0, bounds);
}

void CheckBox::Create(HWND parent, const Bounds& bounds, const char* caption) {
  CreateWindowOf("BUTTON", parent, BS_AUTOCHECKBOX | WS_TABSTOP, 0, bounds, caption);
}

bool CheckBox::Checked() const { return SendMessageA(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void CheckBox::SetChecked(bool checked) const {
  SendMessageA(handle_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// --- SpeedButton

void SpeedButton::Create(HWND parent, const ButtonLayout& layout) {
  tag = layout.tag;
  CreateDrawn(kSpeedButtonClass, parent, layout.bounds);
  glyph_ = static_cast<HBITMAP>(LoadImageA(App.Instance(), MAKEINTRESOURCEA(layout.glyph),
                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void SpeedButton::Paint(HDC dc) const {
  RECT r;
  GetClientRect(handle_, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  const bool enabled = IsWindowEnabled(handle_);
  if (enabled && (hot_ || pressed_)) {
    DrawEdge(dc, &r, pressed_ && hot_ ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
  if (!glyph_) return;
  // The strip holds the normal picture, then the greyed one; magenta is
  // the transparent colour.
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, glyph_);
  const int shift = pressed_ && hot_ ? 1 : 0;
  const int x = (r.right - 16) / 2 + shift, y = (r.bottom - 16) / 2 + shift;
  TransparentBlt(dc, x, y, 16, 16, source, enabled ? 0 : 16, 0, 16, 16, RGB(255, 0, 255));
  SelectObject(source, old);
  DeleteDC(source);
}

bool SpeedButton::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  switch (message) {
    case WM_ENABLE:
      InvalidateRect(handle_, nullptr, FALSE);
      result = 0;
      return true;
    case WM_DESTROY:
      if (glyph_) DeleteObject(glyph_);
      glyph_ = nullptr;
      return false;
    default: return false;
  }
}

// --- DrawnControl

void DrawnControl::CreateDrawn(const char* className, HWND parent, const Bounds& bounds,
                               const char* text) {
  RegisterWindowClass(className, WindowProc, 0, false);
  CreateWindowOf(className, parent, 0, 0, bounds, text);
}

LRESULT CALLBACK DrawnControl::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<DrawnControl*>(FromHandle(window));
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  return Guarded([&] { return self->HandleMessage(message, wParam, lParam); });
}

LRESULT DrawnControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(handle_, &ps);
      Paint(dc);
      EndPaint(handle_, &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (!hot_) {
        hot_ = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, handle_, 0};
        TrackMouseEvent(&track);
        HotChanged();
      }
      return 0;
    case WM_MOUSELEAVE:
      hot_ = false;
      HotChanged();
      return 0;
    case WM_LBUTTONDOWN:
      pressed_ = true;
      SetCapture(handle_);
      PressChanged();
      return 0;
    case WM_LBUTTONUP: {
      const bool click = pressed_;
      pressed_ = false;
      if (GetCapture() == handle_) ReleaseCapture();
      POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT r;
      GetClientRect(handle_, &r);
      PressChanged();
      if (click && PtInRect(&r, at)) {
        SendMessageA(GetParent(handle_), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                     reinterpret_cast<LPARAM>(handle_));
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      pressed_ = false;
      PressChanged();
      return 0;
    default: return DefWindowProcA(handle_, message, wParam, lParam);
  }
}

// --- BitBtn

BitBtn::~BitBtn() {
  if (font_) DeleteObject(font_);
}

void BitBtn::Create(HWND parent, const Bounds& bounds, const char* caption, const FontLayout& font,
                    COLORREF color) {
  color_ = color;
  font_ = CreateFontOf(font);
  CreateWindowOf("BUTTON", parent, BS_PUSHBUTTON | BS_OWNERDRAW | WS_TABSTOP, 0, bounds, caption);
}

bool BitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  const bool pushed = item.itemState & ODS_SELECTED;
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  char caption[64] = {};
  GetWindowTextA(handle_, caption, sizeof caption);
  RECT text = r;
  if (pushed) OffsetRect(&text, 1, 1);
  const HGDIOBJ old = SelectObject(item.hDC, font_);
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, item.itemState & ODS_DISABLED ? GetSysColor(COLOR_GRAYTEXT) : color_);
  DrawTextA(item.hDC, caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(item.hDC, old);
  if (item.itemState & ODS_FOCUS) {
    InflateRect(&r, -3, -3);
    DrawFocusRect(item.hDC, &r);
  }
  return true;
}

// --- ProgressBar

void ProgressBar::Create(HWND parent, const Bounds& bounds, bool smooth) {
  CreateWindowOf(PROGRESS_CLASSA, parent, smooth ? PBS_SMOOTH : 0, 0, bounds);
}

void ProgressBar::SetRange(int minimum, int maximum) {
  pending_ = growsAt_ = 0;
  SendMessageA(handle_, PBM_SETRANGE32, minimum, maximum);
}

int ProgressBar::Minimum() const {
  return static_cast<int>(SendMessageA(handle_, PBM_GETRANGE, TRUE, 0));
}

int ProgressBar::Maximum() const {
  return static_cast<int>(SendMessageA(handle_, PBM_GETRANGE, FALSE, 0));
}

int ProgressBar::Position() const {
  return static_cast<int>(SendMessageA(handle_, PBM_GETPOS, 0, 0));
}

void ProgressBar::ShowHeldSteps() {
  growsAt_ = 0;
  if (pending_ == 0) return;
  SendMessageA(handle_, PBM_DELTAPOS, pending_, 0);
  pending_ = 0;
  drawnAt_ = GetTickCount();
}

void ProgressBar::SetPosition(int position) {
  pending_ = growsAt_ = 0;
  SendMessageA(handle_, PBM_SETPOS, position, 0);
}

void ProgressBar::StepBy(int delta) {
  // The control draws every change at once, which for a step per item of a
  // long run costs more than the item's own work. Steps wait until the bar
  // would grow by a pixel, and at least a frame (1/60 s) since the last
  // drawing: faster than that nobody sees it. The steps to the next pixel
  // are reckoned once, so that a step short of it asks the control nothing.
  pending_ += delta;
  if (pending_ < growsAt_) return;
  const DWORD now = GetTickCount();
  if (now - drawnAt_ < 16) return;
  const int minimum = Minimum();
  const long long span = static_cast<long long>(Maximum()) - minimum;
  RECT area{};
  GetClientRect(handle_, &area);
  const long long width = area.right - area.left;
  if (span <= 0 || width <= 0) return;
  const long long drawn = static_cast<long long>(Position()) - minimum;
  // Pixels filled at a position: position * width / span, rounded down.
  const long long nextPixel = drawn * width / span + 1;
  const long long reached = (nextPixel * span + width - 1) / width;
  if (drawn + pending_ < reached) {
    growsAt_ = static_cast<int>(std::min<long long>(reached - drawn, INT_MAX));
    return;
  }
  ShowHeldSteps();
}

// --- StatusBar

void StatusBar::Create(HWND parent, int height, const std::vector<StatusPanelLayout>& panels) {
  panels_ = panels;
  height_ = height;
  CreateWindowOf(STATUSCLASSNAMEA, parent,
                 SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0,
                 {0, 0, 0, height});
  widths_.clear();
  for (const StatusPanelLayout& panel : panels_) widths_.push_back(panel.width);
  SetParts();
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    SetText(static_cast<int>(i), panels_[i].text ? panels_[i].text : "");
  }
}

void StatusBar::SetParts() const {
  std::vector<int> edges;
  int right = 0;
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    right += widths_[i];
    edges.push_back(i + 1 == widths_.size() ? -1 : right);
  }
  SendMessageA(handle_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void StatusBar::Fit(int panel, const std::string& text) const {
  // A panel keeps its width while its text fits, and widens for one that
  // does not (a count of five digits in a panel made for four), pushing
  // the panels after it along: a clipped number reads as another.
  if (static_cast<std::size_t>(panel) + 1 >= widths_.size()) return;  // the last reaches the edge
  int needed = panels_[panel].width;
  if (!text.empty()) {
    HDC dc = GetDC(handle_);
    const HGDIOBJ font =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(handle_, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, font);
    ReleaseDC(handle_, dc);
    int borders[3] = {};
    SendMessageA(handle_, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    needed = std::max(needed, static_cast<int>(extent.cx) + 2 * borders[0] + kPanelMargin);
  }
  if (needed == widths_[panel]) return;
  widths_[panel] = needed;
  SetParts();
}

void StatusBar::SetText(int panel, const std::string& text) const {
  Fit(panel, text);
  // A tab before the text centres it, two right-align it.
  const std::string marked = std::string(panels_[panel].align, '\t') + text;
  SendMessageA(handle_, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(marked.c_str()));
}

void StatusBar::SetTexts(const std::vector<std::string>& texts) const {
  // The control draws itself at once after each text it is given, which
  // for a few texts in a row costs more than the rest of setting them.
  // With drawing suspended the bar is drawn once, with all of them. A bar
  // that is hidden is drawn by no text and must not be shown by this.
  const bool shown = GetWindowLongPtrA(handle_, GWL_STYLE) & WS_VISIBLE;
  if (shown) SendMessageA(handle_, WM_SETREDRAW, FALSE, 0);
  for (std::size_t i = 0; i < texts.size(); ++i) SetText(static_cast<int>(i), texts[i]);
  if (!shown) return;
  SendMessageA(handle_, WM_SETREDRAW, TRUE, 0);
  // Suspending drew off what was waiting to be drawn, the bar's and its
  // children's alike: all of it is drawn anew.
  RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

std::string StatusBar::Text(int panel) const {
  // The length may count characters, not bytes: room for two bytes each.
  const LRESULT length = LOWORD(SendMessageA(handle_, SB_GETTEXTLENGTHA, panel, 0));
  std::string text(2 * length + 1, '\0');
  SendMessageA(handle_, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::strlen(text.c_str()));
  return text.substr(std::min<std::size_t>(panels_[panel].align, text.size()));
}

}  // namespace toolkit
