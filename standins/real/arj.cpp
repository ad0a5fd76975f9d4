#include "real/arj.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace standin {

namespace {

// Matches are at least three bytes long; methods 1 to 3 code literals and
// lengths in one alphabet of 510 symbols and the offsets' bit counts in 17.
constexpr int kThreshold = 3;
constexpr int kMaxMatch = 256;
constexpr int kNC = 255 + kMaxMatch + 2 - kThreshold;  // 510
constexpr int kNP = 17;
constexpr int kNT = 19;
constexpr int kCBits = 9;
constexpr int kPBits = 5;
constexpr int kTBits = 5;
constexpr int kNPT = kNT;

// The history: ARJ's window is 26,624 bytes and its offsets reach 65,535, so
// a ring of 64 KiB serves every offset a member can code; one that points
// before the member's start reads zeros, as ARJ itself does.
constexpr std::size_t kRing = 1 << 16;
constexpr std::size_t kFlushAt = 1 << 15;

// Reads bits most significant first, from the member's bytes a piece at a
// time. Past the end it supplies zero bytes and counts them, so the decoder
// can tell damaged input from the two bytes of look-ahead a well-formed
// member ends with.
class BitReader {
 public:
  BitReader(ByteSource& source, std::uint64_t offset, std::uint64_t size)
      : source_(source), offset_(offset), size_(size), buffer_(kPiece) {
    Fill();
  }

  // The next 16 bits, not consumed.
  unsigned Peek16() const { return acc_ >> 16; }

  void Skip(int bits) {
    acc_ <<= bits;
    count_ -= bits;
    Fill();
  }

  unsigned Get(int bits) {
    if (bits == 0) return 0;
    unsigned value = Peek16() >> (16 - bits);
    Skip(bits);
    return value;
  }

  bool Exhausted() const { return padding_ > 4; }

 private:
  static constexpr std::size_t kPiece = 64 * 1024;

  void Fill() {
    while (count_ <= 24) {
      unsigned byte = 0;
      if (next_ == held_ && read_ < size_) Load();
      if (next_ < held_) byte = buffer_[next_++];
      else ++padding_;
      acc_ |= static_cast<std::uint32_t>(byte) << (24 - count_);
      count_ += 8;
    }
  }

  void Load() {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size_ - read_));
    held_ = source_.ReadAt(offset_ + read_, buffer_.data(), want);
    read_ = held_ == want ? read_ + held_ : size_;  // a short read ends the input
    next_ = 0;
  }

  ByteSource& source_;
  std::uint64_t offset_, size_, read_ = 0;
  std::vector<unsigned char> buffer_;
  std::size_t next_ = 0, held_ = 0;
  std::size_t padding_ = 0;
  std::uint32_t acc_ = 0;
  int count_ = 0;
};

// Collects the output in a ring and hands it to the sink in pieces.
class Output {
 public:
  Output(std::uint64_t size, const ArjSink& sink) : ring_(kRing, 0), remaining_(size), sink_(sink) {}

  bool Done() const { return remaining_ == 0; }

  bool Put(unsigned char byte) {
    ring_[pos_++ & (kRing - 1)] = byte;
    --remaining_;
    return pos_ - flushed_ < kFlushAt || Flush();
  }

  // Copies a match; a match that runs past the member's size is cut there.
  bool Copy(std::size_t offset, std::size_t length) {
    std::size_t from = pos_ - offset - 1;
    for (std::size_t i = 0; i < length && remaining_ > 0; ++i) {
      if (!Put(ring_[(from + i) & (kRing - 1)])) return false;
    }
    return true;
  }

  bool Flush() {
    while (flushed_ < pos_) {
      std::size_t start = flushed_ & (kRing - 1);
      std::size_t run = pos_ - flushed_;
      if (run > kRing - start) run = kRing - start;
      if (!sink_(ring_.data() + start, run)) return false;
      flushed_ += run;
    }
    return true;
  }

