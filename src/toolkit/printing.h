// One print job on a printer: its drawing font, its pages, and what becomes
// of it when the print service fails.
#pragma once
#include <windows.h>

#include <string>

namespace toolkit {

class PrintJob {
 public:
  // Takes the printer's device context and deletes it at the end.
  explicit PrintJob(HDC printer);
  // A job that was begun and not ended, because the print service failed
  // or an error left the printing early, is abandoned: the pages drawn so
  // far are not printed.
  ~PrintJob();
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  // The drawing font: `screenFont` keeps its size in points and takes the
  // printer's resolution; the text is drawn in `color`.
  void SetFont(const LOGFONTA& screenFont, COLORREF color);
  // The character height of the drawing font, in printer pixels.
  int FontHeight() const { return fontHeight_; }
  // The printable area's height, in printer pixels.
  int PageHeight() const;
  HDC Canvas() const { return dc_; }

  // Begins the job, titled `title`, and its first page.
  void Begin(const std::string& title);
  void NewPage();
  // Ends the last page and the job.
  void End();

 private:
  void SelectDrawing() const;

  HDC dc_;
  HFONT font_ = nullptr;
  COLORREF color_ = RGB(0, 0, 0);
  int fontHeight_ = 0;
  bool printing_ = false;
};

}  // namespace toolkit
