#include "codecs/decoders.h"
#include "codecs/methods.h"

namespace archivers {

namespace {

enum class Coding { Shrink, Reduce, Implode, Deflate64, Bzip2 };

struct ZipMethod {
  unsigned number;
  Coding coding;
  int factor = 0;  // Reduce's
};

// clang-format off
const ZipMethod kMethods[] = {
    {1, Coding::Shrink},
    {2, Coding::Reduce, 1}, {3, Coding::Reduce, 2}, {4, Coding::Reduce, 3}, {5, Coding::Reduce, 4},
    {6, Coding::Implode},
    {9, Coding::Deflate64},
    {12, Coding::Bzip2},
};
// clang-format on

// What Implode reads of the general purpose flags.
enum ImplodeFlag : unsigned { kLargeWindow = 0x2, kCodedLiterals = 0x4 };

const ZipMethod* Find(unsigned number) {
  for (const ZipMethod& method : kMethods) {
    if (number == method.number) return &method;
  }
  return nullptr;
}

}  // namespace

bool ZipMethodOwn(unsigned method) { return Find(method) != nullptr; }

DecodeResult ZipDecode(unsigned number, unsigned flags, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                       std::uint64_t original, const Sink& sink) {
  const ZipMethod* method = Find(number);
  if (!method) return DecodeResult::UnknownMethod;
  if (method->coding == Coding::Deflate64) return InflateDeflate64(source, offset, packed, original, sink);
  if (method->coding == Coding::Bzip2) return DecompressBzip2(source, offset, packed, original, sink);
  // Only the size ends the legacy codings: a member of no bytes reads none.
  if (original == 0) return DecodeResult::Ok;
  LsbBitReader bits(source, offset, packed);
  History out(original, sink);
  DecodeResult result;
  switch (method->coding) {
    case Coding::Shrink: result = DecodeShrink(bits, out); break;
    case Coding::Reduce: result = DecodeReduce(bits, out, method->factor); break;
    default: result = DecodeImplode(bits, out, (flags & kLargeWindow) != 0, (flags & kCodedLiterals) != 0); break;
  }
  // The last bit taken lies within the member's data.
  if (result == DecodeResult::Ok && bits.Overrun()) result = DecodeResult::Damaged;
  if (result == DecodeResult::Ok && !out.Flush()) result = DecodeResult::Stopped;
  return result;
}

}  // namespace archivers
