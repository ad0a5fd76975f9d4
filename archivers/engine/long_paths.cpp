#include "engine/long_paths.h"

#include <windows.h>

namespace archivers {

std::wstring Wide(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string Narrow(const std::wstring& text, unsigned codePage) {
  const int length =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
  }
  return bytes;
}

void Wipe(std::wstring& secret) {
  if (!secret.empty()) SecureZeroMemory(&secret[0], secret.size() * sizeof(wchar_t));
  secret.clear();
}

std::wstring LongPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  if (wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
  std::wstring full(wide.size() + MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (n == 0) return wide;  // no full path to be had: the call that takes it says so
    const bool fits = n < full.size();
    full.resize(n);
    if (fits) break;
  }
  return full.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}

std::wstring NtForm(std::wstring longPath) {
  if (longPath.compare(0, 4, L"\\\\?\\") == 0) longPath[1] = L'?';
  return longPath;
}

}  // namespace archivers
