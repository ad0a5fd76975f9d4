#include "toolkit/controls.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "toolkit/application.h"
#include "toolkit/window_map.h"

namespace toolkit {

namespace {

const char kPanelClass[] = "TPanel";
const char kSpeedButtonClass[] = "TSpeedButton";
const char kBevelClass[] = "TBevel";
const char kOriginalProcProperty[] = "PlenkitOriginalProc";
// How far left of a hidden column's divider the visible one is looked for.
constexpr int kDividerReach = 16;

std::map<UINT, MenuItem*>& MenuItems() {
  static std::map<UINT, MenuItem*> items;
  return items;
}

// Panels hand their children's reports on to the form.
LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageA(GetParent(window), message, wParam, lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
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

// Puts `procedure` in front of a window's own; it passes on what it does not
// handle with CallOriginal.
void Subclass(HWND window, WNDPROC procedure) {
  const LONG_PTR original =
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  SetPropA(window, kOriginalProcProperty, reinterpret_cast<HANDLE>(original));
}

LRESULT CallOriginal(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto original = reinterpret_cast<WNDPROC>(GetPropA(window, kOriginalProcProperty));
  if (message == WM_NCDESTROY) RemovePropA(window, kOriginalProcProperty);
  return CallWindowProcW(original, window, message, wParam, lParam);
}

// The column whose divider is under `at` in a header, or -1.
int DividerAt(HWND header, POINT at) {
  HDHITTESTINFO hit{};
  hit.pt = at;
  SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN) ? hit.iItem : -1;
}

}  // namespace

Control::~Control() {
  if (handle_) WindowMap<Control>::Unbind(handle_);
}

void Control::Destroy() {
  if (!handle_) return;
  WindowMap<Control>::Unbind(handle_);
  DestroyWindow(handle_);
  handle_ = nullptr;
}

Control* Control::FromHandle(HWND window) {
  return WindowMap<Control>::Find(window);
}

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

bool CheckBox::Checked() const {
  return SendMessageA(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked) const {
  SendMessageA(handle_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

// --- SpeedButton

void SpeedButton::Create(HWND parent, const ButtonLayout& layout) {
  name = layout.name;
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
    default:
      return false;
  }
}

// --- DrawnControl

void DrawnControl::CreateDrawn(const char* className, HWND parent, const Bounds& bounds,
                               const char* text) {
  RegisterWindowClass(className, WindowProc, 0, false);
  CreateWindowOf(className, parent, 0, 0, bounds, text);
}

LRESULT CALLBACK DrawnControl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
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
    default:
      return DefWindowProcA(handle_, message, wParam, lParam);
  }
}

// --- BitBtn

BitBtn::~BitBtn() {
  if (font_) DeleteObject(font_);
}

void BitBtn::Create(HWND parent, const Bounds& bounds, const char* caption,
                    const FontLayout& font, COLORREF color) {
  color_ = color;
  font_ = CreateFontA(-font.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, font.charset,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, font.face);
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
  pending_ = 0;
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
  if (pending_ == 0) return;
  SendMessageA(handle_, PBM_DELTAPOS, pending_, 0);
  pending_ = 0;
  drawnAt_ = GetTickCount();
}

void ProgressBar::SetPosition(int position) {
  pending_ = 0;
  SendMessageA(handle_, PBM_SETPOS, position, 0);
}

void ProgressBar::StepBy(int delta) {
  // The control draws every change at once, which for a step per item of a
  // long run costs more than the item's own work. Steps wait until the bar
  // would grow by a pixel, and at least a frame (1/60 s) since the last
  // drawing: faster than that nobody sees it.
  pending_ += delta;
  const DWORD now = GetTickCount();
  if (now - drawnAt_ < 16) return;
  const int minimum = Minimum(), span = Maximum() - minimum;
  if (span <= 0) return;
  RECT area{};
  GetClientRect(handle_, &area);
  const int drawn = static_cast<int>(SendMessageA(handle_, PBM_GETPOS, 0, 0)) - minimum;
  const auto pixels = [&](long long position) {
    return position * (area.right - area.left) / span;
  };
  if (pixels(drawn + pending_) == pixels(drawn)) return;
  ShowHeldSteps();
}

// --- StatusBar

void StatusBar::Create(HWND parent, int height, const std::vector<StatusPanelLayout>& panels) {
  panels_ = panels;
  height_ = height;
  CreateWindowOf(STATUSCLASSNAMEA, parent,
                 SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0,
                 {0, 0, 0, height});
  std::vector<int> edges;
  int right = 0;
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    right += panels_[i].width;
    edges.push_back(i + 1 == panels_.size() ? -1 : right);
  }
  SendMessageA(handle_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    SetText(static_cast<int>(i), panels_[i].text ? panels_[i].text : "");
  }
}

