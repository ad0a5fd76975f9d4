#include <string_view>

#include "codecs/decoders.h"
#include "codecs/methods.h"

namespace archivers {

namespace {

enum class Coding { Stored, StaticHuffman, Lzhuf, Lzs, Lz5, Pm1, Pm2, Folder };

struct LzhMethod {
  std::string_view name;
  Coding coding;
  int offsetCodes = 0, offsetBits = 0;  // the static Huffman coding's offsets
  std::size_t history = 1 << 16;
};

// clang-format off
const LzhMethod kMethods[] = {
    {"-lh0-", Coding::Stored},        {"-lz4-", Coding::Stored},
    {"-lh1-", Coding::Lzhuf},
    {"-lh4-", Coding::StaticHuffman, 14, 4}, {"-lh5-", Coding::StaticHuffman, 14, 4},
    {"-lh6-", Coding::StaticHuffman, 16, 5}, {"-lh7-", Coding::StaticHuffman, 17, 5},
    {"-lhx-", Coding::StaticHuffman, 20, 5, 1 << 20},
    {"-lzs-", Coding::Lzs},           {"-lz5-", Coding::Lz5},
    // PMarc's: -pm1- reaches 10,815 bytes back, never before the start;
    // -pm2- 8,191, before the start into the blanks.
    {"-pm0-", Coding::Stored},        {"-pm1-", Coding::Pm1},           {"-pm2-", Coding::Pm2},
    {"-lhd-", Coding::Folder},
};
// clang-format on

const LzhMethod* Find(const std::string& name) {
  for (const LzhMethod& method : kMethods) {
    if (name == method.name) return &method;
  }
  return nullptr;
}

}  // namespace

bool LzhMethodKnown(const std::string& method) { return Find(method) != nullptr; }

DecodeResult LzhDecode(const std::string& name, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                       std::uint64_t original, const Sink& sink) {
  const LzhMethod* method = Find(name);
  if (!method || method->coding == Coding::Folder) return DecodeResult::UnknownMethod;
  if (method->coding == Coding::Stored) return CopyStored(source, offset, packed, original, sink);
  BitReader bits(source, offset, packed);
  // The history starts as blanks: a match before the start reads them.
  History out(original, sink, method->history, ' ');
  DecodeResult result;
  switch (method->coding) {
    case Coding::Lzhuf: result = DecodeLzhuf(bits, out); break;
    case Coding::Lzs: result = DecodeLzs(bits, out); break;
    case Coding::Lz5: result = DecodeLz5(bits, out); break;
    case Coding::Pm1: result = DecodePm1(bits, out); break;
    case Coding::Pm2: result = DecodePm2(bits, out); break;
    default: result = DecodeStaticHuffman(bits, out, method->offsetCodes, method->offsetBits, false); break;
  }
  if (result == DecodeResult::Ok && !out.Flush()) result = DecodeResult::Stopped;
  return result;
}

}  // namespace archivers
