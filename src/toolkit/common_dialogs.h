// The system's font and print dialogs.
#pragma once
#include <windows.h>

#include "toolkit/component.h"

namespace toolkit {

// Screen and printer fonts, with effects (underline, strike-out, colour)
// and no size limits.
class FontDialog : public Component {
 public:
  // The font shown when the dialog opens; the user's choice once confirmed.
  LOGFONTA font{};
  COLORREF color = RGB(0, 0, 0);

  // True when the user confirmed.
  bool Execute(HWND owner);
};

// The default printer's device context to draw on (`forDrawing`) or its
// information context, for its fonts; null when there is no printer. The
// caller deletes it.
HDC DefaultPrinter(bool forDrawing);

// Chooses the printer and its settings, and keeps them for the next
// opening and for printing.
class PrintDialog : public Component {
 public:
  PrintDialog() = default;
  ~PrintDialog();
  PrintDialog(const PrintDialog&) = delete;
  PrintDialog& operator=(const PrintDialog&) = delete;

  // True when the user confirmed; false when cancelled. A dialog that
  // cannot open (no printer) is an error.
  bool Execute(HWND owner);
  // A device context of the chosen printer with the chosen settings; the
  // caller deletes it. An error when there is none.
  HDC CreatePrinterDC() const;

 private:
  HGLOBAL devMode_ = nullptr;
  HGLOBAL devNames_ = nullptr;
};

}  // namespace toolkit
