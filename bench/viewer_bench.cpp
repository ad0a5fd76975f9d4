// Putting a 640,000-byte text into the text viewer and showing it, until its
// status panel is written, against copying the same text into a plain
// multi-line EDIT control of the same style and font and showing that, in
// the same run. Each is a new window, as the first show of an entry makes.
//   viewer_bench.exe [FOLDER]   (the folder is not used)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "../resources/look_layout.h"
#include "Trobixlook.h"
#include "toolkit/application.h"
#include "toolkit/memo.h"
#include "timing.h"

namespace {

void Drain() {
  for (int i = 0; i < 20; ++i) {
    toolkit::App.ProcessMessages();
    Sleep(5);
  }
}

// Shift-JIS lines with tabs, CR LF breaks, exactly `bytes` long.
std::string SampleText(std::size_t bytes) {
  const std::string lines[] = {
      "readme.txt\t1,234\t2001/04/01 12:00\r\n",
      "日本語のテキストです。\tタブで区切った列\r\n",
      "\tint main(void) { return 0; }\r\n",
  };
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += lines[i % 3];
  text.resize(bytes - 2);
  // No half of a double-byte character at the end.
  while (text.back() & 0x80) text.pop_back();
  text.append(bytes - 2 - text.size(), ' ');
  return text + "\r\n";
}

// Until the viewer's FormShow has written the status panel, and the window
// has painted.
double Viewer(HWND owner, const std::string& text, std::string& status) {
  const auto start = Clock::now();
  Look = new TLook(owner);
  Look->SetCaption("bench.txt");
  Look->SB.SetText(1, "bench.lzh");
  Look->Memo.Clear();
  Look->Memo.SetText(text);
  if (Look->TextLineCount() > 0) Look->ShowInFront();
  UpdateWindow(Look->Handle());
  const double seconds = Seconds(start);
  status = Look->SB.Text(0);
  DestroyWindow(Look->Handle());
  Drain();
  return seconds;
}

double PlainEdit(HWND owner, const std::string& text) {
  const auto start = Clock::now();
  const HWND frame =
      CreateWindowExA(0, "STATIC", "bench.txt", WS_OVERLAPPEDWINDOW, 0, 0, look_layout::Form.width,
                      look_layout::Form.height, owner, nullptr, nullptr, nullptr);
  const HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                    WS_CHILD | WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                                        ES_AUTOHSCROLL | ES_AUTOVSCROLL,
                                    0, 0, look_layout::Memo.width, look_layout::Memo.height, frame,
                                    nullptr, nullptr, nullptr);
  const LOGFONTA record = toolkit::LogFontOf(look_layout::MemoFont);
  const HFONT font = CreateFontIndirectA(&record);
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(edit, EM_SETLIMITTEXT, look_layout::MemoMaxBytes, 0);
  SetWindowTextA(edit, text.c_str());
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(frame);
  const double seconds = Seconds(start);
  DestroyWindow(frame);
  DeleteObject(font);
  Drain();
  return seconds;
}

}  // namespace

int main() {
  toolkit::App.Initialize(GetModuleHandleA(nullptr));
  const HWND owner = CreateWindowExA(0, "STATIC", "contents", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                                     80, 500, 480, nullptr, nullptr, nullptr, nullptr);
  const std::string text = SampleText(look_layout::MemoMaxBytes);
  // The best of rounds that alternate, so that neither gets the cold start
  // or a busy moment alone.
  double viewer = 1e30, plain = 1e30;
  std::string status;
  for (int round = 0; round < 6; ++round) {
    plain = std::min(plain, PlainEdit(owner, text));
    viewer = std::min(viewer, Viewer(owner, text, status));
  }
  std::printf(
      "%zu-byte text, new window shown: viewer until its status \"%s\" %.3f s; "
      "plain EDIT %.3f s; ratio %.2f (goal at most 2)\n",
      text.size(), status.c_str(), viewer, plain, viewer / plain);
  DestroyWindow(owner);
  return 0;
}
