// The test layer of an archiver (test_layer.h): the call log and archives
// described in text.
#include "test_layer/test_layer.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>

#include "dll/entry_record.h"
#include "engine/extraction.h"
#include "formats/results.h"
#include "names/paths.h"

namespace archivers::test {

namespace {

bool ReadWholeFile(const char* path, std::string& data) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  char buffer[64 * 1024];
  for (DWORD chunk = 16;; chunk = sizeof buffer) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, chunk, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    data.append(buffer, got);
    // Anything but a description is rejected at its first bytes, so that a
    // real archive or a test's 4 GiB file costs nothing to pass over.
    if (data.compare(0, 7, "STANDIN", 0, std::min<std::size_t>(data.size(), 7)) != 0) break;
  }
  CloseHandle(file);
  return ok;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A backslash that starts no escape stands for itself, so that folder names
// like "dir\file.txt" can be written as they are.
std::string Unescape(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (IsLeadByte(c) && i + 1 < value.size()) {
      out += c;
      out += value[++i];
      continue;
    }
    if (c != '\\' || i + 1 == value.size()) {
      out += c;
      continue;
    }
    switch (value[i + 1]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '0': out += '\0'; break;
      case 'x':
        if (i + 3 < value.size() && HexValue(value[i + 2]) >= 0 && HexValue(value[i + 3]) >= 0) {
          out += static_cast<char>(HexValue(value[i + 2]) * 16 + HexValue(value[i + 3]));
          i += 2;
          break;
        }
        out += c;
        continue;
      default: out += c; continue;
    }
    ++i;
  }
  return out;
}

// Decimal or 0x hex, optionally negative, nothing else on the line.
bool ParseNumber(const std::string& text, long long low, long long high, long long& result) {
  size_t i = 0;
  bool negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  int base = 10;
  if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) base = 16, i += 2;
  if (i == text.size()) return false;
  long long value = 0;
  for (; i < text.size(); ++i) {
    int digit = HexValue(text[i]);
    if (digit < 0 || digit >= base) return false;
    value = value * base + digit;
    if (value > (1LL << 40)) return false;
  }
  result = negative ? -value : value;
  return result >= low && result <= high;
}

// Descriptions are read only where the tests ask for them: elsewhere a
// file that begins with STANDIN is no archive.
bool DescriptionsAllowed() {
  char value[8];
  return GetEnvironmentVariableA("PLENKIT_STANDIN_DESCRIPTIONS", value, sizeof value) > 0;
}

// False when the file is not a description, or has a line it does not
// understand: a typing error in a test should not pass as an archive.
bool Parse(const std::string& data, Described& archive) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < data.size();) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  if (lines.empty() || lines[0] != "STANDIN") return false;

  Entry* entry = nullptr;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty() || line[0] == '#') continue;
    size_t blank = line.find(' ');
    std::string key = line.substr(0, blank);
    std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
    long long n = 0;
    if (key == "count" && ParseNumber(value, INT_MIN, INT_MAX, n)) {
      archive.hasCount = true, archive.count = static_cast<int>(n);
    } else if (key == "open" && value == "fail") {
      archive.openFails = true;
    } else if (key == "open" && value == "negative") {
      archive.negativeHandle = true;
    } else if (key == "findfirst" && ParseNumber(value, INT_MIN, INT_MAX, n) && n != 0) {
      archive.findFirstResult = static_cast<int>(n);
    } else if (key == "findnext" && ParseNumber(value, INT_MIN, INT_MAX, n) && n != 0) {
      archive.findNextResult = static_cast<int>(n);
    } else if (key == "extract" && value == "off") {
      archive.extractOff = true;
    } else if (key == "messages" && value == "run") {
      archive.letsMessagesRun = true;
    } else if (key == "entry") {
      archive.entries.emplace_back();
      entry = &archive.entries.back();
      entry->name = value;  // names are raw: Windows paths are full of backslashes
    } else if (!entry) {
      return false;
    } else if (key == "size" && ParseNumber(value, 0, UINT32_MAX, n)) {
      entry->hasSize = true, entry->size = static_cast<uint32_t>(n);
    } else if (key == "packed" && ParseNumber(value, 0, UINT32_MAX, n)) {
      entry->hasPacked = true, entry->packed = static_cast<uint32_t>(n);
    } else if (key == "ratio" && ParseNumber(value, 0, UINT16_MAX, n)) {
      entry->ratio = static_cast<uint16_t>(n);
    } else if (key == "date" && ParseNumber(value, 0, UINT16_MAX, n)) {
      entry->date = static_cast<uint16_t>(n);
    } else if (key == "time" && ParseNumber(value, 0, UINT16_MAX, n)) {
      entry->time = static_cast<uint16_t>(n);
    } else if (key == "text") {
      entry->content += Unescape(value);
    } else if (key == "repeat" && ParseNumber(value, 0, UINT32_MAX, n)) {
      entry->hasRepeat = true, entry->repeatTo = static_cast<uint32_t>(n);
    } else if (key == "noterm" && value.empty()) {
      entry->noTerm = true;
    } else if (key == "overrun" && ParseNumber(value, 0, kMarginBytes, n)) {
      entry->overrun = static_cast<uint32_t>(n);
    } else if (key == "fillname" && value.empty() && !entry->name.empty()) {
      entry->fillName = true;
    } else {
      return false;
    }
  }

  // Applied after the entry's last line so that "repeat" may come before
  // or after its "text" lines.
  for (Entry& e : archive.entries) {
    if (e.hasRepeat) {
      std::string unit = e.content.empty() ? std::string(1, '\0') : e.content;
      e.content.clear();
      while (e.content.size() < e.repeatTo) e.content += unit;
      e.content.resize(e.repeatTo);
    }
    if (!e.hasSize) e.size = static_cast<uint32_t>(e.content.size());
    if (!e.hasPacked) e.packed = e.size;
  }
  return true;
}

