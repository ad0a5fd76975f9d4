#include "engine/archiver_windows.h"

#include <algorithm>
#include <cstdio>

#include "engine/long_paths.h"
#include "formats/results.h"

namespace archivers {

namespace {

// The windows' texts are Shift-JIS, whatever the system's code page.
std::wstring FromShiftJis(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  const int made =
      MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), &wide[0], static_cast<int>(wide.size()));
  wide.resize(static_cast<std::size_t>(std::max(made, 0)));
  return wide;
}

// A dialog template made in memory: the windows need no resources.
class DialogTemplate {
 public:
  DialogTemplate(const std::string& caption, short width, short height, DWORD style) {
    Put(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | style);
    Put(0);
    words_.push_back(0);  // the count of controls, filled in by Add
    for (short v : {short(0), short(0), width, height}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard class
    Text(FromShiftJis(caption));
    words_.push_back(9);
    Text(L"MS UI Gothic");
  }

  // A control of a predefined class: 0x80 button, 0x82 static.
  void Add(WORD kind, DWORD style, short x, short y, short width, short height, WORD id, const std::string& text) {
    while (words_.size() % 2) words_.push_back(0);
    Put(WS_CHILD | WS_VISIBLE | style);
    Put(0);
    for (short v : {x, y, width, height}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(kind);
    Text(FromShiftJis(text));
    words_.push_back(0);
    ++words_[4];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Put(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void Text(const std::wstring& text) {
    words_.insert(words_.end(), text.begin(), text.end());
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;

std::string Digits(std::uint64_t value) {
  std::string text = std::to_string(value);
  for (int i = static_cast<int>(text.size()) - 3; i > 0; i -= 3) text.insert(static_cast<std::size_t>(i), ",");
  return text;
}

std::string Stamp(std::uint64_t written) {
  FILETIME utc{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)}, local;
  SYSTEMTIME t{};
  if (!written || !FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
  return text;
}

// A name as it can be shown: a byte that is no whole Shift-JIS character
// (a lead byte cut short) shows as "?" and takes nothing with it; a name
// too long for a line keeps its beginning and its end, "…" between.
std::string Shown(const std::string& name) {
  std::string shown;
  std::vector<std::size_t> starts;  // where each character of `shown` begins
  for (std::size_t i = 0; i < name.size(); ++i) {
    starts.push_back(shown.size());
    const unsigned char b = static_cast<unsigned char>(name[i]);
    const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (!lead) {
      shown += b < 0x20 ? '?' : name[i];
      continue;
    }
    const unsigned char t = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
    if (t >= 0x40 && t <= 0xFC && t != 0x7F) {
      shown += name.substr(i++, 2);
    } else {
      shown += '?';
    }
  }
  constexpr std::size_t kEnds = 48;  // characters kept at each end
  if (starts.size() <= 2 * kEnds + 1) return shown;
  return shown.substr(0, starts[kEnds]) + "…" + shown.substr(starts[starts.size() - kEnds]);
}

std::string Facts(const FileFacts& file) {
  return "  " + Shown(file.name) + "\n  " + Digits(file.size) + " バイト  " + Stamp(file.written) + "\n";
}

std::string Reason(int result) {
  switch (result) {
    case ERROR_INVALID_PATH: return "展開先の外を指すか、使えない名前です";
    case ERROR_PASSWORD_FILE: return "パスワードが必要です";
    case ERROR_FILE_CRC: return "データが壊れています";
    case ERROR_HEADER_BROKEN:
    case ERROR_HEADER_CRC: return "書庫のヘッダが壊れているか、途中で切れています";
    case ERROR_NOT_ARC_FILE: return "この形式の書庫ではありません";
    case ERROR_ARC_FILE_OPEN: return "書庫を開けませんでした";
    case ERROR_METHOD:
    case ERROR_NOT_SUPPORT: return "この形式の展開には対応していません";
    case ERROR_NOT_FIND_FILE: return "書庫の中にありません";
    case ERROR_DISK_SPACE: return "展開先の空き容量が足りません";
    case ERROR_SAME_NAME_FILE: return "読んでいる書庫そのものを上書きすることになります";
    case ERROR_USER_CANCEL: return "中止しました";
    case ERROR_MAKEDIRECTORY: return "フォルダを作れませんでした";
    case ERROR_SET_ATTRIBUTES: return "ダウンロードの印 (Zone.Identifier) を付けられませんでした";
    default: return "書き込めませんでした";
  }
}

// While a box asks, the caller's windows take no input, as with a message
// box of the whole task: nothing can start another command meanwhile.
class CallerWindowsDisabled {
 public:
  CallerWindowsDisabled() { EnumThreadWindows(GetCurrentThreadId(), Disable, reinterpret_cast<LPARAM>(&disabled_)); }
  ~CallerWindowsDisabled() {
    for (HWND window : disabled_) EnableWindow(window, TRUE);
  }

 private:
  static BOOL CALLBACK Disable(HWND window, LPARAM list) {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
      EnableWindow(window, FALSE);
      reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    }
    return TRUE;
  }
  std::vector<HWND> disabled_;
};

// Each answer is the button's identifier; the default button has the focus.
INT_PTR CALLBACK AnswerProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetForegroundWindow(dialog);
      SetFocus(GetDlgItem(dialog, LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0))));
      return FALSE;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) EndDialog(dialog, LOWORD(wParam));
      return TRUE;
    default: return FALSE;
  }
}

