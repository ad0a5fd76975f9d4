// Windows pieces the readers share: an archive file read in ranges, and
// names between code pages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

// Opened to share reading, writing and deleting: reading an archive stands
// in nobody's way.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const char* path);
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  std::uint64_t Size() const { return size_; }
  // Exactly `length` bytes at `offset` (at most 1 GiB), or false.
  bool Read(std::uint64_t offset, std::uint64_t length, std::vector<unsigned char>& bytes);

 private:
  HANDLE handle_;
  std::uint64_t size_ = 0;
};

// `length` bytes of `text` in `codePage` as UTF-16.
std::wstring Widen(UINT codePage, const char* text, std::size_t length);

// UTF-16 as Shift-JIS; a character CP932 lacks becomes "?".
std::string ShiftJis(const wchar_t* text, std::size_t length);

}  // namespace standin
