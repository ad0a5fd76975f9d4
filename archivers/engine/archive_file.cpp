#include "engine/archive_file.h"

#include "engine/long_paths.h"

#include <algorithm>
#include <cstring>

namespace archivers {

namespace {

constexpr std::size_t kWindow = 64 * 1024;
constexpr std::size_t kSmallRead = 4096;

HANDLE OpenShared(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ArchiveFile::ArchiveFile(const char* path) : path_(LongPath(path)), handle_(OpenShared(path_)) {
  LARGE_INTEGER size;
  if (handle_ != INVALID_HANDLE_VALUE && GetFileSizeEx(handle_, &size))
    size_ = static_cast<std::uint64_t>(size.QuadPart);
}

ArchiveFile::~ArchiveFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

void ArchiveFile::Release() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

std::size_t ArchiveFile::ReadDirect(std::uint64_t offset, void* into, std::size_t length) {
  if (handle_ == INVALID_HANDLE_VALUE) handle_ = OpenShared(path_);
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD asked = static_cast<DWORD>(std::min<std::size_t>(length, 1u << 30));
  if (!ReadFile(handle_, into, asked, &got, &at)) return 0;
  return got;
}

std::size_t ArchiveFile::ReadAt(std::uint64_t offset, void* into, std::size_t length) {
  if (offset >= size_) return 0;
  length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
  if (length > kSmallRead) return ReadDirect(offset, into, length);
  if (offset < windowAt_ || offset + length > windowAt_ + windowSize_) {
    if (!window_) window_.reset(new unsigned char[kWindow]);
    windowAt_ = offset;
    windowSize_ = ReadDirect(offset, window_.get(), kWindow);
    length = std::min<std::size_t>(length, windowSize_);
  }
  std::memcpy(into, window_.get() + (offset - windowAt_), length);
  return length;
}

std::unique_ptr<ArchiveFile> OpenArchiveFile(const char* path) {
  if (!path) return nullptr;
  auto file = std::make_unique<ArchiveFile>(path);
  return file->IsOpen() ? std::move(file) : nullptr;
}

}  // namespace archivers
