// The archivers' own windows, as libraries of this kind always had them:
// the question before a file is replaced, the report of what a command
// could not write, and the progress of a long command. Each runs on the
// caller's thread, owned by the window the caller named (SetOwner), or by
// none.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace archivers {

// The archiver's own module, and the caption of every window: the
// library's own file name.
HMODULE ThisLibrary();
std::string LibraryName();

// The window the boxes are owned by from now on; null for none.
void SetOwner(HWND window);

enum class ReplaceAnswer { Replace, Skip, ReplaceAll, SkipAll, Cancel };

struct FileFacts {
  std::string name;  // Shift-JIS
  std::uint64_t size = 0;
  std::uint64_t written = 0;  // 100 ns since 1601, UTC; 0 unknown
};

// Asks whether the file at `existing` is to be replaced by the member.
ReplaceAnswer AskReplace(const FileFacts& existing, const FileFacts& member);

enum class PasswordAnswer { Ok, Skip, Cancel };

// Asks for the password of `member` in `archive`, saying so when `wrong`
// (the last one tried did not open it). What is typed goes to `password`;
// the box keeps none of it.
PasswordAnswer AskPassword(const std::string& archive, const std::string& member, bool wrong, std::wstring& password);

struct Failure {
  std::string name;  // the member, the members it speaks for, or empty for the archive as a whole
  int result;
  std::string reason = {};  // what the box says of it; empty: what it says of `result`
};

// Tells the user which members of `archive` a command could not write and
// why. True when the user asked to hear no more of this run.
bool ReportFailures(const std::string& archive, const std::vector<Failure>& failures);

// The progress of one command, shown once it has run for half a second and
// repainted a few times a second, never more: the work goes at its own pace.
class Progress {
 public:
  Progress(const std::string& archive, std::uint64_t totalBytes);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // `member` is being written; `bytes` more are done.
  void Advance(const std::string& member, std::uint64_t bytes);
  // The cancel button was pressed.
  bool Cancelled() const { return cancelled_; }

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  void Show();
  void Pump();

  std::string archive_;
  std::uint64_t total_, done_ = 0;
  DWORD started_, shownAt_ = 0;
  HWND window_ = nullptr;
  bool cancelled_ = false;
};

}  // namespace archivers
