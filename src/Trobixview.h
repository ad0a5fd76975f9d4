// The archive contents window: the entries of one archive with both sizes,
// ratio and date, and their totals. Opened by the main window for each
// request; several may be open at once.
#pragma once
#include <string>

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/list_view.h"

class TMain;
class TLook;

class TView : public toolkit::Form {
 public:
  // Owned by `owner`, which it reads the archive through; lists `path` at
  // the first idle moment after it is shown.
  TView(TMain& owner, const std::string& path);

  toolkit::Panel Panel1;
  toolkit::SpeedButton SpeedButton1, SpeedButton2;
  toolkit::Bevel Bevel1;
  toolkit::SpeedButton SpeedButton3;
  toolkit::ListView LV;
  toolkit::StatusBar SB;
  const std::string ArchivePath;

  void AppIdle();
  void ListEntries();
  void ShowTotals();

  // One handler for the three buttons, told apart by their tags.
  void SpeedButtonClick(toolkit::Control& sender);
  void ExtractSelected();
  // The show action: the first selected entry as text in the viewer, after
  // asking when its name is no text name.
  void ListViewDblClick();
  // Fills `look` with the entry's text and shows it, or says the text
  // cannot be shown and closes it.
  void ShowEntry(TLook& look, const std::string& archivePath, const std::string& entryName);
  void ListViewKeyPress(char& key);
  void ListViewKeyUp(WORD& key, toolkit::ShiftState shift);

 protected:
  void FormShow() override;
  void FormDestroy() override;
  void FormKeyPress(char& key) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void CreateControls();
  TMain& owner_;
};

extern TView* View;