void StatusBar::SetText(int panel, const std::string& text) const {
  // A tab before the text centres it, two right-align it.
  const std::string marked = std::string(panels_[panel].align, '\t') + text;
  SendMessageA(handle_, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(marked.c_str()));
}

std::string StatusBar::Text(int panel) const {
  // The length may count characters, not bytes: room for two bytes each.
  const LRESULT length = LOWORD(SendMessageA(handle_, SB_GETTEXTLENGTHA, panel, 0));
  std::string text(2 * length + 1, '\0');
  SendMessageA(handle_, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::strlen(text.c_str()));
  return text.substr(std::min<std::size_t>(panels_[panel].align, text.size()));
}

// --- ListView

void ListView::Create(HWND parent, const Bounds& bounds, const std::vector<ColumnLayout>& columns,
                      int hiddenColumns, DWORD extraStyle) {
  CreateWindowOf(WC_LISTVIEWA, parent, WS_TABSTOP | LVS_REPORT | extraStyle, WS_EX_CLIENTEDGE,
                 bounds);
  SendMessageA(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  virtual_ = (extraStyle & LVS_OWNERDATA) != 0;
  visibleColumns_ = static_cast<int>(columns.size());
  const int total = visibleColumns_ + hiddenColumns;
  columns_ = static_cast<std::size_t>(total);
  for (int i = 0; i < total; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    const bool visible = i < visibleColumns_;
    column.fmt = visible ? columns[i].align : LVCFMT_LEFT;
    column.cx = visible ? columns[i].width : 0;
    column.pszText = const_cast<char*>(visible ? columns[i].caption : "");
    column.iSubItem = i;
    SendMessageA(handle_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  if (hiddenColumns > 0) {
    const HWND header = reinterpret_cast<HWND>(SendMessageA(handle_, LVM_GETHEADER, 0, 0));
    Subclass(header, &ListView::HeaderProc);
  }
}

LRESULT CALLBACK ListView::HeaderProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* list = static_cast<ListView*>(FromHandle(GetParent(header)));
  if (list) {
    const int visible = list->visibleColumns_;
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        // A hidden column's divider lies just right of the last visible
        // one's: a press there resizes the visible column, as the user meant.
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        int column = DividerAt(header, at);
        if (column < visible) break;
        for (int step = 0; step < kDividerReach && column >= visible; ++step) {
          --at.x;
          column = DividerAt(header, at);
        }
        if (column < 0 || column >= visible) return 0;
        lParam = MAKELPARAM(at.x, at.y);
        break;
      }
      case HDM_SETITEMA:
      case HDM_SETITEMW: {
        // Autosizing (a double-click, Ctrl+Plus) and any other width request.
        const auto* item = reinterpret_cast<const HDITEMW*>(lParam);
        if (static_cast<int>(wParam) >= visible && item &&
            (item->mask & HDI_WIDTH) && item->cxy != 0) {
          return FALSE;
        }
        break;
      }
      default:
        break;
    }
  }
  return CallOriginal(header, message, wParam, lParam);
}

int ListView::Count() const {
  if (virtual_) return static_cast<int>(rows_.size());
  return static_cast<int>(SendMessageA(handle_, LVM_GETITEMCOUNT, 0, 0));
}

