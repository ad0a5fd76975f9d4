#include "Trobixmain.h"

#include <cstring>

#include "../resources/main_layout.h"
#include "Trobixprog.h"
#include "Trobixview.h"
#include "text/command_args.h"
#include "text/number_text.h"
#include "text/settings_value.h"
#include "text/sjis_path.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/dropped_files.h"
#include "toolkit/locale_facts.h"

using namespace plenkit;
using namespace toolkit;

TMain* Main = nullptr;

void StartForms(bool ownsRun) {
  Main = new TMain();
  if (ownsRun) toolkit::App.SetMainForm(Main);
  Prog = new TProg();
  Main->Show();
}

// The shell reads the first version of the icon record; on the 32-bit
// build, the one users run, that is 88 bytes.
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88,
              "the notification icon record of the 32-bit build");

namespace {

// Pending messages run once every this many dropped files.
constexpr UINT kDropMessageStride = 40;
// Drops larger than this show the progress dialog.
constexpr UINT kDropWithoutProgress = 100;

const char kSection[] = "Main";
constexpr int kPathColumn = 4;  // the hidden column after the four shown

// Settings keys, in the order they are read.
const char kHeight[] = "FormHeight";
const char kWidth[] = "FormWidth";
const char kTop[] = "FormTop";
const char kLeft[] = "FormLeft";

std::string ColumnKey(int column) { return "List1ColumnWidth" + std::to_string(column); }

int ReadInt(const std::string& file, const std::string& key, int fallback) {
  char value[2048] = {};
  GetPrivateProfileStringA(kSection, key.c_str(), "", value, sizeof value, file.c_str());
  return ReadSettingsInt(value).value_or(fallback);
}

// False once the platform refuses to write.
bool WriteInt(const std::string& file, const std::string& key, int value) {
  return WritePrivateProfileStringA(kSection, key.c_str(), std::to_string(value).c_str(),
                                    file.c_str()) != FALSE;
}

bool HasWildcard(const std::string& path) {
  // Neither byte can be the second byte of a Shift-JIS character.
  return path.find_first_of("*?") != std::string::npos;
}

// "yyyy/mm/dd hh:nn" of a file's last write, in local time. A time the
// packed date cannot hold (before 1980) is shown from the full local time.
std::string ModifiedText(const FILETIME& written, const LocaleFacts& locale) {
  FILETIME local;
  FileTimeToLocalFileTime(&written, &local);
  WORD date = 0, time = 0;
  if (FileTimeToDosDateTime(&local, &date, &time)) {
    const plenkit::DosDateTime t = DecodeDosDateTime(date, time);
    return FormatDateTime(t.year, t.month, t.day, t.hour, t.minute, locale.date, locale.time);
  }
  SYSTEMTIME t{};
  FileTimeToSystemTime(&local, &t);
  return FormatDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, locale.date, locale.time);
}

}  // namespace

TMain::TMain() : Form(main_layout::Form, nullptr) {
  defaultCloseAction = CloseAction::Free;
  CreateControls();
  FormCreate();
}