// The window a caller named as the owner of the boxes, while it lives.
HWND owner = nullptr;
HWND Owner() { return owner && IsWindow(owner) ? owner : nullptr; }

// Asks with the caller's windows out of reach; answers the button pressed.
// When the last box was answered: the time the user spends at a box is no
// time the command has been working.
DWORD answeredAt = 0;

INT_PTR Ask(const DLGTEMPLATE* dialog, DLGPROC procedure, LPARAM state = 0) {
  CallerWindowsDisabled disabled;
  const INT_PTR answer = DialogBoxIndirectParamW(ThisLibrary(), dialog, Owner(), procedure, state);
  answeredAt = GetTickCount();
  return answer;
}

constexpr WORD kReplace = 10, kSkip = 11, kReplaceAll = 12, kSkipAll = 13, kQuiet = 20;
constexpr WORD kPasswordEdit = 40, kShowPassword = 41;

// The password box: the typed text goes to `password` on OK, and the box's
// own copies are wiped; the check box shows the characters, or hides them
// again behind the edit's own character.
struct PasswordBox {
  std::wstring* password;
  wchar_t hidden = 0;

  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      auto* box = reinterpret_cast<PasswordBox*>(lParam);
      box->hidden = static_cast<wchar_t>(SendDlgItemMessageW(dialog, kPasswordEdit, EM_GETPASSWORDCHAR, 0, 0));
      SetForegroundWindow(dialog);
      SetFocus(GetDlgItem(dialog, kPasswordEdit));
      return FALSE;
    }
    auto* box = reinterpret_cast<PasswordBox*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message != WM_COMMAND || !box || HIWORD(wParam) != BN_CLICKED) return FALSE;
    const HWND edit = GetDlgItem(dialog, kPasswordEdit);
    switch (LOWORD(wParam)) {
      case kShowPassword: {
        const bool shown = IsDlgButtonChecked(dialog, kShowPassword) == BST_CHECKED;
        SendMessageW(edit, EM_SETPASSWORDCHAR, shown ? 0 : box->hidden, 0);
        InvalidateRect(edit, nullptr, TRUE);
        return TRUE;
      }
      case IDOK: {
        std::wstring typed(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        typed.resize(static_cast<std::size_t>(GetWindowTextW(edit, &typed[0], static_cast<int>(typed.size()))));
        Wipe(*box->password);
        box->password->swap(typed);
        Wipe(typed);
        SetWindowTextW(edit, L"");
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      case kSkip:
      case IDCANCEL:
        SetWindowTextW(edit, L"");
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      default: return FALSE;
    }
  }
};
constexpr WORD kArchiveText = 30, kMemberText = 31, kBar = 32;

}  // namespace

HMODULE ThisLibrary() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisLibrary), &module);
  return module;
}

void SetOwner(HWND window) { owner = window; }

std::string LibraryName() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(ThisLibrary(), path, MAX_PATH);
  std::string name(path, n);
  const std::size_t cut = name.find_last_of("\\/");
  return cut == std::string::npos ? name : name.substr(cut + 1);
}

ReplaceAnswer AskReplace(const FileFacts& existing, const FileFacts& member) {
  DialogTemplate t(LibraryName(), 262, 108, DS_SETFOREGROUND);
  t.Add(kStatic, SS_LEFT | SS_NOPREFIX, 7, 7, 248, 72, 0,
        "次のファイルは既にあります。\n" + Facts(existing) + "\n書庫の中の次のファイルで置き換えますか？\n" +
            Facts(member));
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 7, 86, 46, 14, kReplace, "上書き");
  t.Add(kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 57, 86, 46, 14, kSkip, "スキップ");
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 107, 86, 50, 14, kReplaceAll, "すべて上書き");
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 161, 86, 54, 14, kSkipAll, "すべてスキップ");
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 219, 86, 36, 14, IDCANCEL, "中止");
  switch (Ask(t.Get(), AnswerProcedure)) {
    case kReplace: return ReplaceAnswer::Replace;
    case kSkip: return ReplaceAnswer::Skip;
    case kReplaceAll: return ReplaceAnswer::ReplaceAll;
    case kSkipAll: return ReplaceAnswer::SkipAll;
    default: return ReplaceAnswer::Cancel;
  }
}

