#include "Trobixlook.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "../resources/look_layout.h"
#include "toolkit/printing.h"

using namespace toolkit;

TLook* Look = nullptr;

namespace {

// The left edge of printed lines, and the origin their tabs count from.
constexpr int kPrintLeft = 10;

// A menu caption as a decimal number; `fallback` when it is none.
int CaptionNumber(const std::string& caption, int fallback) {
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(caption.c_str(), &end, 10);
  if (end == caption.c_str() || *end || errno) return fallback;
  return static_cast<int>(value);
}

}  // namespace

TLook::TLook(HWND owner) : Form(look_layout::Form, owner) {
  namespace L = look_layout;
  defaultCloseAction = CloseAction::Free;

  SB.Create(Handle(), L::SBHeight, {std::begin(L::Panels), std::end(L::Panels)});
  SB.align = Align::Bottom;
  Adopt(SB);

  Memo.Create(Handle(), L::Memo, L::MemoMaxBytes);
  Memo.align = Align::Client;
  Adopt(Memo);
  Memo.SetFont(LogFontOf(L::MemoFont), L::MemoColor);
  Memo.SetText(L::MemoText);
  Memo.onKeyUp = [this](Control&, WORD&, ShiftState) { MemoKeyUp(); };
  Memo.onMouseUp = [this](Control&) { MemoMouseUp(); };

  FD.font = LogFontOf(L::FDFont);

  MM.Create(Handle(), {&MM1, &MM2, &MM3, &MM4}, L::MMItems);
  MM.AddSubmenu(MM2, {&MM2_1, &MM2_2, &MM2_3}, L::MM2Items, true);
  for (MenuItem* item : {&MM1, &MM2, &MM3, &MM4, &MM2_1, &MM2_2, &MM2_3}) {
    item->onClick = [this](Component& sender) { MenuItemClick(sender); };
  }
  MenuItem* tabItems[] = {&MM2_1, &MM2_2, &MM2_3};
  tabItems[L::MM2Checked]->SetChecked(true);

  // The bar took its room from the client area.
  Realign();
}

void TLook::ShowInFront() {
  Show();
  SetForegroundWindow(Handle());
}

int TLook::TextLineCount() const {
  const int lines = Memo.LineCount();
  return lines > 0 && Memo.LineLength(lines - 1) == 0 ? lines - 1 : lines;
}

void TLook::FormShow() {
  if (!placed_) {
    placed_ = true;
    RECT over{};
    if (const HWND owner = GetWindow(Handle(), GW_OWNER)) {
      GetWindowRect(owner, &over);
    } else {
      const SIZE screen = ScreenSize();
      over = {0, 0, screen.cx, screen.cy};
    }
    // Never above or left of the screen, where the caption could not be
    // reached.
    const POINT at = CentredOver(over, Width(), Height());
    SetBounds(std::max<int>(at.x, 0), std::max<int>(at.y, 0), Width(), Height());
  }
  MenuItemClick(MM2_2);
  MoveCaretToTop();
  UpdateCaretStatus();
}

void TLook::FormDestroy() { Look = nullptr; }

void TLook::FormKeyPress(char& key) {
  if (key != 27) return;
  key = 0;
  Close();
}

bool TLook::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message == WM_CTLCOLOREDIT && reinterpret_cast<HWND>(lParam) == Memo.Handle()) {
    result = Memo.Colors(reinterpret_cast<HDC>(wParam));
    return true;
  }
  return false;
}

void TLook::MoveCaretToTop() {
  Memo.SetFocus();
  // Ordinary queued input: the text area moves its caret after this
  // handler has returned, and its key release refreshes the status.
  keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event(VK_HOME, 0, 0, 0);
  keybd_event(VK_HOME, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
}

void TLook::UpdateCaretStatus() {
  const int line = Memo.LineFromChar(Memo.SelStart()) + 1;
  char status[32];
  std::snprintf(status, sizeof status, "%5d/%5d", line, TextLineCount());
  SB.SetText(0, status);
}

void TLook::SetTabWidth(int width) {
  const int averageWidth = LOWORD(GetDialogBaseUnits());
  Memo.SetTabStops(averageWidth * width / 2);
}

void TLook::MenuItemClick(Component& sender) {
  switch (sender.tag) {
    case 1:
      FD.font = Memo.LogFont();
      FD.color = Memo.Color();
      // A dialog lets messages run, which may close the program meanwhile.
      if (FD.Execute(Handle()) && !Closing()) Memo.SetFont(FD.font, FD.color);
      break;
    case 3: PrintText(); break;
    case 4: Close(); break;
    case 21:
    case 22:
    case 23: {
      auto& item = static_cast<MenuItem&>(sender);
      item.SetChecked(true);
      SetTabWidth(CaptionNumber(item.Caption(), 4));
      break;
    }
    default:  // 2 opens its menu by itself
      break;
  }
}

void TLook::PrintText() {
  if (!PD.Execute(Handle()) || Closing()) return;
  PrintJob job(PD.CreatePrinterDC());
  job.SetFont(Memo.LogFont(), Memo.Color());
  job.Begin(Caption());
  const int h = job.FontHeight();
  const int lines = TextLineCount();
  int row = 0;
  for (int i = 0; i < lines; ++i) {
    const std::string line = Memo.Line(i);
    // No tab array: tabs stop every 8 average characters of the printer's
    // font, whatever the screen's tab width.
    TabbedTextOutA(job.Canvas(), kPrintLeft, row * h, line.data(), static_cast<int>(line.size()), 0,
                   nullptr, kPrintLeft);
    if (i + 1 == lines) break;
    // A line goes on this page only when its lower edge stays above the
    // printable height.
    if (h * (row + 2) < job.PageHeight()) {
      ++row;
    } else {
      job.NewPage();
      row = 0;
    }
  }
  job.End();
}

void TLook::MemoKeyUp() { UpdateCaretStatus(); }
void TLook::MemoMouseUp() { UpdateCaretStatus(); }