int ListView::AddRow(const std::string& caption) {
  if (virtual_) {
    rows_.emplace_back(columns_);
    rows_.back()[0] = caption;
    // While redrawing is suspended the list learns its rows when it resumes.
    if (redrawing_) SyncCount();
    return static_cast<int>(rows_.size()) - 1;
  }
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = Count();
  item.pszText = const_cast<char*>(caption.c_str());
  return static_cast<int>(SendMessageA(handle_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::SetText(int row, int column, const std::string& text) {
  if (virtual_) {
    rows_.at(row).at(column) = text;
    if (redrawing_) SendMessageA(handle_, LVM_REDRAWITEMS, row, row);
    return;
  }
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(handle_, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

std::string ListView::Text(int row, int column) const {
  if (virtual_) return StoredText(row, column);
  std::string text(260, '\0');
  for (;;) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const int length = static_cast<int>(
        SendMessageA(handle_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
    if (length < static_cast<int>(text.size()) - 1) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

void ListView::DeleteRow(int row) {
  if (virtual_) rows_.erase(rows_.begin() + row);
  SendMessageA(handle_, LVM_DELETEITEM, row, 0);
}

void ListView::Clear() {
  rows_.clear();
  SendMessageA(handle_, LVM_DELETEALLITEMS, 0, 0);
}

const std::string& ListView::StoredText(int row, int column) const {
  // Anyone may ask the list for any row and sub-item: what it does not
  // hold is empty, as the list's own rows would answer.
  static const std::string none;
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 ||
      static_cast<std::size_t>(column) >= columns_) {
    return none;
  }
  return rows_[row][column];
}

void ListView::GiveText(NMHDR& header) const {
  // The list asks for the texts of the rows it draws or is asked for.
  if (header.code == LVN_GETDISPINFOA) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA&>(header).item;
    if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0) return;
    const std::string& text = StoredText(item.iItem, item.iSubItem);
    lstrcpynA(item.pszText, text.c_str(), item.cchTextMax);
  } else {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
    if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0) return;
    const std::string& text = StoredText(item.iItem, item.iSubItem);
    const int written = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, item.pszText,
                                            item.cchTextMax);
    if (written == 0) item.pszText[item.cchTextMax - 1] = L'\0';
  }
}

int ListView::FindRow(NMHDR& header) const {
  // Typing in the list: the next row from the start given whose caption
  // begins with the letters typed, letter case ignored, going round to the
  // top when the list asks for it.
  const auto& find = reinterpret_cast<NMLVFINDITEMA&>(header);
  const UINT flags = find.lvfi.flags;
  if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
  std::string typed;
  if (header.code == LVN_ODFINDITEMA) {
    typed = find.lvfi.psz;
  } else {
    const auto* wide = reinterpret_cast<const wchar_t*>(find.lvfi.psz);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return -1;
    typed.resize(bytes - 1);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, typed.data(), bytes, nullptr, nullptr);
  }
  if (typed.empty()) return -1;
  const int count = static_cast<int>(rows_.size());
  const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
  const int span = flags & LVFI_WRAP ? count : count - start;
  const bool partial = flags & LVFI_PARTIAL;
  for (int step = 0; step < span; ++step) {
    const int row = (start + step) % count;
    const std::string& caption = rows_[row][0];
    if (partial && caption.size() < typed.size()) continue;
    const int length = static_cast<int>(partial ? typed.size() : caption.size());
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.data(), length,
                       typed.data(), static_cast<int>(typed.size())) == CSTR_EQUAL) {
      return row;
    }
  }
  return -1;
}

