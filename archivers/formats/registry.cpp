#include "formats/registry.h"

#include "formats/arj_headers.h"
#include "formats/bga_headers.h"
#include "formats/cab_folders.h"
#include "formats/lzh_headers.h"
#include "formats/rar_headers.h"
#include "formats/zip_directory.h"

namespace archivers {

namespace {

struct FormatReader {
  Format format;
  bool (*looksLikeOne)(ByteSource& source);
  std::unique_ptr<Reader> (*make)(std::unique_ptr<ByteSource> source);
};

// clang-format off
const FormatReader kReaders[] = {
    {Format::Lha, LooksLikeLzh, MakeLzhReader},
    {Format::Zip, LooksLikeZip, [](std::unique_ptr<ByteSource> s) { return MakeLibarchiveReader(Format::Zip, std::move(s)); }},
    {Format::Cab, LooksLikeCab, [](std::unique_ptr<ByteSource> s) { return MakeLibarchiveReader(Format::Cab, std::move(s)); }},
    {Format::Rar, LooksLikeRar, [](std::unique_ptr<ByteSource> s) { return MakeLibarchiveReader(Format::Rar, std::move(s)); }},
    {Format::Arj, LooksLikeArj, MakeArjReader},
    {Format::Bga, LooksLikeBga, MakeBgaReader},
};
// clang-format on

}  // namespace

std::unique_ptr<Reader> MakeReader(Format format, std::unique_ptr<ByteSource> source) {
  for (const FormatReader& reader : kReaders) {
    if (reader.format == format)
      return source && reader.looksLikeOne(*source) ? reader.make(std::move(source)) : nullptr;
  }
  return nullptr;
}

}  // namespace archivers