void TMain::CreateControls() {
  namespace L = main_layout;
  Panel1.Create(Handle(), L::Panel1);
  Panel1.align = Align::Top;
  Adopt(Panel1);

  SpeedButton* buttons[] = {&SpeedButton1, &SpeedButton2, &SpeedButton3, &SpeedButton4,
                            &SpeedButton5, &SpeedButton6, &SpeedButton7, &SpeedButton8};
  for (int i = 0; i < 8; ++i) {
    buttons[i]->Create(Panel1.Handle(), L::Buttons[i]);
    buttons[i]->onClick = [this](Control& sender) { SpeedButtonClick(sender); };
    Adopt(*buttons[i], L::Buttons[i].hint);
  }
  CB.Create(Panel1.Handle(), L::CB, L::CBCaption);
  Adopt(CB, L::CBHint);
  Bevel* bevels[] = {&Bevel1, &Bevel2, &Bevel3, &Bevel4, &Bevel5};
  for (int i = 0; i < 5; ++i) {
    bevels[i]->Create(Panel1.Handle(), L::Bevels[i]);
  }

  SB.Create(Handle(), L::SBHeight, {std::begin(L::Panels), std::end(L::Panels)});
  SB.align = Align::Bottom;
  Adopt(SB);

  LV.Create(Handle(), L::LV, {std::begin(L::Columns), std::end(L::Columns)}, L::HiddenColumns,
            LVS_SHOWSELALWAYS);
  LV.align = Align::Client;
  LV.onDblClick = [this](Control&) { ListViewDblClick(); };
  LV.onKeyPress = [this](Control&, char& key) { ListViewKeyPress(key); };
  LV.onKeyUp = [this](Control&, WORD& key, ShiftState) { ListViewKeyUp(key); };
  LV.onDeleteRow = [this](Control&, int row) { listed_.Remove(LV.Text(row, kPathColumn)); };
  Adopt(LV);
  // First in the tab order.
  SetWindowPos(LV.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  PM.Create({&MM1, &MM2}, L::PMItems);
  PM.onPopup = MM1.onClick = MM2.onClick = [this](Component& sender) { MenuItemClick(sender); };
  Realign();
}

// --- Life of the window

void TMain::FormCreate() {
  DragAcceptFiles(Handle(), TRUE);
  AddNotifyIcon();
  App.SetHintColor(RGB(0, 255, 0));
  App.SetHintPause(10);
  App.SetHintHidePause(10000);
  Archivers.ownerWindow = Handle();
}

void TMain::FormShow() {
  // The window is shown again from the notification icon; the list the user
  // built, the loaded libraries and the window's place must survive that.
  if (shown_) return;
  shown_ = true;

  LoadSettings();
  Archivers.LoadArchivers();
  LV.Clear();

  std::string formats;
  for (int k = 0; k < KindCount; ++k) {
    if (Archivers.available[k]) formats += KindTable(static_cast<ArchiverKind>(k)).label;
  }
  SB.SetText(2, formats);

  const std::vector<std::string> arguments = SplitArguments(App.CommandLine());
  if (!arguments.empty()) {
    for (const std::string& argument : arguments) AddArchive(ExpandLongPath(argument));
    if (LV.Count() == 1) LV.SetSelected(0, true);
  }
  UpdateTotals();
}

void TMain::FormClose(CloseAction& action) {
  SaveSettings();
  action = CloseAction::Free;
}

void TMain::FormDestroy() {
  CloseHelpWindow();
  Archivers.FreeArchivers();
  if (NotifyIconData.hWnd) Shell_NotifyIconA(NIM_DELETE, &NotifyIconData);
  if (Main == this) Main = nullptr;
}

void TMain::AddNotifyIcon() {
  NotifyIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
  NotifyIconData.hWnd = Handle();
  NotifyIconData.uID = 1;
  NotifyIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  NotifyIconData.uCallbackMessage = WM_NOTIFYICON;
  NotifyIconData.hIcon = App.SmallIcon();
  constexpr std::size_t kTipBytes = 64;  // in the first version of the record
  const std::string_view tip = CutToBytes(App.Title(), kTipBytes - 1);
  std::memcpy(NotifyIconData.szTip, tip.data(), tip.size());
  NotifyIconData.szTip[tip.size()] = '\0';
  Shell_NotifyIconA(NIM_ADD, &NotifyIconData);
}

void TMain::WMNotifyIcon(UINT mouseMessage) {
  switch (mouseMessage) {
    case WM_LBUTTONDBLCLK: MenuItemClick(MM1); break;
    case WM_RBUTTONUP: {
      POINT at{};
      GetCursorPos(&at);
      // Without the foreground the menu would stay open after a click
      // elsewhere.
      SetForegroundWindow(Handle());
      PM.Popup(Handle(), at);
      break;
    }
    default: break;
  }
}

void TMain::MenuItemClick(Component& sender) {
  switch (sender.tag) {
    case 0: MM1.SetCaption(Visible() ? "隠す" : "出す"); break;
    case 1: Visible() ? Hide() : Show(); break;
    case 2: Close(); break;
    default: break;
  }
}

bool TMain::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_DROPFILES: WMDropFiles(reinterpret_cast<HDROP>(wParam)); break;
    case WM_NOTIFYICON: WMNotifyIcon(static_cast<UINT>(lParam)); break;
    default: return false;
  }
  result = 0;
  return true;
}

// --- Dropped files and keys

