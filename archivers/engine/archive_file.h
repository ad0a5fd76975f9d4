// The archive file on Windows, read in ranges for the readers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "formats/byte_source.h"

namespace archivers {

// Opened to share reading, writing and deleting, and closed between the
// library's calls (Release): reading an archive stands in nobody's way, and
// a file deleted meanwhile is gone. Small reads (the headers a reader walks)
// are served from a window of the file read ahead.
class ArchiveFile final : public ByteSource {
 public:
  // `path` in the ANSI code page, as every path of the libraries' callers.
  explicit ArchiveFile(const char* path);
  ~ArchiveFile() override;
  ArchiveFile(const ArchiveFile&) = delete;
  ArchiveFile& operator=(const ArchiveFile&) = delete;

  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return handle_; }
  // Closes the file; the next read opens it again.
  void Release();
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t length) override;

 private:
  std::size_t ReadDirect(std::uint64_t offset, void* into, std::size_t length);

  std::wstring path_;
  HANDLE handle_;
  std::uint64_t size_ = 0;
  std::unique_ptr<unsigned char[]> window_;
  std::uint64_t windowAt_ = 0;
  std::size_t windowSize_ = 0;
};

// The archive at `path`, or null when it cannot be opened.
std::unique_ptr<ArchiveFile> OpenArchiveFile(const char* path);

}  // namespace archivers
