#include "Trobixview.h"

#include <algorithm>
#include <numeric>

#include "../resources/view_layout.h"
#include "Trobixlook.h"
#include "Trobixmain.h"
#include "archiver/entry_row.h"
#include "text/number_text.h"
#include "text/sjis_path.h"
#include "text/text_entry.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/locale_facts.h"

using namespace plenkit;
using namespace toolkit;

TView* View = nullptr;

namespace {

// The listing runs as a message of the window's own, so that it counts as
// one of its handlers: the window stays while a library works for it.
constexpr UINT kListEntries = WM_APP + 1;

// The rows the list makes room for before the walk, at the most. A count is
// only the library's word: one far past what it then lists must not take
// the memory of that many rows. Past this the list grows as it fills.
constexpr int kRowsReserved = 1 << 17;

}  // namespace

TView::TView(TMain& owner, const std::string& path)
    : Form(view_layout::Form, owner.Handle()), ArchivePath(path), owner_(owner) {
  defaultCloseAction = CloseAction::Free;
  CreateControls();
  // The slot may outlive this window: it finds the window by its handle
  // and empties itself when the window is gone.
  App.onIdle = [window = Handle()] {
    if (dynamic_cast<TView*>(Form::FromHandle(window))) {
      SendMessageA(window, kListEntries, 0, 0);
    } else {
      App.onIdle = nullptr;
    }
  };
}

void TView::CreateControls() {
  namespace L = view_layout;
  Panel1.Create(Handle(), L::Panel1);
  Panel1.align = Align::Top;
  Adopt(Panel1);
  SpeedButton* buttons[] = {&SpeedButton1, &SpeedButton2, &SpeedButton3};
  for (int i = 0; i < 3; ++i) {
    buttons[i]->Create(Panel1.Handle(), L::Buttons[i]);
    buttons[i]->onClick = [this](Control& sender) { SpeedButtonClick(sender); };
    Adopt(*buttons[i], L::Buttons[i].hint);
  }
  Bevel1.Create(Panel1.Handle(), L::Bevel1);

  SB.Create(Handle(), L::SBHeight, {std::begin(L::Panels), std::end(L::Panels)});
  SB.align = Align::Bottom;
  Adopt(SB);

  LV.Create(Handle(), L::LV, {std::begin(L::Columns), std::end(L::Columns)}, 0, LVS_OWNERDATA);
  LV.align = Align::Client;
  LV.onDblClick = [this](Control&) { ListViewDblClick(); };
  LV.onKeyPress = [this](Control&, char& key) { ListViewKeyPress(key); };
  LV.onKeyUp = [this](Control&, WORD& key, ShiftState shift) { ListViewKeyUp(key, shift); };
  Adopt(LV);
  SetWindowPos(LV.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Realign();
}

void TView::FormShow() {
  LV.Clear();
  SetCaption(FileNamePart(ArchivePath));
  SetBounds(owner_.Left(), owner_.Top(), Width(), Height());
  for (int panel = 0; panel <= 3; ++panel) SB.SetText(panel, "");
}

void TView::FormDestroy() {
  if (View == this) View = nullptr;
}

bool TView::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (message != kListEntries) return false;
  AppIdle();
  result = 0;
  return true;
}

void TView::AppIdle() {
  App.onIdle = nullptr;
  ListEntries();
}

void TView::ListEntries() {
  namespace L = view_layout;
  LV.SetRedraw(false);
  LV.SetViewStyle(LVS_ICON);
  LV.Clear();
  ArchiverSet& archivers = owner_.Archivers;
  if (!archivers.SelectKind(ArchivePath)) {
    LV.SetViewStyle(LVS_REPORT);
    LV.SetRedraw(true);
    return;
  }

  // The bar sits in the status bar's panel 4 while the list fills.
  const int left =
      std::accumulate(std::begin(L::Panels), std::begin(L::Panels) + L::ProgressPanel, 0,
                      [](int sum, const StatusPanelLayout& p) { return sum + p.width; });
  ProgressBar bar;
  bar.Create(SB.Handle(), {left + 2, 2, L::Panels[L::ProgressPanel].width - 2, L::SBHeight - 2},
             true);
  // A library that cannot count answers -1: the bar then has no range and
  // stays empty, and the walk lists what it finds all the same.
  const int count = std::max(archivers.CountEntries(ArchivePath), 0);
  bar.SetRange(0, count);
  bar.SetPosition(0);
  LV.ReserveRows(std::min(count, kRowsReserved));

  if (const HARC archive = archivers.OpenArchive(ArchivePath)) {
    const char decimal = UserLocale().decimal;
    ArchiveEntryInfo info;
    for (int result = archivers.FindFirstEntry(archive, info); result == 0;
         result = archivers.FindNextEntry(archive, info)) {
      // An entry without month and day is no file to list.
      if (info.month == 0 && info.day == 0) continue;
      EntryRowTexts texts = RowTexts(info, decimal);
      const int row = LV.AddRow(info.name);
      LV.SetText(row, 1, std::move(texts.original));
      LV.SetText(row, 2, std::move(texts.compressed));
      LV.SetText(row, 3, std::move(texts.ratio));
      LV.SetText(row, 4, std::move(texts.date));
      bar.StepBy(1);
    }
    archivers.CloseArchive(archive);
  }
  LV.SetViewStyle(LVS_REPORT);
  LV.SetRedraw(true);
  ShowTotals();
  bar.Destroy();
}

