#include "real/files.h"

namespace standin {

ReadOnlyFile::ReadOnlyFile(const char* path)
    : handle_(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
  LARGE_INTEGER size;
  if (handle_ != INVALID_HANDLE_VALUE && GetFileSizeEx(handle_, &size)) size_ = static_cast<std::uint64_t>(size.QuadPart);
}

ReadOnlyFile::~ReadOnlyFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

bool ReadOnlyFile::Read(std::uint64_t offset, std::uint64_t length, std::vector<unsigned char>& bytes) {
  if (offset > size_ || length > size_ - offset || length > (1u << 30)) return false;
  bytes.resize(static_cast<std::size_t>(length));
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD got = 0;
  return SetFilePointerEx(handle_, at, nullptr, FILE_BEGIN) &&
         (length == 0 || ReadFile(handle_, bytes.data(), static_cast<DWORD>(length), &got, nullptr)) && got == length;
}

std::wstring Widen(UINT codePage, const char* text, std::size_t length) {
  std::wstring wide(length, L'\0');  // never more characters than bytes
  const int made = MultiByteToWideChar(codePage, 0, text, static_cast<int>(length), &wide[0], static_cast<int>(length));
  wide.resize(static_cast<std::size_t>(made > 0 ? made : 0));
  return wide;
}

std::string ShiftJis(const wchar_t* text, std::size_t length) {
  std::string narrow(length * 2, '\0');  // at most two bytes a character
  const int made = WideCharToMultiByte(932, 0, text, static_cast<int>(length), &narrow[0],
                                       static_cast<int>(narrow.size()), nullptr, nullptr);
  narrow.resize(static_cast<std::size_t>(made > 0 ? made : 0));
  return narrow;
}

}  // namespace standin
