// Reading back what the tests print. The default printer is CUPS's PDF
// printer, which writes each job to ~/PDF under a name made from the job's
// title; pdfinfo and pdftoppm read it on the host (win/host_bridge.h).
#pragma once
#include <string>

namespace print_support {

// The job titled `title` (letters, digits and "-") once the printer is done
// with it: its page count (0 when none came) and its first page as a grey
// picture at 100 dots per inch, also saved as <build>\screenshots\<png>.png
// when `png` is given. The PDF is removed.
struct PrintedJob {
  int pages = 0;
  int width = 0, height = 0;
  std::string gray;  // a byte a pixel, rows from the top
  bool Dark(int x, int y) const { return static_cast<unsigned char>(gray[y * width + x]) < 128; }
};
PrintedJob TakePrintedJob(const std::string& title, const std::string& png = "");
// Whether there is a PDF of a job titled `title` now.
bool PrintedJobExists(const std::string& title);

}  // namespace print_support