 private:
  std::vector<unsigned char> ring_;
  std::size_t pos_ = 0, flushed_ = 0;
  std::uint64_t remaining_;
  const ArjSink& sink_;
};

// The static Huffman coding of methods 1 to 3.
class HuffmanDecoder {
 public:
  explicit HuffmanDecoder(BitReader& bits) : bits_(bits) {}

  // False when the block's tables are damaged.
  bool DecodeC(int& symbol) {
    if (blockLeft_ == 0) {
      blockLeft_ = bits_.Get(16);
      if (blockLeft_ == 0) blockLeft_ = 65536;  // a count of 0 stands for 65,536
      if (!ReadPtLen(kNT, kTBits, 3) || !ReadCLen() || !ReadPtLen(kNP, kPBits, -1)) return false;
    }
    --blockLeft_;
    symbol = Decode(cTable_, 12, kNC, cLen_);
    return symbol >= 0;
  }

  bool DecodeP(unsigned& offset) {
    const int j = Decode(ptTable_, 8, kNP, ptLen_);
    if (j < 0) return false;
    offset = j == 0 ? 0 : (1u << (j - 1)) + bits_.Get(j - 1);
    return true;
  }

 private:
  // The next symbol of a code of `symbols` symbols: its table gives codes
  // of up to `tableBits` bits, the tree below it the longer ones. -1 when
  // the tree runs out of bits (damaged data).
  int Decode(const std::uint16_t* table, int tableBits, int symbols, const unsigned char* lengths) {
    int j = table[bits_.Peek16() >> (16 - tableBits)];
    for (unsigned mask = 1u << (15 - tableBits); j >= symbols; mask >>= 1) {
      if (mask == 0) return -1;
      j = (bits_.Peek16() & mask) ? right_[j] : left_[j];
    }
    bits_.Skip(lengths[j]);
    return j;
  }

  // Builds the lookup table for codes of up to `tableBits` bits and the
  // tree below it for longer ones. False when the lengths do not make a
  // complete code.
  bool MakeTable(int count, const unsigned char* lengths, int tableBits, std::uint16_t* table) {
    std::array<unsigned, 17> perLength{};
    for (int i = 0; i < count; ++i) {
      if (lengths[i] > 16) return false;
      ++perLength[lengths[i]];
    }
    std::array<std::uint32_t, 18> start{};
    for (int i = 1; i <= 16; ++i) start[i + 1] = start[i] + (perLength[i] << (16 - i));
    if (start[17] != (1u << 16)) return false;
    const int jut = 16 - tableBits;
    std::array<std::uint32_t, 17> weight{};
    for (int i = 1; i <= tableBits; ++i) start[i] >>= jut, weight[i] = 1u << (tableBits - i);
    for (int i = tableBits + 1; i <= 16; ++i) weight[i] = 1u << (16 - i);
    std::uint32_t i = start[tableBits + 1] >> jut;
    const std::uint32_t size = 1u << tableBits;
    while (i < size) table[i++] = 0;

    int avail = count;
    const unsigned mask = 1u << (15 - tableBits);
    for (int ch = 0; ch < count; ++ch) {
      const int length = lengths[ch];
      if (length == 0) continue;
      const std::uint32_t next = start[length] + weight[length];
      if (length <= tableBits) {
        for (std::uint32_t k = start[length]; k < next; ++k) table[k] = static_cast<std::uint16_t>(ch);
      } else {
        std::uint32_t k = start[length];
        std::uint16_t* p = &table[k >> jut];
        for (int n = length - tableBits; n > 0; --n) {
          if (*p == 0) {
            if (avail >= kTree) return false;
            right_[avail] = left_[avail] = 0;
            *p = static_cast<std::uint16_t>(avail++);
          }
          p = (k & mask) ? &right_[*p] : &left_[*p];
          k <<= 1;
        }
        *p = static_cast<std::uint16_t>(ch);
      }
      start[length] = next;
    }
    return true;
  }

