// The text viewer: one entry's text with its caret line and line count, a
// font and a tab width of the user's choice, and printing. At most one
// exists, named by Look; the contents window fills it and shows it.
#pragma once
#include <windows.h>

#include <string>

#include "toolkit/common_dialogs.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/menus.h"
#include "toolkit/memo.h"

class TLook : public toolkit::Form {
 public:
  // Owned by `owner`, the contents window that opens it, and destroyed with it.
  explicit TLook(HWND owner);

  toolkit::Memo Memo;
  toolkit::StatusBar SB;
  toolkit::PrintDialog PD;
  toolkit::FontDialog FD;
  toolkit::MainMenu MM;
  toolkit::MenuItem MM1, MM3, MM4, MM2;
  toolkit::MenuItem MM2_1, MM2_2, MM2_3;

  // Filling, in the order the contents window fills it: the caption (the
  // entry's name, also the print job's title), SB panel 1, Memo.Clear and
  // Memo.SetText; then ShowInFront when TextLineCount is above 0, or Close.
  void ShowInFront();
  // The text's lines; a last line that is empty does not count.
  int TextLineCount() const;

  void MoveCaretToTop();
  void UpdateCaretStatus();
  void SetTabWidth(int width);
  void PrintText();
  void MenuItemClick(toolkit::Component& sender);
  void MemoKeyUp();
  void MemoMouseUp();

 protected:
  void FormShow() override;
  void FormDestroy() override;
  void FormKeyPress(char& key) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  bool placed_ = false;  // centred over the owner at the first show
};

extern TLook* Look;
