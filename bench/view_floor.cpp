#include "view_floor.h"

#include <iterator>

#include "../resources/view_layout.h"
#include "archiver/entry_row.h"
#include "toolkit/application.h"
#include "toolkit/locale_facts.h"

namespace {

const char kFloorClass[] = "FloorWindow";

}  // namespace

FloorWindow::FloorWindow(HWND owner) {
  namespace L = view_layout;
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExA(instance, kFloorClass, &wc)) {
    wc.lpfnWndProc = &FloorWindow::WindowProc;
    wc.hInstance = instance;
    // The program's icons: the frame is drawn as the contents window's is.
    wc.hIcon = toolkit::App.Icon();
    wc.hIconSm = toolkit::App.SmallIcon();
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFloorClass;
    RegisterClassExA(&wc);
  }
  RECT place{};
  GetWindowRect(owner, &place);
  CreateWindowExA(0, kFloorClass, L::Form.caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                  place.left, place.top, L::Form.width, L::Form.height, owner, nullptr, instance,
                  this);
  font_ = toolkit::CreateFontOf(L::Form.font);

  // Where the contents window's list sits: under its buttons, over its
  // status bar, so that both show as many rows.
  RECT client{};
  GetClientRect(window_, &client);
  const int top = L::Panel1.height;
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA, 0, top,
                          client.right, client.bottom - top - L::SBHeight, window_, nullptr,
                          instance, nullptr);
  SendMessageA(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  int index = 0;
  for (const toolkit::ColumnLayout& layout : L::Columns) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = layout.align;
    column.cx = layout.width;
    column.pszText = const_cast<char*>(layout.caption);
    column.iSubItem = index;
    SendMessageA(list_, LVM_INSERTCOLUMNA, index++, reinterpret_cast<LPARAM>(&column));
  }
}

FloorWindow::~FloorWindow() {
  if (window_) DestroyWindow(window_);
  DeleteObject(font_);
}

int FloorWindow::ListEntries(plenkit::ArchiverSet& archivers, const std::string& path) {
  constexpr std::size_t columns = std::size(view_layout::Columns);
  cells_.clear();
  if (!archivers.SelectKind(path)) return 0;
  if (const plenkit::HARC archive = archivers.OpenArchive(path)) {
    const char decimal = toolkit::UserLocale().decimal;
    plenkit::ArchiveEntryInfo info;
    for (int result = archivers.FindFirstEntry(archive, info); result == 0;
         result = archivers.FindNextEntry(archive, info)) {
      // The contents window lists no entry without month and day either.
      if (info.month == 0 && info.day == 0) continue;
      plenkit::EntryRowTexts texts = plenkit::RowTexts(info, decimal);
      cells_.push_back(info.name);
      cells_.push_back(std::move(texts.original));
      cells_.push_back(std::move(texts.compressed));
      cells_.push_back(std::move(texts.ratio));
      cells_.push_back(std::move(texts.date));
    }
    archivers.CloseArchive(archive);
  }
  const std::size_t rows = cells_.size() / columns;
  SendMessageA(list_, LVM_SETITEMCOUNT, rows, 0);
  return static_cast<int>(rows);
}

void FloorWindow::GiveText(NMLVDISPINFOA& info) const {
  constexpr std::size_t columns = std::size(view_layout::Columns);
  LVITEMA& item = info.item;
  if (!(item.mask & LVIF_TEXT) || item.cchTextMax <= 0) return;
  const std::size_t row = static_cast<std::size_t>(item.iItem);
  const std::size_t column = static_cast<std::size_t>(item.iSubItem);
  const bool held = item.iItem >= 0 && row < cells_.size() / columns && column < columns;
  lstrcpynA(item.pszText, held ? cells_[row * columns + column].c_str() : "", item.cchTextMax);
}

LRESULT CALLBACK FloorWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* floor =
        static_cast<FloorWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    floor->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(floor));
  }
  auto* floor = reinterpret_cast<FloorWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (floor && message == WM_NOTIFY) {
    // An ANSI window: its list asks in ANSI.
    auto& header = *reinterpret_cast<NMHDR*>(lParam);
    if (header.hwndFrom == floor->list_ && header.code == LVN_GETDISPINFOA) {
      floor->GiveText(reinterpret_cast<NMLVDISPINFOA&>(header));
      return 0;
    }
  }
  if (floor && message == WM_NCDESTROY) floor->window_ = floor->list_ = nullptr;
  return DefWindowProcA(window, message, wParam, lParam);
}
