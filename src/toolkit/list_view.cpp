#include "toolkit/list_view.h"

#include <algorithm>
#include <stdexcept>

namespace toolkit {

namespace {

// How far left of a hidden column's divider the visible one is looked for.
constexpr int kDividerReach = 16;

// The column whose divider is under `at` in a header, or -1.
int DividerAt(HWND header, POINT at) {
  HDHITTESTINFO hit{};
  hit.pt = at;
  SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  return hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN) ? hit.iItem : -1;
}

}  // namespace

void ListView::Create(HWND parent, const Bounds& bounds, const std::vector<ColumnLayout>& columns,
                      int hiddenColumns, DWORD extraStyle) {
  CreateWindowOf(WC_LISTVIEWA, parent, WS_TABSTOP | LVS_REPORT | extraStyle, WS_EX_CLIENTEDGE,
                 bounds);
  SendMessageA(handle_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  virtual_ = (extraStyle & LVS_OWNERDATA) != 0;
  visibleColumns_ = static_cast<int>(columns.size());
  const int total = visibleColumns_ + hiddenColumns;
  columns_ = static_cast<std::size_t>(total);
  // Each column put in while the list draws lays out its header and scroll
  // bars anew: the list waits for all of them.
  SetRedraw(false);
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
  SetRedraw(true);
  if (hiddenColumns > 0) {
    // The list makes its header a Unicode window: put in with the W calls,
    // its messages reach its own procedure as they are, where the A calls
    // would have each one with a text or a structure converted on the way.
    const HWND header = reinterpret_cast<HWND>(SendMessageA(handle_, LVM_GETHEADER, 0, 0));
    header_.Attach(header, &ListView::HeaderProc, true);
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
        if (static_cast<int>(wParam) >= visible && item && (item->mask & HDI_WIDTH) &&
            item->cxy != 0) {
          return FALSE;
        }
        break;
      }
      default: break;
    }
  }
  return list ? list->header_.CallOriginal(header, message, wParam, lParam)
              : Subclass::CallClass(header, message, wParam, lParam, true);
}

int ListView::Count() const {
  if (virtual_) return static_cast<int>(RowCount());
  return static_cast<int>(SendMessageA(handle_, LVM_GETITEMCOUNT, 0, 0));
}

int ListView::AddRow(std::string caption) {
  if (virtual_) {
    cells_.resize(cells_.size() + columns_);
    cells_[cells_.size() - columns_] = std::move(caption);
    // While redrawing is suspended the list learns its rows when it resumes.
    if (redrawing_) SyncCount();
    return static_cast<int>(RowCount()) - 1;
  }
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = Count();
  item.pszText = const_cast<char*>(caption.c_str());
  return static_cast<int>(
      SendMessageA(handle_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::ReserveRows(int rows) {
  if (virtual_ && rows > 0) cells_.reserve(static_cast<std::size_t>(rows) * columns_);
}

void ListView::SetText(int row, int column, std::string text) {
  if (virtual_) {
    if (row < 0 || static_cast<std::size_t>(row) >= RowCount() || column < 0 ||
        static_cast<std::size_t>(column) >= columns_) {
      throw std::out_of_range("ListView::SetText");
    }
    cells_[static_cast<std::size_t>(row) * columns_ + column] = std::move(text);
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
  if (virtual_) {
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(row * columns_);
    cells_.erase(first, first + static_cast<std::ptrdiff_t>(columns_));
  }
  SendMessageA(handle_, LVM_DELETEITEM, row, 0);
}

void ListView::Clear() {
  cells_.clear();
  SendMessageA(handle_, LVM_DELETEALLITEMS, 0, 0);
}

const std::string& ListView::StoredText(int row, int column) const {
  // Anyone may ask the list for any row and sub-item: what it does not
  // hold is empty, as the list's own rows would answer.
  static const std::string none;
  if (row < 0 || static_cast<std::size_t>(row) >= RowCount() || column < 0 ||
      static_cast<std::size_t>(column) >= columns_) {
    return none;
  }
  return cells_[static_cast<std::size_t>(row) * columns_ + column];
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
    const int written =
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, item.pszText, item.cchTextMax);
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
  const int count = static_cast<int>(RowCount());
  const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
  const int span = flags & LVFI_WRAP ? count : count - start;
  const bool partial = flags & LVFI_PARTIAL;
  for (int step = 0; step < span; ++step) {
    const int row = (start + step) % count;
    const std::string& caption = cells_[static_cast<std::size_t>(row) * columns_];
    if (partial && caption.size() < typed.size()) continue;
    const int length = static_cast<int>(partial ? typed.size() : caption.size());
    if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.data(), length, typed.data(),
                       static_cast<int>(typed.size())) == CSTR_EQUAL) {
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
  SendMessageA(handle_, LVM_SETITEMCOUNT, RowCount(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
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
    default: return false;
  }
}

}  // namespace toolkit
