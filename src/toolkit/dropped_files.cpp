#include "toolkit/dropped_files.h"

#include <shlobj.h>

#include "text/sjis_path.h"

namespace toolkit {

namespace {

std::string Narrow(const wchar_t* wide, std::size_t length) {
  const int size =
      WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), text.data(), size, nullptr,
                      nullptr);
  return text;
}

// Walks the zero-separated names from `first` on, never past `end`.
template <typename Char, typename Take>
void Walk(const Char* first, const Char* end, UINT count, Take take) {
  for (const Char* name = first; count > 0 && name < end && *name; --count) {
    const Char* stop = name;
    while (stop < end && *stop) ++stop;
    take(name, static_cast<std::size_t>(stop - name));
    name = stop + 1;
  }
}

}  // namespace

std::vector<std::string> DroppedFiles(HDROP drop, UINT count) {
  std::vector<std::string> paths;
  const auto* header = static_cast<const DROPFILES*>(GlobalLock(drop));
  if (!header) return paths;
  const SIZE_T size = GlobalSize(drop);
  if (size >= sizeof(DROPFILES) && header->pFiles < size) {
    const char* base = reinterpret_cast<const char*>(header);
    const auto keep = [&paths](std::string path) {
      paths.emplace_back(plenkit::CutToBytes(path, MAX_PATH - 1));
    };
    if (header->fWide) {
      Walk(reinterpret_cast<const wchar_t*>(base + header->pFiles),
           reinterpret_cast<const wchar_t*>(base + size - (size - header->pFiles) % 2), count,
           [&](const wchar_t* name, std::size_t length) { keep(Narrow(name, length)); });
    } else {
      Walk(base + header->pFiles, base + size, count,
           [&](const char* name, std::size_t length) { keep(std::string(name, length)); });
    }
  }
  GlobalUnlock(drop);
  return paths;
}

}  // namespace toolkit
