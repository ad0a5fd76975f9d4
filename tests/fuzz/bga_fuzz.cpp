// gza and bza archives from any bytes: listed or refused, and every member
// decoded to its declared size or ended as damaged, without reading or
// writing out of bounds, without running on, and never giving more bytes
// than a member declares.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "fuzz_check.h"
#include "formats/byte_source.h"
#include "formats/reader.h"
#include "formats/registry.h"

using namespace archivers;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<Reader> reader =
      MakeReader(Format::Bga, std::make_unique<MemorySource>(data, size));
  Listing listing;
  if (!reader || !reader->List(listing)) return 0;
  FUZZ_CHECK(listing.members.size() <= size / 29);  // a header and a name's byte at least, each
  for (std::size_t i = 0; i < listing.members.size(); ++i) {
    const Member& member = listing.members[i];
    std::uint64_t given = 0;
    // Stops a member after 1 MiB: what is fuzzed is the reader, not the
    // patience of a sink.
    const int result = reader->Read(i, member, [&](const unsigned char*, std::size_t n) {
      given += n;
      FUZZ_CHECK(given <= member.size);
      return given < (1u << 20);
    });
    if (result == 0) FUZZ_CHECK(given == member.size);
  }
  return 0;
}