void TView::ShowTotals() {
  const char decimal = UserLocale().decimal;
  double original = 0, compressed = 0;
  const int rows = LV.Count();
  for (int i = 0; i < rows; ++i) {
    // A text that is no number ends the row's part in the totals.
    const auto first =
        ReadDecimal(std::string_view(LV.StoredText(i, 1)).substr(0, EntrySizeDigits), decimal);
    if (!first) continue;
    original += *first;
    const auto second =
        ReadDecimal(std::string_view(LV.StoredText(i, 2)).substr(0, EntrySizeDigits), decimal);
    if (!second) continue;
    compressed += *second;
  }
  SB.SetTexts({FormatInt(rows, 4), FormatFixed(original, 10, 2, decimal) + "KB",
               FormatFixed(compressed, 10, 2, decimal) + "KB",
               FormatFixed(original == 0 ? 0 : compressed / original * 100, 5, 1, decimal) + "%"});
}

// --- Actions on the entries

void TView::SpeedButtonClick(Control& sender) {
  switch (sender.tag) {
    case 0: ExtractSelected(); break;
    case 1: ListViewDblClick(); break;
    case 2: Close(); break;
    default: break;
  }
}

void TView::ExtractSelected() {
  if (LV.SelectedCount() == 0) return;
  const std::string folder = BrowseForFolder(Handle(), "解凍先ﾌｫﾙﾀﾞ選択", FolderPart(ArchivePath));
  // The browser and the commands let messages run, which may close the
  // program: then nothing more is done.
  if (folder.empty() || Closing()) return;
  ArchiverSet& archivers = owner_.Archivers;
  for (int row = 0; row < LV.Count() && !Closing(); ++row) {
    if (!LV.Selected(row)) continue;
    // Other windows select their own kinds between two commands.
    archivers.SelectKind(ArchivePath);
    archivers.RunArchiverCommand(ArchivePath, folder, LV.Text(row, 0));
  }
}

void TView::ListViewDblClick() {
  const int row = LV.FirstSelected();
  if (row < 0) return;
  const std::string name = LV.Text(row, 0);
  if (!IsTextEntry(name)) {
    const std::string question = "ﾌｧｲﾙ名：" + name + "\n\nこのﾌｧｲﾙを開きますか？";
    if (MessageBoxA(Handle(), question.c_str(), "確認", MB_YESNO | MB_ICONQUESTION) != IDYES ||
        Closing()) {
      return;
    }
  }
  // One viewer for every contents window; the first that shows owns it.
  if (!Look) Look = new TLook(Handle());
  ShowEntry(*Look, ArchivePath, name);
}

void TView::ShowEntry(TLook& look, const std::string& archivePath, const std::string& entryName) {
  ArchiverSet& archivers = owner_.Archivers;
  archivers.SelectKind(archivePath);
  look.SetCaption(entryName);
  look.SB.SetText(1, FileNamePart(archivePath));
  look.Memo.Clear();
  const std::string text = archivers.ReadEntryText(archivePath, entryName);
  // The library may have let messages run: the viewer may have been closed
  // meanwhile, or the whole program.
  if (Closing() || Look != &look) return;
  look.Memo.SetText(text);
  if (look.TextLineCount() > 0) {
    look.ShowInFront();
    return;
  }
  const std::string message =
      "書庫ﾌｧｲﾙ名：" + FileNamePart(archivePath) + "\r\rこの書庫の中身を表示することはできません。";
  MessageBoxA(Handle(), message.c_str(), "確認", MB_OK | MB_ICONSTOP);
  if (Look == &look) look.Close();
}

void TView::ListViewKeyPress(char& key) {
  if (key != '\r') return;
  key = 0;  // never reaches the list, nor closes the window
  ListViewDblClick();
}

void TView::ListViewKeyUp(WORD& key, ShiftState shift) {
  if (key != 'A' || !shift.ctrl) return;
  LV.SelectAll();
  key = 0;
}

void TView::FormKeyPress(char& key) {
  if (key != 27) return;
  key = 0;
  Close();
}
