// One bzip2 stream, decompressed by the bzip2 library, which checks each
// block's CRC and the stream's.
// On Windows bzlib.h declares the functions themselves (WINAPI) unless told
// BZ_IMPORT, which would make them pointers into a DLL.
#include <bzlib.h>

#include "codecs/byte_stream.h"
#include "codecs/decoders.h"

namespace archivers {

namespace {

struct Decompressor {
  bz_stream b{};
  bool ready = BZ2_bzDecompressInit(&b, 0, 0) == BZ_OK;
  ~Decompressor() {
    if (ready) BZ2_bzDecompressEnd(&b);
  }
};

}  // namespace

DecodeResult DecompressBzip2(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                             const Sink& sink) {
  ByteStream in(source, offset, packed);
  Decompressor decompressor;
  if (!decompressor.ready) return DecodeResult::Damaged;
  bz_stream& b = decompressor.b;
  std::vector<char> out(OutputPiece(original));
  std::uint64_t produced = 0;
  bool outputFull = false;
  for (int status = BZ_OK; status != BZ_STREAM_END;) {
    // A full output may leave more to come of the input already taken.
    if (!in.Fill() && !outputFull) return DecodeResult::Damaged;  // the data ends inside the stream
    b.next_in = reinterpret_cast<char*>(in.Data());
    b.avail_in = static_cast<unsigned>(in.Available());
    b.next_out = out.data();
    b.avail_out = static_cast<unsigned>(out.size());
    status = BZ2_bzDecompress(&b);
    in.Use(in.Available() - b.avail_in);
    if (status != BZ_OK && status != BZ_STREAM_END) return DecodeResult::Damaged;
    const std::size_t made = out.size() - b.avail_out;
    outputFull = b.avail_out == 0;
    if (made > original - produced) return DecodeResult::Damaged;  // never beyond the declared size
    if (made > 0 && !sink(reinterpret_cast<const unsigned char*>(out.data()), made)) return DecodeResult::Stopped;
    produced += made;
  }
  return produced == original ? DecodeResult::Ok : DecodeResult::Damaged;
}

}  // namespace archivers
