#include "real/arj.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace standin {

namespace {

// Matches are at least three bytes long; methods 1 to 3 share LZH's -lh7-
// coding: 17 offset codes, their count in 5 bits.
constexpr int kThreshold = 3;
constexpr int kOffsetCodes = 17;
constexpr int kOffsetBits = 5;
constexpr std::size_t kFlushAt = 1 << 15;

// Method 4: lengths and offsets in unary-prefixed codes.
ArjResult DecodeFast(BitReader& bits, Output& out) {
  // Up to `most` one-bits, stopping after a zero; n ones then give the
  // value 2^(first+n) - 2^first + the next first+n bits.
  auto prefixed = [&bits](int first, int most) {
    unsigned plus = 0;
    int width = first;
    for (; width < first + most; ++width) {
      if (!bits.Get(1)) break;
      plus += 1u << width;
    }
    return plus + bits.Get(width);
  };
  while (!out.Done()) {
    if (bits.Exhausted()) return ArjResult::Damaged;
    const unsigned length = prefixed(0, 7);
    if (length == 0) {
      if (!out.Put(static_cast<unsigned char>(bits.Get(8)))) return ArjResult::Stopped;
      continue;
    }
    const unsigned offset = prefixed(9, 4);
    if (!out.Copy(offset, length + kThreshold - 1)) return ArjResult::Stopped;
  }
  return ArjResult::Ok;
}

}  // namespace

ArjResult ArjDecode(int method, ByteSource& source, std::uint64_t offset, std::uint64_t packedSize,
                    std::uint64_t originalSize, const ArjSink& sink) {
  if (method == 0) {
    if (packedSize < originalSize) return ArjResult::Damaged;
    std::vector<unsigned char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(originalSize, kFlushAt)));
    for (std::uint64_t done = 0; done < originalSize;) {
      const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(originalSize - done, kFlushAt));
      if (source.ReadAt(offset + done, piece.data(), run) != run) return ArjResult::Damaged;
      if (!sink(piece.data(), run)) return ArjResult::Stopped;
      done += run;
    }
    return ArjResult::Ok;
  }
  if (method < 1 || method > 4) return ArjResult::UnknownMethod;
  BitReader bits(source, offset, packedSize);
  Output out(originalSize, sink);
  // ARJ's window is 26,624 bytes and its offsets reach 65,535: the ring of
  // 64 KiB serves every offset; one before the member's start reads zeros.
  ArjResult result =
      method == 4 ? DecodeFast(bits, out) : DecodeStaticHuffman(bits, out, kOffsetCodes, kOffsetBits, true);
  if (result == ArjResult::Ok && !out.Flush()) result = ArjResult::Stopped;
  return result;
}

namespace {

std::uint32_t Le16(const unsigned char* p) { return p[0] | p[1] << 8; }
std::uint32_t Le32(const unsigned char* p) { return Le16(p) | Le16(p + 2) << 16; }

// One header block at `at`: 0x60 0xEA, its size (0 ends the archive), the
// basic header, its CRC-32, then extended headers until a size of 0. On
// success `at` is past the block's headers and `basic` holds the basic
// header (empty at the end of the archive).
bool ReadBlock(ByteSource& source, std::uint64_t& at, std::vector<unsigned char>& basic) {
  std::vector<unsigned char> head;
  if (!source.Read(at, 4, head) || head[0] != 0x60 || head[1] != 0xEA) return false;
  const std::size_t basicSize = Le16(head.data() + 2);
  at += 4;
  basic.clear();
  if (basicSize == 0) return true;
  if (basicSize > 2600 || !source.Read(at, basicSize + 4, basic)) return false;
  if (Crc32(0, basic.data(), basicSize) != Le32(basic.data() + basicSize)) return false;
  basic.resize(basicSize);
  at += basicSize + 4;
  for (;;) {
    if (!source.Read(at, 2, head)) return false;
    const std::size_t extended = Le16(head.data());
    at += 2;
    if (extended == 0) return true;
    if (source.Size() - at < extended + 4) return false;
    at += extended + 4;
  }
}

}  // namespace

bool ParseArj(ByteSource& source, std::vector<ArjMember>& members) {
  members.clear();
  std::uint64_t at = 0;
  std::vector<unsigned char> basic;
  // The main header: file type 2.
  if (!ReadBlock(source, at, basic) || basic.size() < 30 || basic[6] != 2) return false;
  for (;;) {
    if (!ReadBlock(source, at, basic)) return false;
    if (basic.empty()) return true;
    const std::size_t first = basic[0];
    if (first < 30 || first >= basic.size()) return false;
    ArjMember m;
    const int host = basic[3];
    m.flags = basic[4];
    m.method = basic[5];
    m.fileType = basic[6];
    m.unixTime = host == 2 || host == 8;  // Unix and NeXT hosts store seconds
    m.stamp = Le32(&basic[8]);
    m.packedSize = Le32(&basic[12]);
    m.originalSize = Le32(&basic[16]);
    m.crc = Le32(&basic[20]);
    const unsigned char* name = &basic[first];
    const void* end = std::memchr(name, 0, basic.size() - first);
    if (!end) return false;
    m.name.assign(reinterpret_cast<const char*>(name), static_cast<const unsigned char*>(end) - name);
    if (source.Size() - at < m.packedSize) return false;
    m.dataOffset = at;
    at += m.packedSize;
    members.push_back(std::move(m));
  }
}

}  // namespace standin
