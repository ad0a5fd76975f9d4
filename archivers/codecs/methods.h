// Each format's methods in one table of its own: which decoder reads a
// method, and with what parameters. Platform-free.
#pragma once

#include <cstdint>
#include <string>

#include "codecs/sink.h"
#include "formats/byte_source.h"

namespace archivers {

// Decodes a member's `packed` bytes at `offset` of `source` to exactly
// `original` bytes. The check value is the caller's to sum (CheckedSink).

// ARJ's methods 0 to 4 (arj_methods.cpp).
DecodeResult ArjDecode(int method, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                       std::uint64_t original, const Sink& sink);

// LZH's methods by their header's name, "-lh5-" (lzh_methods.cpp): whether
// one is read here (a folder's "-lhd-" among them), and its decoding.
bool LzhMethodKnown(const std::string& method);
DecodeResult LzhDecode(const std::string& method, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                       std::uint64_t original, const Sink& sink);

// zip's methods our own code decodes (zip_methods.cpp): Shrink (1), Reduce
// (2 to 5), Implode (6), Deflate64 (9) and bzip2 (12, libarchive's when
// encrypted); libarchive decodes the others.
// `flags` are the member's general purpose flags, which Implode reads.
bool ZipMethodOwn(unsigned method);
DecodeResult ZipDecode(unsigned method, unsigned flags, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                       std::uint64_t original, const Sink& sink);

}  // namespace archivers
