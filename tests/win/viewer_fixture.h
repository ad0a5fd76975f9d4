// A text viewer per test, owned by a plain window standing where the
// contents window stands, and filled the way the contents window fills it.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Trobixlook.h"
#include "toolkit/application.h"
#include "win/window_support.h"

using namespace window_support;

// Lines "line 1\r\n" ... up to `count`, each ending with a line break.
inline std::string NumberedLines(int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

class ViewerFixture : public ::testing::Test {
 public:
  static constexpr RECT kOwner = {100, 80, 600, 560};

  void SetUp() override {
    InitApplication();
    owner_ = CreateWindowExA(0, "STATIC", "contents", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             kOwner.left, kOwner.top, kOwner.right - kOwner.left,
                             kOwner.bottom - kOwner.top, nullptr, nullptr, nullptr, nullptr);
    Pump();
  }

  void TearDown() override {
    if (Look) DestroyWindow(Look->Handle());
    DestroyWindow(owner_);
    Pump();
    ASSERT_EQ(Look, nullptr);
  }

  // As the contents window shows an entry: a viewer if there is none, its
  // caption, the archive's name in panel 1, the text; shown when it holds
  // a line, closed otherwise.
  TLook* Fill(const std::string& text, const std::string& entry = "readme.txt",
              const std::string& archive = "sample.lzh") {
    if (!Look) Look = new TLook(owner_);
    Look->SetCaption(entry);
    Look->SB.SetText(1, archive);
    Look->Memo.Clear();
    Look->Memo.SetText(text);
    if (Look->TextLineCount() > 0) {
      Look->ShowInFront();
    } else {
      Look->Close();
    }
    Pump(50);  // the synthesised Ctrl+Home comes as queued input
    return Look;
  }

  // A click on a menu item, as the menu sends it.
  void Click(const toolkit::MenuItem& item) {
    PostMessageA(Look->Handle(), WM_COMMAND, item.id, 0);
    Pump();
  }

  std::string Status() const { return Look->SB.Text(0); }

  HWND owner_ = nullptr;
};
