// The floor of the contents window: the least a window can do to show one
// archive's entries as that window shows them. One top-level window of the
// same size and font, one virtual list of the same columns and size, the
// same row texts, filled by one walk through the archiver layer; no
// toolkit, no buttons, no status bar, no progress bar, no totals. Wine's
// own costs (making a window, drawing its frame and scroll bars) it pays as
// the contents window does, so what the contents window takes beyond it is
// ours.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "archiver/archiver_set.h"

class FloorWindow {
 public:
  // Made hidden, at `owner`'s place and owned by it, as the contents window is.
  explicit FloorWindow(HWND owner);
  ~FloorWindow();
  FloorWindow(const FloorWindow&) = delete;
  FloorWindow& operator=(const FloorWindow&) = delete;

  HWND Handle() const { return window_; }
  HWND List() const { return list_; }
  void Show() const { ShowWindow(window_, SW_SHOW); }
  // Walks `path` and shows its entries; answers the rows.
  int ListEntries(plenkit::ArchiverSet& archivers, const std::string& path);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void GiveText(NMLVDISPINFOA& info) const;

  HWND window_ = nullptr;
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
  // Each row's texts side by side, as many as there are columns.
  std::vector<std::string> cells_;
};
