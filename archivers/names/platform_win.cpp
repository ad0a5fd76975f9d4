// The platform's part of the names and times, for the archivers themselves.
#include <windows.h>

#include <ctime>

#include "names/platform.h"

namespace archivers {

std::uint64_t FileTimeOfDos(std::uint16_t date, std::uint16_t time) {
  FILETIME local, utc;
  return DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &utc)
             ? (static_cast<std::uint64_t>(utc.dwHighDateTime) << 32 | utc.dwLowDateTime)
             : 0;
}

bool LocalTime(std::int64_t seconds, std::tm& local) {
  const __time64_t time = seconds;
  const struct tm* found = _localtime64(&time);
  if (found) local = *found;
  return found != nullptr;
}

namespace {

UINT CodePage(Charset charset) {
  switch (charset) {
    case Charset::Utf8: return CP_UTF8;
    case Charset::Cp437: return 437;
    case Charset::Cp1252: return 1252;
    default: return 932;
  }
}

std::u32string FromUtf16(const wchar_t* text, std::size_t length) {
  std::u32string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    const char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
    } else {
      out += c;
    }
  }
  return out;
}

std::wstring ToUtf16(const std::u32string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
      out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

}  // namespace

bool Decode(std::string_view bytes, Charset charset, std::u32string& text) {
  text.clear();
  if (bytes.empty()) return true;
  std::wstring wide(bytes.size(), L'\0');
  const int made = MultiByteToWideChar(CodePage(charset), MB_ERR_INVALID_CHARS, bytes.data(),
                                       static_cast<int>(bytes.size()), &wide[0], static_cast<int>(wide.size()));
  if (made <= 0) return false;
  text = FromUtf16(wide.data(), static_cast<std::size_t>(made));
  return true;
}

std::u32string Composed(const std::u32string& text) {
  // Windows 7 has it in kernel32, Vista in normaliz.dll.
  using Normalize = int(WINAPI*)(int, LPCWSTR, int, LPWSTR, int);
  static const Normalize normalize = [] {
    FARPROC proc = GetProcAddress(GetModuleHandleA("kernel32.dll"), "NormalizeString");
    if (!proc) {
      if (const HMODULE normaliz = LoadLibraryA("normaliz.dll")) proc = GetProcAddress(normaliz, "NormalizeString");
    }
    return reinterpret_cast<Normalize>(reinterpret_cast<void*>(proc));
  }();
  bool ascii = true;
  for (char32_t c : text) ascii = ascii && c < 0x80;
  if (ascii || !normalize) return text;
  const std::wstring wide = ToUtf16(text);
  std::wstring composed(wide.size() * 2 + 8, L'\0');
  const int made = normalize(1 /* NormalizationC */, wide.data(), static_cast<int>(wide.size()), &composed[0],
                             static_cast<int>(composed.size()));
  return made > 0 ? FromUtf16(composed.data(), static_cast<std::size_t>(made)) : text;
}

std::string ShiftJisOf(const std::u32string& text, char substitute) {
  const std::wstring wide = ToUtf16(text);
  const char fallback[2] = {substitute, '\0'};
  const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), nullptr,
                                         0, fallback, nullptr);
  std::string bytes(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), &bytes[0], length,
                        fallback, nullptr);
  }
  return bytes;
}

std::u32string Folded(const std::u32string& text) {
  std::wstring wide = ToUtf16(text);
  CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
  return FromUtf16(wide.data(), wide.size());
}

}  // namespace archivers
