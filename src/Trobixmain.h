// The main window: the archive list, its toolbar, the settings file and the
// notification-area icon. It owns the one ArchiverSet of the run.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "archiver/archiver_set.h"
#include "listed_paths.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/list_view.h"
#include "toolkit/menus.h"

// Sent by the notification-area icon.
constexpr UINT WM_NOTIFYICON = WM_USER + 1;

// One row of the archive list: the caption and four sub-item texts.
struct ArchiveRow {
  std::string caption;  // file name
  std::string size;     // "%10.2fKB" of the size in units of 1,000 bytes
  std::string count;    // entries, "-1" when unknown
  std::string date;     // "yyyy/mm/dd hh:nn", local time
  std::string path;     // the full path: the row's key
};

class TMain : public toolkit::Form {
 public:
  TMain();

  toolkit::Panel Panel1;
  toolkit::StatusBar SB;
  toolkit::ListView LV;
  toolkit::PopupMenu PM;
  toolkit::MenuItem MM1, MM2;
  toolkit::SpeedButton SpeedButton1, SpeedButton2, SpeedButton3;
  toolkit::Bevel Bevel1;
  toolkit::SpeedButton SpeedButton4;
  toolkit::Bevel Bevel2;
  toolkit::SpeedButton SpeedButton5, SpeedButton6;
  toolkit::Bevel Bevel3;
  toolkit::SpeedButton SpeedButton7;
  toolkit::Bevel Bevel4;
  toolkit::CheckBox CB;
  toolkit::Bevel Bevel5;
  toolkit::SpeedButton SpeedButton8;
  NOTIFYICONDATAA NotifyIconData{};
  plenkit::ArchiverSet Archivers;

  // The settings file beside the program: its path with ".ini".
  static std::string SettingsPath();
  void LoadSettings();
  void SaveSettings();

  // Archive list.
  static std::string ExpandLongPath(const std::string& path);
  void AddArchive(const std::string& path);
  void UpdateTotals();
  ArchiveRow Row(int index) const;
  void ListViewDblClick();
  void ListViewKeyPress(char& key);
  void ListViewKeyUp(WORD& key);

  // Toolbar: one handler for the eight buttons, told apart by their tags.
  void SpeedButtonClick(toolkit::Control& sender);

  // The version dialog (tag 5) and the help file beside the program (tag 6),
  // whose viewer is asked to close when this window is destroyed.
  void ShowVersionDialog();
  static std::string HelpFilePath();
  void OpenHelpFile();
  static void CloseHelpWindow();

  // The notification-area icon and its menu: PM about to pop up (tag 0),
  // hide or show (MM1, tag 1), exit (MM2, tag 2).
  void AddNotifyIcon();
  void WMNotifyIcon(UINT mouseMessage);
  void MenuItemClick(toolkit::Component& sender);

  // Files dropped from the shell.
  void WMDropFiles(HDROP drop);

 protected:
  void FormCreate() override;
  void FormShow() override;
  void FormClose(toolkit::CloseAction& action) override;
  void FormDestroy() override;
  void FormKeyUp(WORD& key, toolkit::ShiftState shift) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void CreateControls();
  // The folder for one archive, given its caption and path; empty stops.
  using FolderChoice =
      std::function<std::string(const std::string& caption, const std::string& path)>;
  // Extracts every selected row of a usable kind, in list order.
  void ExtractSelected(const FolderChoice& folderFor);
  void ExtractEachToChosenFolder();
  void ExtractAllToOneFolder();
  void ExtractBesideArchives();
  void RemoveSelectedRows();
  // Where one archive goes: `folder`, and with CB checked a folder named
  // after the archive inside it.
  std::string Destination(const std::string& folder, const std::string& caption) const;
  bool shown_ = false;
  ListedPaths listed_;  // in step with the rows' paths
};

extern TMain* Main;

// The program's forms as it starts: the main window, shown, and the
// progress dialog, hidden. With `ownsRun` the main window is the
// application's, whose end ends the run (the program's own start; tests
// and benchmarks make and end main windows of their own).
void StartForms(bool ownsRun);
