// A text viewer per test, owned by a plain window where the contents window
// would be, and filled the way the contents window fills it.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Trobixlook.h"
#include "toolkit/application.h"
#include "win/window_support.h"

// "line 1\r\n" up to "line <count>\r\n".
inline std::string NumberedLines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

class ViewerFixture : public ::testing::Test {
 public:
  void SetUp() override {
    window_support::InitApplication();
    owner_ = CreateWindowExA(0, "STATIC", "contents", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80,
                             500, 480, nullptr, nullptr, nullptr, nullptr);
  }

  void TearDown() override {
    if (Look) DestroyWindow(Look->Handle());
    DestroyWindow(owner_);
    window_support::Pump();
    ASSERT_EQ(Look, nullptr);
  }

  // A viewer if there is none; its caption, the archive's name in panel 1,
  // the text; shown when it holds a line, closed otherwise. The
  // synthesised Ctrl+Home comes as queued input.
  TLook* Fill(const std::string& text, const std::string& entry = "readme.txt") {
    if (!Look) Look = new TLook(owner_);
    Look->SetCaption(entry);
    Look->SB.SetText(1, "sample.lzh");
    Look->Memo.Clear();
    Look->Memo.SetText(text);
    Look->TextLineCount() > 0 ? Look->ShowInFront() : Look->Close();
    window_support::Pump(50);
    return Look;
  }

  // A click on a menu item, as the menu sends it.
  void Click(const toolkit::MenuItem& item) {
    PostMessageA(Look->Handle(), WM_COMMAND, item.id, 0);
    window_support::Pump();
  }

  std::string Status() const { return Look->SB.Text(0); }

  HWND owner_ = nullptr;
};
