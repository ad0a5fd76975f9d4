// The version dialog: the program's title and version, and the mail and
// home-page addresses as links. Made anew for each showing, modal over the
// main window, freed when it closes.
#pragma once
#include "toolkit/controls.h"
#include "toolkit/dialog_controls.h"
#include "toolkit/form.h"

class TMain;

class TVers : public toolkit::Form {
 public:
  explicit TVers(TMain& owner);

  toolkit::Panel Panel1;
  toolkit::Image Image1;
  toolkit::Label Label1;
  toolkit::Label Label2;
  toolkit::Label Mai;  // tag 0
  toolkit::Label Label4;
  toolkit::Label Url;  // tag 1
  toolkit::Button BitBtn1;
  toolkit::Label Label5;
  // The links' own procedures, saved when the dialog is shown.
  toolkit::Subclass OldMaiProc;
  toolkit::Subclass OldUrlProc;

  // One handler for both links, told apart by their tags.
  void LabelClick(toolkit::Control& sender);
  void BitBtn1Click();
  // What reaches each link first once the dialog is shown.
  LRESULT MaiWndProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT UrlWndProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  void FormShow() override;
  void FormClose(toolkit::CloseAction& action) override;
  void FormDestroy() override;
  void FormKeyPress(char& key) override;

 private:
  void CreateControls();
  static LRESULT CALLBACK MaiProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK UrlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT LinkMessage(toolkit::Label& link, const toolkit::Subclass& saved, UINT message,
                             WPARAM wParam, LPARAM lParam);
};

extern TVers* Vers;
