// The report-style list the main and contents windows show.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/controls.h"

namespace toolkit {

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
  int AddRow(std::string caption);  // appended; answers its index
  // Room for `rows` rows in all, made ahead of a listing of known length so
  // that an owner-data list does not move its texts as it grows.
  void ReserveRows(int rows);
  void SetText(int row, int column, std::string text);
  std::string Text(int row, int column) const;
  // An owner-data list's text where it is kept, without a copy (empty for
  // a row or column it does not hold).
  const std::string& StoredText(int row, int column) const;
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
  void GiveText(NMHDR& header) const;
  // The row a search of the list asks for, or -1.
  int FindRow(NMHDR& header) const;
  void SyncCount() const;
  Subclass header_;
  bool redrawing_ = true;
  int visibleColumns_ = 0;
  std::size_t columns_ = 0;
  bool virtual_ = false;
  std::size_t RowCount() const { return columns_ == 0 ? 0 : cells_.size() / columns_; }
  // With LVS_OWNERDATA only: the texts row after row, each row's columns
  // side by side, so a long listing makes no allocation of its own per row.
  std::vector<std::string> cells_;
};

}  // namespace toolkit
