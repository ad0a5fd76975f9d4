// An archive of any bytes through the reader an archiver uses for
// its format, as the DLL sees a file: listed, and every member read to its
// end, or refused, without reading or writing out of bounds, without
// running on, and never giving more bytes than a member declares.
// The first byte picks the format: 0 lzh, 1 zip, 2 cab, 3 rar, 4 arj, 5 gza
// and bza.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_check.h"
#include "formats/byte_source.h"
#include "formats/reader.h"
#include "formats/registry.h"

using namespace archivers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const Format formats[] = {Format::Lha, Format::Zip, Format::Cab, Format::Rar, Format::Arj, Format::Bga};
  const Format format = formats[data[0] % 6];
  std::unique_ptr<Reader> reader =
      MakeReader(format, std::make_unique<MemorySource>(data + 1, size - 1));
  Listing listing;
  if (!reader || !reader->List(listing)) return 0;
  for (std::size_t i = 0; i < listing.members.size() && i < 16; ++i) {
    const Member& member = listing.members[i];
    std::uint64_t given = 0;
    // A sink that stops after 256 KiB: what is fuzzed is the reader, not
    // the patience of a sink. The bound is checked on every call, so a
    // reader that overruns is caught even when the sink then stops it.
    const int result = reader->Read(i, member, [&](const unsigned char*, std::size_t n) {
      given += n;
      if (member.sizeKnown) FUZZ_CHECK(given <= member.size);
      return given < (256u << 10);
    });
    if (result == 0 && member.sizeKnown) FUZZ_CHECK(given == member.size);
  }
  return 0;
}
