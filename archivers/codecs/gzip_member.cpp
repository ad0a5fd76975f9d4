// One gzip member (RFC 1952): its header read field by field, its deflated
// data inflated by zlib, its length checked against the trailer. The
// trailer's CRC-32 is the caller's to check (CheckedSink).
#include <zlib.h>

#include "codecs/byte_stream.h"
#include "codecs/checksums.h"
#include "codecs/decoders.h"

namespace archivers {

namespace {

enum GzipFlag : unsigned { kText = 1, kHeaderCrc = 2, kExtra = 4, kName = 8, kComment = 16 };

// The header's bytes taken one by one, summed for FHCRC's check.
class Header {
 public:
  explicit Header(ByteStream& in) : in_(in) {}
  bool Byte(unsigned& value) {
    unsigned char byte;
    if (!in_.Byte(byte)) return false;
    crc_ = Crc32(crc_, &byte, 1);
    value = byte;
    return true;
  }
  bool Skip(std::uint64_t count) {
    for (unsigned ignored; count > 0; --count) {
      if (!Byte(ignored)) return false;
    }
    return true;
  }
  bool SkipText() {  // a name or a comment, to its zero byte
    for (unsigned c = 1; c != 0;) {
      if (!Byte(c)) return false;
    }
    return true;
  }
  std::uint32_t Crc() const { return crc_; }

 private:
  ByteStream& in_;
  std::uint32_t crc_ = 0;
};

bool ReadHeader(ByteStream& in) {
  Header h(in);
  unsigned id1, id2, method, flags, low, high;
  if (!h.Byte(id1) || !h.Byte(id2) || !h.Byte(method) || !h.Byte(flags)) return false;
  if (id1 != 0x1F || id2 != 0x8B || method != 8 || flags > 0x1F) return false;
  if (!h.Skip(6)) return false;  // the time, the extra flags and the system
  if (flags & kExtra) {
    if (!h.Byte(low) || !h.Byte(high) || !h.Skip(low | high << 8)) return false;
  }
  if ((flags & kName) && !h.SkipText()) return false;
  if ((flags & kComment) && !h.SkipText()) return false;
  if (flags & kHeaderCrc) {
    const std::uint32_t sum = h.Crc() & 0xFFFF;
    if (!h.Byte(low) || !h.Byte(high) || (low | high << 8) != sum) return false;
  }
  return true;
}

struct Inflater {
  z_stream z{};
  bool ready = inflateInit2(&z, -MAX_WBITS) == Z_OK;
  ~Inflater() {
    if (ready) inflateEnd(&z);
  }
};

}  // namespace

DecodeResult InflateGzipMember(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                               const Sink& sink) {
  ByteStream in(source, offset, packed);
  if (!ReadHeader(in)) return DecodeResult::Damaged;
  Inflater inflater;
  if (!inflater.ready) return DecodeResult::Damaged;
  z_stream& z = inflater.z;
  std::vector<unsigned char> out(OutputPiece(original));
  std::uint64_t produced = 0;
  bool outputFull = false;
  for (int status = Z_OK; status != Z_STREAM_END;) {
    // A full output may leave more to come of the input already taken.
    if (!in.Fill() && !outputFull) return DecodeResult::Damaged;  // the data ends inside the stream
    z.next_in = in.Data();
    z.avail_in = static_cast<uInt>(in.Available());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    status = inflate(&z, Z_NO_FLUSH);
    in.Use(in.Available() - z.avail_in);
    if (status != Z_OK && status != Z_STREAM_END) return DecodeResult::Damaged;
    const std::size_t made = out.size() - z.avail_out;
    outputFull = z.avail_out == 0;
    if (made > original - produced) return DecodeResult::Damaged;  // never beyond the declared size
    if (made > 0 && !sink(out.data(), made)) return DecodeResult::Stopped;
    produced += made;
  }
  // The trailer closes the member: its CRC-32, then the length mod 2^32.
  unsigned char trailer[8];
  for (unsigned char& byte : trailer) {
    if (!in.Byte(byte)) return DecodeResult::Damaged;
  }
  const std::uint32_t length =
      trailer[4] | trailer[5] << 8 | trailer[6] << 16 | static_cast<std::uint32_t>(trailer[7]) << 24;
  return produced == original && length == static_cast<std::uint32_t>(produced) && in.Left() == 0
             ? DecodeResult::Ok
             : DecodeResult::Damaged;
}

}  // namespace archivers