bool ListView::Selected(int row) const {
  return SendMessageA(handle_, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
}

void ListView::SetSelected(int row, bool selected) const {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = selected ? LVIS_SELECTED : 0;
  SendMessageA(handle_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int ListView::SelectedCount() const {
  return static_cast<int>(SendMessageA(handle_, LVM_GETSELECTEDCOUNT, 0, 0));
}

int ListView::FirstSelected() const {
  return static_cast<int>(SendMessageA(handle_, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

void ListView::SelectAll() const { SetSelected(-1, true); }

int ListView::ColumnWidth(int column) const {
  return static_cast<int>(SendMessageA(handle_, LVM_GETCOLUMNWIDTH, column, 0));
}

void ListView::SetColumnWidth(int column, int width) const {
  SendMessageA(handle_, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

void ListView::SetViewStyle(DWORD view) const {
  const LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
  SetWindowLongPtrA(handle_, GWL_STYLE, (style & ~LVS_TYPEMASK) | view);
}

void ListView::SyncCount() const {
  SendMessageA(handle_, LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void ListView::SetRedraw(bool redraw) {
  redrawing_ = redraw;
  if (redraw && virtual_) SyncCount();
  SendMessageA(handle_, WM_SETREDRAW, redraw, 0);
  if (redraw) InvalidateRect(handle_, nullptr, TRUE);
}

bool ListView::Notify(NMHDR& header, LRESULT& result) {
  switch (header.code) {
    case NM_DBLCLK:
      if (onDblClick) onDblClick(*this);
      return true;
    case LVN_DELETEITEM:
      if (onDeleteRow) onDeleteRow(*this, reinterpret_cast<NMLISTVIEW&>(header).iItem);
      return true;
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW:
      if (virtual_) GiveText(header);
      return virtual_;
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
      if (virtual_) result = FindRow(header);
      return virtual_;
    default:
      return false;
  }
}

// --- Menus

MenuItem* FindMenuItem(UINT id) {
  const auto found = MenuItems().find(id);
  return found == MenuItems().end() ? nullptr : found->second;
}

MenuItem::~MenuItem() {
  const auto found = MenuItems().find(id);
  if (found != MenuItems().end() && found->second == this) MenuItems().erase(found);
}

std::string MenuItem::Caption() const {
  char caption[128] = {};
  GetMenuStringA(menu_, id, caption, sizeof caption, MF_BYCOMMAND);
  return caption;
}

void MenuItem::SetCaption(const std::string& caption) const {
  ModifyMenuA(menu_, id, MF_BYCOMMAND | MF_STRING, id, caption.c_str());
}

bool MenuItem::Checked() const {
  return GetMenuState(menu_, id, MF_BYCOMMAND) & MF_CHECKED;
}

void MenuItem::SetChecked(bool checked) const {
  if (checked && radioItem) {
    for (int i = 0, n = GetMenuItemCount(menu_); i < n; ++i) {
      const MenuItem* other = FindMenuItem(GetMenuItemID(menu_, i));
      if (other && other->radioItem) CheckMenuItem(menu_, other->id, MF_BYCOMMAND | MF_UNCHECKED);
    }
  }
  CheckMenuItem(menu_, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void AttachMenuItem(MenuItem& item, HMENU menu, const MenuItemLayout& layout) {
  static UINT nextId = 0x1000;
  item.name = layout.name;
  item.tag = layout.tag;
  item.id = nextId++;
  item.menu_ = menu;
  MenuItems()[item.id] = &item;
}

void DetachMenuItem(UINT id) { MenuItems().erase(id); }

PopupMenu::~PopupMenu() {
  for (UINT id : ids_) DetachMenuItem(id);
  if (menu_) DestroyMenu(menu_);
}

void PopupMenu::Create(std::initializer_list<MenuItem*> items, const MenuItemLayout* layouts) {
  menu_ = CreatePopupMenu();
  for (MenuItem* item : items) {
    AttachMenuItem(*item, menu_, *layouts);
    AppendMenuA(menu_, MF_STRING, item->id, layouts->caption);
    ids_.push_back(item->id);
    ++layouts;
  }
}

void PopupMenu::Popup(HWND owner, POINT at) {
  if (onPopup) onPopup(*this);
  TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner,
                 nullptr);
  // Lets the owner's next message close the menu's loop cleanly; without it
  // a menu opened from the notification area may show again only every
  // other time.
  PostMessageA(owner, WM_NULL, 0, 0);
}

}  // namespace toolkit
