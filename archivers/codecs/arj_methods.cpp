#include "codecs/decoders.h"
#include "codecs/methods.h"

namespace archivers {

DecodeResult ArjDecode(int method, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                       std::uint64_t original, const Sink& sink) {
  if (method == 0) return CopyStored(source, offset, packed, original, sink);
  if (method < 1 || method > 4) return DecodeResult::UnknownMethod;
  BitReader bits(source, offset, packed);
  // ARJ's window is 26,624 bytes and its offsets reach 65,535: the ring of
  // 64 KiB serves every offset; one before the member's start reads zeros.
  History out(original, sink);
  // Methods 1 to 3 share LZH's -lh7- coding: 17 offset codes, their count
  // in 5 bits.
  DecodeResult result = method == 4 ? DecodeArjFast(bits, out) : DecodeStaticHuffman(bits, out, 17, 5, true);
  if (result == DecodeResult::Ok && !out.Flush()) result = DecodeResult::Stopped;
  return result;
}

}  // namespace archivers