void TMain::WMDropFiles(HDROP drop) {
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, MAX_PATH);
  LV.SetRedraw(false);
  LV.SetViewStyle(LVS_ICON);
  SetForegroundWindow(Handle());
  const bool withDialog = Prog && count > kDropWithoutProgress;
  if (withDialog) Prog->BeginProgress(static_cast<int>(count));
  const std::vector<std::string> paths = DroppedFiles(drop, count);
  // The messages let through every 40 files may close this window: then
  // there is no point in going on.
  for (std::size_t i = 0; i < paths.size() && !(withDialog && Prog->AbortRequested) && !Closing();
       ++i) {
    AddArchive(paths[i]);
    if (Prog && Prog->Visible()) Prog->PB.StepBy(1);
    if (i % kDropMessageStride == 0) App.ProcessMessages();
  }
  DragFinish(drop);
  LV.SetViewStyle(LVS_REPORT);
  LV.SetRedraw(true);
  if (Prog && Prog->Visible()) Prog->EndProgress();
  LV.SetFocus();
  UpdateTotals();
}

void TMain::FormKeyUp(WORD& key, ShiftState shift) {
  if (key != 'A' || !shift.ctrl) return;
  LV.SetFocus();
  LV.SelectAll();
  key = 0;
}

void TMain::ListViewKeyUp(WORD& key) {
  if (key == VK_DELETE) SpeedButtonClick(SpeedButton5);
}

// --- Settings file

std::string TMain::SettingsPath() {
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  return WithExtension(program, ".ini");
}

void TMain::LoadSettings() {
  const std::string file = SettingsPath();
  SetHeight(ReadInt(file, kHeight, Height()));
  SetWidth(ReadInt(file, kWidth, Width()));
  const SIZE screen = ScreenSize();
  SetTop(ReadInt(file, kTop, (screen.cy - Height()) / 2));
  SetLeft(ReadInt(file, kLeft, (screen.cx - Width()) / 2));
  for (int i = 0; i < LV.VisibleColumns(); ++i) {
    LV.SetColumnWidth(i, ReadInt(file, ColumnKey(i), LV.ColumnWidth(i)));
  }
}

void TMain::SaveSettings() {
  const std::string file = SettingsPath();
  RECT bounds = Bounds();
  // A minimised window stands far off the screen; keep where it will return.
  if (IsIconic(Handle())) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(Handle(), &placement);
    bounds = placement.rcNormalPosition;
    // The placement counts from the work area, the settings from the screen.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor)) {
      OffsetRect(&bounds, monitor.rcWork.left - monitor.rcMonitor.left,
                 monitor.rcWork.top - monitor.rcMonitor.top);
    }
  }
  // A folder that cannot be written loses the settings, not the exit: the
  // first refusal ends the writing.
  bool ok = WriteInt(file, kTop, bounds.top) && WriteInt(file, kLeft, bounds.left) &&
            WriteInt(file, kHeight, bounds.bottom - bounds.top) &&
            WriteInt(file, kWidth, bounds.right - bounds.left);
  for (int i = 0; ok && i < LV.VisibleColumns(); ++i) {
    ok = WriteInt(file, ColumnKey(i), LV.ColumnWidth(i));
  }
}

// --- Archive list

std::string TMain::ExpandLongPath(const std::string& path) {
  if (HasWildcard(path)) return path;
  std::string rest = path;
  // A relative name means the current folder, not the drive's root; only a
  // path from a drive's root or a network share is taken as it stands.
  const bool absolute =
      (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0;
  if (!absolute) {
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) rest = full;
  }
  std::string result;
  for (;;) {
    if (rest.empty() || rest.back() == ':') break;  // the drive stays as written
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(rest.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) break;
    FindClose(search);
    result = "\\" + std::string(found.cFileName) + result;
    const std::size_t cut = FindLastChar(rest, "\\");
    rest = cut == std::string::npos ? std::string() : rest.substr(0, cut);
  }
  return rest + result;
}

void TMain::AddArchive(const std::string& path) {
  if (!Archivers.SelectKind(path)) return;
  if (listed_.Contains(path)) return;
  // A wildcard would let the search answer for some other file.
  if (HasWildcard(path)) return;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FindClose(search);
  // A folder named like an archive is no archive.
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;

  const LocaleFacts locale = UserLocale();
  const int row = LV.AddRow(FileNamePart(path));
  LV.SetText(row, 1, FormatArchiveSize(found.nFileSizeLow, locale.decimal));
  LV.SetText(row, 2, std::to_string(Archivers.CountEntries(path)));
  LV.SetText(row, 3, ModifiedText(found.ftLastWriteTime, locale));
  LV.SetText(row, kPathColumn, path);
  listed_.Add(path);
}

