// The archives Debian's own tools make at test time
// (scripts/make_archives.py), what the tools list of them, and what they
// archived.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archiver/archiver_set.h"
#include "win/test_support.h"

namespace real_archives {

// build/archives, with a closing "\".
std::string Folder();

struct Row {
  std::string name, packed, stamp;  // packed "-": the tool does not say
  std::uint32_t size = 0;
};

// The tool's listing of the archive at `path`.
std::vector<Row> ToolListing(const std::string& path);

// Every archive the tools made, by file name.
std::vector<std::string> Made();

// What the member `name` of `archive` (a file name) holds, as archived.
std::string Original(const std::string& archive, const std::string& name);

// Everything under `folder`: "name\" for a folder, "name:size" for a
// file, sorted.
std::vector<std::string> Tree(const std::string& folder, const std::string& prefix = "");

// One entry as a walk gives it: name, sizes, time as YYYYMMDDhhmmss.
struct Listed {
  std::string name;
  std::uint32_t size, packed;
  std::string stamp;
};

// The stand-in archivers loaded from a sandbox of their own.
struct Archivers {
  Archivers() { set.LoadArchivers(); }
  ~Archivers() { set.FreeArchivers(); }

  std::vector<Listed> List(const std::string& path);
  // One command; the boxes it shows are answered with `answer` and kept in
  // `boxes`. The progress window is left alone unless `answer` says.
  int Extract(const std::string& path, const std::string& destination,
              const std::string& name = "");

  testing_support::Sandbox box;
  plenkit::ArchiverSet set;
  std::vector<std::string> boxes;
  // By default a password is never known: its box is answered "スキップ".
  std::function<int(const std::string&)> answer = [](const std::string& texts) {
    return IsProgress(texts) ? 0 : IsPasswordBox(texts) ? kSkipPassword : IDOK;
  };
  static bool IsProgress(const std::string& texts) { return texts.rfind("書庫: ", 0) == 0; }
  static bool IsPasswordBox(const std::string& texts) {
    return texts.find("文字を表示する") != std::string::npos;
  }
  static constexpr int kSkipPassword = 11, kPasswordEdit = 40;
};

// One of our DLLs, loaded from a sandbox; its entry points looked up by
// name, as any caller does.
class Library {
 public:
  Library(const testing_support::Sandbox& box, const std::string& file, const std::string& prefix)
      : module_(LoadLibraryA(box.Path(file).c_str())), prefix_(prefix) {}
  ~Library() {
    if (module_) FreeLibrary(module_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  template <typename Function>
  Function Get(const char* suffix) const {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(module_, (prefix_ + suffix).c_str())));
  }
  WORD Version() const { return Get<WORD(WINAPI*)()>("GetVersion")(); }
  BOOL Running() const { return Get<BOOL(WINAPI*)()>("GetRunning")(); }
  BOOL Has(int function) const { return Get<BOOL(WINAPI*)(int)>("QueryFunctionList")(function); }
  BOOL Check(const std::string& path, int mode) const {
    return Get<BOOL(WINAPI*)(LPCSTR, int)>("CheckArchive")(path.c_str(), mode);
  }
  BOOL SetOwner(HWND owner) const { return Get<BOOL(WINAPI*)(HWND)>("SetOwnerWindow")(owner); }
  BOOL ClearOwner() const { return Get<BOOL(WINAPI*)()>("ClearOwnerWindow")(); }
  // The command entry point, with no window.
  int Command(const std::string& line, char* output = nullptr, DWORD size = 0) const {
    return Get<int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD)>("")(nullptr, line.c_str(), output, size);
  }

 private:
  HMODULE module_;
  std::string prefix_;
};

}  // namespace real_archives