PasswordAnswer AskPassword(const std::string& archive, const std::string& member, bool wrong, std::wstring& password) {
  DialogTemplate t(LibraryName(), 262, 96, DS_SETFOREGROUND);
  t.Add(kStatic, SS_LEFT | SS_NOPREFIX, 7, 7, 248, 30, 0,
        (wrong ? "パスワードが違います。もう一度入れてください。\n" : "") + std::string("書庫 ") + Shown(archive) +
            " の次のファイルには、パスワードが必要です。\n  " + Shown(member));
  t.Add(kStatic, SS_LEFT, 7, 42, 50, 9, 0, "パスワード:");
  t.Add(kEdit, ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 60, 40, 195, 12, kPasswordEdit, "");
  t.Add(kButton, BS_AUTOCHECKBOX | WS_TABSTOP, 60, 56, 120, 10, kShowPassword, "文字を表示する");
  t.Add(kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 107, 74, 46, 14, IDOK, "OK");
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 157, 74, 54, 14, kSkip, "スキップ");
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 215, 74, 40, 14, IDCANCEL, "中止");
  PasswordBox box{&password};
  switch (Ask(t.Get(), PasswordBox::Procedure, reinterpret_cast<LPARAM>(&box))) {
    case IDOK: return PasswordAnswer::Ok;
    case kSkip: return PasswordAnswer::Skip;
    default: return PasswordAnswer::Cancel;
  }
}

bool ReportFailures(const std::string& archive, const std::vector<Failure>& failures) {
  // A screenful: the first members, then how many more.
  constexpr std::size_t kShown = 16;
  std::string text = "書庫 " + Shown(archive) + " から、次のファイルを書き出せませんでした。\n\n";
  std::size_t lines = 2;
  for (std::size_t i = 0; i < failures.size() && i < kShown; ++i, ++lines) {
    const Failure& failure = failures[i];
    // The archive as a whole: its headers cannot be read without the password.
    const bool headers = failure.name.empty() && failure.result == ERROR_PASSWORD_FILE;
    text += (failure.name.empty() ? "" : Shown(failure.name) + "：") +
            (!failure.reason.empty() ? failure.reason
             : headers ? "書庫のヘッダが暗号化されています（RAR の暗号化には対応していません）"
                       : Reason(failure.result)) +
            "\n";
  }
  if (failures.size() > kShown) text += "ほか " + Digits(failures.size() - kShown) + " 件\n", ++lines;
  const short textHeight = static_cast<short>(10 * lines);
  DialogTemplate t(LibraryName(), 300, static_cast<short>(textHeight + 36), DS_SETFOREGROUND);
  t.Add(kStatic, SS_LEFT | SS_NOPREFIX, 7, 7, 286, textHeight, 0, text);
  t.Add(kButton, BS_DEFPUSHBUTTON | WS_TABSTOP, 7, static_cast<short>(textHeight + 15), 50, 14, IDOK, "OK");
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 173, static_cast<short>(textHeight + 15), 120, 14, kQuiet,
        "この書庫の残りは知らせない");
  return Ask(t.Get(), AnswerProcedure) == kQuiet;
}

Progress::Progress(const std::string& archive, std::uint64_t totalBytes)
    : archive_(archive), total_(totalBytes), started_(GetTickCount()) {}

Progress::~Progress() {
  if (window_) DestroyWindow(window_);
}

void Progress::Advance(const std::string& member, std::uint64_t bytes) {
  done_ += bytes;
  const DWORD now = GetTickCount();
  if (!window_) {
    // Half a second of work, not counting a box's time.
    if (now - started_ < 500 || now - answeredAt < 500) return;
    Show();
  }
  if (now - shownAt_ < 100) return;
  shownAt_ = now;
  SetDlgItemTextW(window_, kMemberText, FromShiftJis(Shown(member)).c_str());
  InvalidateRect(GetDlgItem(window_, kBar), nullptr, FALSE);
  Pump();
}

void Progress::Show() {
  DialogTemplate t(LibraryName(), 240, 76, 0);
  t.Add(kStatic, SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, 7, 7, 226, 9, kArchiveText, "書庫: " + Shown(archive_));
  t.Add(kStatic, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 7, 20, 226, 9, kMemberText, "");
  t.Add(kStatic, SS_OWNERDRAW, 7, 34, 226, 10, kBar, "");
  t.Add(kButton, BS_PUSHBUTTON | WS_TABSTOP, 93, 55, 54, 14, IDCANCEL, "キャンセル");
  window_ = CreateDialogIndirectParamW(ThisLibrary(), t.Get(), Owner(), Procedure, reinterpret_cast<LPARAM>(this));
  if (window_) ShowWindow(window_, SW_SHOW);
}

void Progress::Pump() {
  MSG msg;
  while (window_ && PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) {
    if (!IsDialogMessageW(window_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

INT_PTR CALLBACK Progress::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
  auto* self = reinterpret_cast<Progress*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {
        self->cancelled_ = true;
        EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
      }
      return TRUE;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      RECT full = item.rcItem, done = full;
      const double part = self->total_ ? std::min(1.0, static_cast<double>(self->done_) / self->total_) : 0;
      done.right = full.left + static_cast<LONG>((full.right - full.left) * part);
      FillRect(item.hDC, &full, GetSysColorBrush(COLOR_WINDOW));
      FillRect(item.hDC, &done, GetSysColorBrush(COLOR_HIGHLIGHT));
      FrameRect(item.hDC, &full, GetSysColorBrush(COLOR_WINDOWFRAME));
      return TRUE;
    }
    default: return FALSE;
  }
}

}  // namespace archivers