ArchiveRow TMain::Row(int index) const {
  return {LV.Text(index, 0), LV.Text(index, 1), LV.Text(index, 2), LV.Text(index, 3),
          LV.Text(index, kPathColumn)};
}

void TMain::UpdateTotals() {
  const char decimal = UserLocale().decimal;
  double sum = 0;
  const int rows = LV.Count();
  for (int i = 0; i < rows; ++i) {
    if (const auto value = ReadDecimal(LV.Text(i, 1).substr(0, 10), decimal)) sum += *value;
  }
  SB.SetText(0, FormatInt(rows, 4));
  SB.SetText(1, FormatFixed(sum, 10, 2, decimal) + "KB");
}

void TMain::ListViewDblClick() {
  const int row = LV.FirstSelected();
  if (row < 0) return;
  View = new TView(*this, LV.Text(row, kPathColumn));
  View->Show();
}

void TMain::ListViewKeyPress(char& key) {
  if (key != '\r') return;
  key = 0;  // the list does nothing of its own with Enter
  if (LV.SelectedCount() > 0) ListViewDblClick();
}

// --- Toolbar

void TMain::SpeedButtonClick(Control& sender) {
  switch (sender.tag) {
    case 0: ExtractEachToChosenFolder(); break;
    case 1: ExtractAllToOneFolder(); break;
    case 2: ExtractBesideArchives(); break;
    case 3: ListViewDblClick(); break;
    case 4: RemoveSelectedRows(); break;
    case 5: ShowVersionDialog(); break;
    case 6: OpenHelpFile(); break;
    case 7: Close(); break;
    default: break;
  }
}

std::string TMain::Destination(const std::string& folder, const std::string& caption) const {
  return CB.Checked() ? folder + BaseName(caption) + "\\" : folder;
}

void TMain::ExtractSelected(const FolderChoice& folderFor) {
  // The browser and the libraries let messages run: an exit chosen
  // meanwhile ends the command after the archive at hand.
  for (int row = 0; row < LV.Count() && !Closing(); ++row) {
    if (!LV.Selected(row)) continue;
    const std::string caption = LV.Text(row, 0);
    if (!Archivers.SelectKind(caption)) continue;
    const std::string path = LV.Text(row, kPathColumn);
    const std::string folder = folderFor(caption, path);
    if (folder.empty() || Closing()) return;  // a cancelled choice ends the whole command
    // A dialog's loop may have let other work select another kind meanwhile.
    Archivers.SelectKind(caption);
    Archivers.RunArchiverCommand(path, Destination(folder, caption), "");
  }
}

void TMain::ExtractEachToChosenFolder() {
  if (LV.SelectedCount() == 0) return;
  ExtractSelected([this](const std::string& caption, const std::string& path) {
    // The archive's folder without its closing "\", which a root keeps.
    std::string start = FolderPart(path);
    if (start.size() > 1 && start[start.size() - 2] != ':') start = WithoutClosingDelimiter(start);
    return BrowseForFolder(Handle(), caption + " の解凍先ﾌｫﾙﾀﾞ選択", start);
  });
}

void TMain::ExtractAllToOneFolder() {
  const int first = LV.FirstSelected();
  if (first < 0) return;
  const std::string folder =
      BrowseForFolder(Handle(), "解凍先ﾌｫﾙﾀﾞ選択", FolderPart(LV.Text(first, kPathColumn)));
  if (folder.empty()) return;
  ExtractSelected([&folder](const std::string&, const std::string&) { return folder; });
}

void TMain::ExtractBesideArchives() {
  ExtractSelected([](const std::string&, const std::string& path) { return FolderPart(path); });
}

void TMain::RemoveSelectedRows() {
  if (LV.SelectedCount() == 0) return;
  for (int row = LV.Count() - 1; row >= 0; --row) {
    if (LV.Selected(row)) LV.DeleteRow(row);
  }
  UpdateTotals();
}