const Entry* FindEntry(const Described& archive, const std::string& name) {
  for (const Entry& e : archive.entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
            written == content.size();
  return CloseHandle(file) && ok;
}

}  // namespace

// ---- log ----

// Opened and closed per call so that a test can read or remove the log at
// any time. Test processes share one log: append access alone is not enough
// under Wine (the end of file is looked up, then written to, and two
// processes lose each other's lines), so the whole file is locked while the
// line is added.
std::string LogPath() {
  // Read through the system and not getenv(): a test that sets the variable
  // with SetEnvironmentVariableA is not seen by the C runtime.
  char path[MAX_PATH * 2];
  DWORD length = GetEnvironmentVariableA("PLENKIT_STANDIN_LOG", path, sizeof path);
  return length == 0 || length >= sizeof path ? std::string() : std::string(path, length);
}

void LogTo(const std::string& path, const std::string& line) {
  if (path.empty()) return;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  OVERLAPPED whole = {};
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
    std::string text = line + "\n";
    DWORD written = 0;
    LARGE_INTEGER zero = {};
    SetFilePointerEx(file, zero, nullptr, FILE_END);
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &whole);
  }
  CloseHandle(file);
}

// ---- described archives ----

std::shared_ptr<const Described> LoadDescribed(const char* path) {
  // Kept by its text, not the file's time: tests rewrite descriptions
  // faster than a file's time changes. Reading is cheap; parsing is not.
  static std::mutex lock;
  static std::string lastText;
  static std::shared_ptr<const Described> last;
  std::string data;
  if (!path || !DescriptionsAllowed() || !ReadWholeFile(path, data)) return nullptr;
  std::lock_guard<std::mutex> guard{lock};
  if (last && data == lastText) return last;
  auto archive = std::make_shared<Described>();
  if (!Parse(data, *archive)) return nullptr;
  lastText = std::move(data), last = archive;
  return archive;
}

void FillInfo(const Entry& entry, void* info) {
  EntryRecord record;
  record.originalSize = entry.size;
  record.compressedSize = entry.packed;
  record.ratio = entry.ratio;
  record.date = entry.date;
  record.time = entry.time;
  WriteRecord(record, entry.name, info);
  if (info && entry.fillName) {
    // The name again and again, to the record's last byte: no zero anywhere.
    unsigned char* record = static_cast<unsigned char*>(info);
    for (size_t i = kNameOffset; i < kRecordBytes; ++i) {
      record[i] = static_cast<unsigned char>(entry.name[(i - kNameOffset) % entry.name.size()]);
    }
  }
}

int Extract(const Described& archive, const std::string& destination, const std::vector<std::string>& names) {
  std::vector<const Entry*> chosen;
  for (const std::string& name : names) {
    const Entry* entry = FindEntry(archive, name);
    if (!entry) return ERROR_NOT_FIND_FILE;
    chosen.push_back(entry);
  }
  if (names.empty()) {
    for (const Entry& e : archive.entries) chosen.push_back(&e);
  }
  if (archive.extractOff) return 0;

  if (!MakeFolders(destination)) return ERROR_MAKEDIRECTORY;
  std::string base = EndsWithSeparator(destination) ? destination : destination + "\\";
  int result = 0;
  for (const Entry* entry : chosen) {
    // The same names are refused as in real archives.
    if (!StaysInside(entry->name)) {
      if (result == 0) result = ERROR_INVALID_PATH;
      continue;
    }
    std::string path = base + entry->name;
    if (EndsWithSeparator(path)) {
      if (!MakeFolders(path.substr(0, path.size() - 1))) return ERROR_MAKEDIRECTORY;
      continue;
    }
    size_t cut = LastSeparator(path);
    if (cut != std::string::npos) MakeFolders(path.substr(0, cut));
    if (!WriteWholeFile(path, entry->content)) return ERROR_CANNOT_WRITE;
  }
  return result;
}

// Copies as much of the content as fits; the zero, the missing zero and
// the bytes past the end imitate libraries that are less careful.
int Print(const Described& archive, const std::string& name, char* output, DWORD size) {
  const Entry* entry = FindEntry(archive, name);
  if (!entry) {
    if (output && size > 0) output[0] = '\0';
    return ERROR_NOT_FIND_FILE;
  }
  if (!output) return 0;
  size_t copied = entry->content.size() < size ? entry->content.size() : size;
  memcpy(output, entry->content.data(), copied);
  if (copied < size && !entry->noTerm) output[copied] = '\0';
  if (entry->overrun > 0) memset(output + size, 'X', entry->overrun);
  return 0;
}

// What a library with a window of its own does while it works: the
// caller's pending messages run, whatever they do to the caller.
void LetMessagesRun() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace archivers::test