  bool ReadPtLen(int nn, int nbit, int special) {
    const int n = static_cast<int>(bits_.Get(nbit));
    if (n == 0) {
      const unsigned c = bits_.Get(nbit);
      if (c >= static_cast<unsigned>(nn)) return false;
      std::memset(ptLen_, 0, sizeof ptLen_);
      for (auto& entry : ptTable_) entry = static_cast<std::uint16_t>(c);
      return true;
    }
    if (n > nn) return false;
    int i = 0;
    while (i < n) {
      unsigned c = bits_.Peek16() >> 13;
      if (c == 7) {
        for (unsigned mask = 1u << 12; mask & bits_.Peek16(); mask >>= 1) {
          if (++c > 16) return false;
        }
      }
      bits_.Skip(c < 7 ? 3 : static_cast<int>(c) - 3);
      ptLen_[i++] = static_cast<unsigned char>(c);
      if (i == special) {
        for (unsigned zeros = bits_.Get(2); zeros > 0; --zeros) {
          if (i >= nn) return false;
          ptLen_[i++] = 0;
        }
      }
    }
    while (i < nn) ptLen_[i++] = 0;
    return MakeTable(nn, ptLen_, 8, ptTable_);
  }

  bool ReadCLen() {
    const int n = static_cast<int>(bits_.Get(kCBits));
    if (n == 0) {
      const unsigned c = bits_.Get(kCBits);
      if (c >= static_cast<unsigned>(kNC)) return false;
      std::memset(cLen_, 0, sizeof cLen_);
      for (auto& entry : cTable_) entry = static_cast<std::uint16_t>(c);
      return true;
    }
    if (n > kNC) return false;
    int i = 0;
    while (i < n) {
      const int c = Decode(ptTable_, 8, kNT, ptLen_);
      if (c < 0) return false;
      if (c <= 2) {
        unsigned zeros = c == 0 ? 1 : c == 1 ? bits_.Get(4) + 3 : bits_.Get(kCBits) + 20;
        for (; zeros > 0; --zeros) {
          if (i >= kNC) return false;
          cLen_[i++] = 0;
        }
      } else {
        cLen_[i++] = static_cast<unsigned char>(c - 2);
      }
    }
    while (i < kNC) cLen_[i++] = 0;
    return MakeTable(kNC, cLen_, 12, cTable_);
  }

  static constexpr int kTree = 2 * kNC - 1;
  BitReader& bits_;
  unsigned blockLeft_ = 0;
  unsigned char cLen_[kNC] = {};
  unsigned char ptLen_[kNPT] = {};
  std::uint16_t cTable_[4096] = {};
  std::uint16_t ptTable_[256] = {};
  std::uint16_t left_[kTree] = {};
  std::uint16_t right_[kTree] = {};
};

ArjResult DecodeHuffman(BitReader& bits, Output& out) {
  auto decoder = std::make_unique<HuffmanDecoder>(bits);
  while (!out.Done()) {
    int c = 0;
    if (bits.Exhausted() || !decoder->DecodeC(c)) return ArjResult::Damaged;
    if (c <= 255) {
      if (!out.Put(static_cast<unsigned char>(c))) return ArjResult::Stopped;
      continue;
    }
    unsigned offset = 0;
    if (!decoder->DecodeP(offset)) return ArjResult::Damaged;
    if (!out.Copy(offset, static_cast<std::size_t>(c - (256 - kThreshold)))) return ArjResult::Stopped;
  }
  return ArjResult::Ok;
}

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
  ArjResult result = method == 4 ? DecodeFast(bits, out) : DecodeHuffman(bits, out);
  if (result == ArjResult::Ok && !out.Flush()) result = ArjResult::Stopped;
  return result;
}

std::uint32_t Crc32(std::uint32_t crc, const unsigned char* data, std::size_t size) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
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
