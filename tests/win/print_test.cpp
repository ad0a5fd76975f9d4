// Printing the viewer's text to the PDF printer, and reading the PDF back.
#include <gtest/gtest.h>

#include "toolkit/common_dialogs.h"

#include <algorithm>

#include "toolkit/printing.h"
#include "win/print_support.h"
#include "win/viewer_fixture.h"

using namespace window_support;
using testing_support::ChildTexts;
using namespace print_support;

namespace {

class Printing : public ViewerFixture {
 protected:
  void SetUp() override {
    ViewerFixture::SetUp();
    const HDC printer = toolkit::DefaultPrinter(true);
    dpiX = GetDeviceCaps(printer, LOGPIXELSX);
    dpiY = GetDeviceCaps(printer, LOGPIXELSY);
    pageHeight = GetDeviceCaps(printer, VERTRES);
    offsetY = GetDeviceCaps(printer, PHYSICALOFFSETY);
    DeleteDC(printer);
    const HDC screen = GetDC(nullptr);
    screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }

  // A job title of this run's own, which also names its PDF.
  static std::string Title(const std::string& what) {
    static int jobs = 0;
    return what + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++jobs);
  }

  // On paper a screen font `pixels` high keeps its size in whole points.
  int PrintedHeight(int pixels) const { return MulDiv(MulDiv(pixels, 72, screenDpi), dpiY, 72); }

  // A line goes on a page while its lower edge stays above the printable
  // height; a job has one page at the least.
  int PagesFor(int lines, int h) const {
    const int perPage = std::max(1, (pageHeight - 1) / h);
    return std::max(1, (lines + perPage - 1) / perPage);
  }

  // " 印刷 ", then OK in the print dialog.
  void PrintConfirmed() {
    DialogDriver dialog({{IDOK}});
    Click(Look->MM3);
    ASSERT_NE(dialog.Dialog(), nullptr);
  }

  int dpiX = 0, dpiY = 0, pageHeight = 0, offsetY = 0, screenDpi = 96;
};

}  // namespace

TEST_F(Printing, PagesFollowThePrintersMetrics) {
  const int perPage = (pageHeight - 1) / PrintedHeight(16);
  ASSERT_GT(perPage, 1);
  // A screen font whose printed lines are half the printable height or more.
  const int bigPixels = MulDiv((pageHeight * 72 / (2 * dpiY) / 3 + 1) * 3, screenDpi, 72);
  ASSERT_GE(2 * PrintedHeight(bigPixels), pageHeight);
  const struct {
    const char* what;
    int lines, pixels;
    bool deleted;
  } cases[] = {
      {"two pages filled to the last line", 2 * perPage, 16, false},
      {"one line more", 2 * perPage + 1, 16, false},
      {"lines of half the page", 3, bigPixels, false},
      {"the whole text deleted", 10, 16, true},
  };
  for (const auto& c : cases) {
    const std::string title = Title("pages");
    Fill(NumberedLines(c.lines), title);
    LOGFONTA font = Look->Memo.LogFont();
    font.lfHeight = -c.pixels;
    Look->Memo.SetFont(font, RGB(0, 0, 0));
    if (c.deleted) {
      SendMessageA(Look->Memo.Handle(), EM_SETSEL, 0, -1);
      PostKeyDown(Look->Memo.Handle(), VK_DELETE);
    }
    PrintConfirmed();
    EXPECT_EQ(TakePrintedJob(title).pages,
              PagesFor(c.deleted ? 0 : c.lines, PrintedHeight(c.pixels)))
        << c.what;
    DestroyWindow(Look->Handle());
  }
}

TEST_F(Printing, TabsOnPaperStopEveryEightCharactersWhateverTheTabWidth) {
  const std::string title = Title("tabs");
  Fill(
      "X\r\n\tX\r\nab\tX\r\n\r\n名前\t大きさ\t更新日時\r\nreadme.txt\t1,234\t2001/04/01\r\n"
      "ｻﾝﾌﾟﾙ.lzh\t56,789\t2001/04/02\r\n日本語のテキストです。\t印刷の見本\r\n",
      title);
  Click(Look->MM2_1);  // tab width 2 on the screen
  PrintConfirmed();
  const PrintedJob job = TakePrintedJob(title, "printed_page");
  ASSERT_EQ(job.pages, 1);

  // The right edge of the X of each of the first three lines, in pixels of
  // the picture.
  const double scale = 100.0 / dpiX;
  const int h = PrintedHeight(16);
  int right[3] = {-1, -1, -1};
  for (int line = 0; line < 3; ++line) {
    const int bottom = std::min(job.height, static_cast<int>((offsetY + (line + 1) * h) * scale));
    for (int y = static_cast<int>((offsetY + line * h) * scale); y < bottom; ++y) {
      for (int x = 0; x < job.width; ++x) {
        if (job.Dark(x, y)) right[line] = std::max(right[line], x);
      }
    }
  }
  ASSERT_GT(right[0], 0);
  // Eight average characters of the font on paper.
  const HDC printer = toolkit::DefaultPrinter(true);
  LOGFONTA font = Look->Memo.LogFont();
  font.lfHeight = -h;
  const HFONT printed = CreateFontIndirectA(&font);
  SelectObject(printer, printed);
  TEXTMETRICA metrics{};
  GetTextMetricsA(printer, &metrics);
  DeleteDC(printer);
  DeleteObject(printed);
  const double tab = 8 * metrics.tmAveCharWidth * scale;
  EXPECT_NEAR(right[1] - right[0], tab, 1.5);
  EXPECT_NEAR(right[2] - right[0], tab, 1.5);
}

TEST_F(Printing, AFailingPrintServiceShowsItsErrorAndTheViewerStays) {
  Fill("text for a printer that refuses it\r\n", Title("refused"));
  std::string message;
  {
    DialogDriver dialogs({
        {IDOK, nullptr,
         [](HWND dialog) {
           const HWND printers = GetDlgItem(dialog, 0x473);
           SendMessageA(printers, CB_SELECTSTRING, -1, reinterpret_cast<LPARAM>("Rejecting"));
           SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x473, CBN_SELCHANGE),
                        reinterpret_cast<LPARAM>(printers));
         }},
        {IDOK, nullptr, [&](HWND box) { message = ChildTexts(box); }},
    });
    Click(Look->MM3);
    EXPECT_EQ(dialogs.Answered(), 2);
  }
  EXPECT_NE(message.find("印刷を終了できません。"), std::string::npos) << message;
  ASSERT_NE(Look, nullptr);
  EXPECT_TRUE(Look->Visible());
}

TEST_F(Printing, NothingComesOfACancelledDialogOrAnAbandonedJob) {
  const std::string cancelled = Title("cancelled"), abandoned = Title("abandoned");
  Fill("text\r\n", cancelled);
  {
    DialogDriver dialog({{IDCANCEL}});
    Click(Look->MM3);
  }
  {
    // Left by an error between its pages.
    toolkit::PrintJob job(toolkit::DefaultPrinter(true));
    job.Begin(abandoned);
    TextOutA(job.Canvas(), 10, 0, "page 1", 6);
    job.NewPage();
  }
  // Jobs print in turn: once a later one is there, an earlier one would be.
  const std::string later = Title("later");
  Look->SetCaption(later);
  PrintConfirmed();
  EXPECT_EQ(TakePrintedJob(later).pages, 1);
  EXPECT_FALSE(PrintedJobExists(cancelled));
  EXPECT_FALSE(PrintedJobExists(abandoned));
}
