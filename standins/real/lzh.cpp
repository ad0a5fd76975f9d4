#include "real/lzh.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace standin {

namespace {

std::uint32_t Le16(const unsigned char* p) { return p[0] | p[1] << 8; }
std::uint32_t Le32(const unsigned char* p) { return Le16(p) | Le16(p + 2) << 16; }
std::uint64_t Le64(const unsigned char* p) { return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32; }

// "-lh?-", "-lz4-", "-lz5-", "-lzs-", "-pm?-" two bytes into a header.
bool LooksLikeHeader(const unsigned char* p) {
  if (p[2] != '-' || p[6] != '-') return false;
  if (p[3] == 'l' && p[4] == 'h') return true;
  if (p[3] == 'l' && p[4] == 'z') return p[5] == '4' || p[5] == '5' || p[5] == 's';
  return p[3] == 'p' && p[4] == 'm' && p[5] != 's';
}

// Where the first header is: at the start, or after a self-extracting stub
// (in its first 64 KiB; the Amiga's stub carries a header of its own).
bool FindFirstHeader(ByteSource& source, std::uint64_t& at) {
  std::vector<unsigned char> lead;
  const std::uint64_t span = std::min<std::uint64_t>(source.Size(), 65536 + 22);
  if (!source.Read(0, span, lead)) return false;
  static const char kAmigaStub[] = "LhASFX V1.2,";
  int skip = 0;
  for (std::size_t i = 0; i + 22 <= lead.size(); ++i) {
    if (i + sizeof kAmigaStub - 1 <= lead.size() && std::memcmp(&lead[i], kAmigaStub, sizeof kAmigaStub - 1) == 0) {
      skip = 1;
    }
    if (!LooksLikeHeader(&lead[i]) || lead[i + 20] > 3) continue;
    if (skip-- > 0) continue;
    at = i;
    return true;
  }
  return false;
}

// One header's fields as the levels give them.
struct Header {
  LzhMember member;
  std::string path, file;
  unsigned unixMode = 0;
  std::uint64_t end = 0;  // where the header ends and the data begins
};

// The extended headers from `first` in `raw`, each `fieldSize` bytes of size
// then a type; `commonCrc` tells where the header's CRC field is.
bool ReadExtended(std::vector<unsigned char>& raw, std::size_t first, std::size_t fieldSize, Header& h,
                  std::size_t& crcField, std::uint16_t& crc) {
  for (std::size_t at = first; at + fieldSize <= raw.size();) {
    const std::uint64_t size = fieldSize == 4 ? Le32(&raw[at]) : Le16(&raw[at]);
    if (size == 0) return true;
    if (size < fieldSize + 1 || size > raw.size() - at - fieldSize) return false;
    const std::size_t type = raw[at + fieldSize];
    unsigned char* data = &raw[at + fieldSize + 1];
    const std::size_t length = static_cast<std::size_t>(size) - fieldSize - 1;
    switch (type) {
      case 0x00:  // the header's CRC-16, counted with this field as zero
        if (length >= 2) crcField = at + fieldSize + 1, crc = static_cast<std::uint16_t>(Le16(data));
        break;
      case 0x01:  // the file name; a "/" in it is no separator
        h.file.assign(reinterpret_cast<char*>(data), length);
        for (char& c : h.file) {
          if (c == '/') c = '_';
        }
        break;
      case 0x02:  // the folders, 0xFF between them
        h.path.assign(reinterpret_cast<char*>(data), length);
        for (char& c : h.path) {
          if (c == '\xFF') c = '/';
        }
        if (!h.path.empty() && h.path.back() != '/') h.path += '/';
        break;
      case 0x41:  // Windows' times: the last write is the second
        if (length >= 16) {
          const std::uint64_t written = Le64(data + 8);
          if (written >= 116444736000000000ULL) {
            h.member.unixTime = true;
            h.member.stamp = static_cast<std::int64_t>(written / 10000000ULL - 11644473600ULL);
          }
        }
        break;
      case 0x42:  // sizes of 64 bits
        if (length >= 16) h.member.packed = Le64(data), h.member.original = Le64(data + 8);
        break;
      case 0x50:
        if (length >= 2) h.unixMode = Le16(data);
        break;
      case 0x54:
        if (length >= 4) h.member.unixTime = true, h.member.stamp = Le32(data);
        break;
      default: break;
    }
    at += static_cast<std::size_t>(size);
  }
  return true;
}

// The header at `at`, or false when there is none (the end, or damage).
bool ReadHeader(ByteSource& source, std::uint64_t at, Header& h) {
  std::vector<unsigned char> raw;
  if (!source.Read(at, 22, raw) || !LooksLikeHeader(raw.data())) return false;
  const int level = raw[20];
  h.member.method.assign(reinterpret_cast<char*>(&raw[2]), 5);
  h.member.packed = Le32(&raw[7]);
  h.member.original = Le32(&raw[11]);
  std::size_t crcField = 0;
  std::uint16_t headerCrc = 0;
  if (level == 0 || level == 1) {
    const std::size_t size = raw[0];
    if (size < (level == 0 ? 22u : 25u) || !source.Read(at, size + 2, raw)) return false;
    unsigned sum = 0;
    for (std::size_t i = 2; i < raw.size(); ++i) sum += raw[i];
    if ((sum & 0xFF) != raw[1]) return false;
    h.member.stamp = Le32(&raw[15]);  // DOS: the time, then the date
    const std::size_t nameLength = raw[21];
    if ((level == 0 ? 22u : 25u) + nameLength > size) return false;
    if (level == 1) h.member.os = static_cast<char>(raw[24 + nameLength]);
    h.file.assign(reinterpret_cast<char*>(&raw[22]), nameLength);
    h.member.crc = static_cast<std::uint16_t>(Le16(&raw[22 + nameLength]));
    h.end = at + size + 2;
    if (level == 0) {
      // Unix's (and OS-9/68K's) extended area: the OS, a zero, the time,
      // then the mode.
      const std::size_t extra = size + 2 - (24 + nameLength);
      const unsigned char* area = &raw[24 + nameLength];
      if (extra >= 12 && (area[0] == 'U' || area[0] == 'K') && area[1] == 0) {
        h.member.unixTime = true, h.member.stamp = Le32(area + 2);
        h.unixMode = Le16(area + extra - 6);
      }
    } else {
      // Extended headers follow the basic one, and are counted in the
      // packed size.
      std::vector<unsigned char> more;
      for (std::uint64_t next = Le16(&raw[raw.size() - 2]); next != 0;) {
        if (next < 3 || next > h.member.packed || !source.Read(h.end, next, more)) return false;
        raw.insert(raw.end(), more.begin(), more.end());
        h.end += next;
        h.member.packed -= next;
        next = Le16(&raw[raw.size() - 2]);
      }
      if (!ReadExtended(raw, size, 2, h, crcField, headerCrc)) return false;
    }
  } else if (level == 2) {
    std::size_t size = Le16(&raw[0]);
    if (size < 26 || !source.Read(at, size, raw)) return false;
    // OS-9/68K's tools count two bytes short.
    if (raw[23] == 'K' && !source.Read(at, size += 2, raw)) return false;
    h.member.unixTime = true, h.member.stamp = Le32(&raw[15]);
    h.member.crc = static_cast<std::uint16_t>(Le16(&raw[21]));
    h.member.os = static_cast<char>(raw[23]);
    h.end = at + size;
    if (!ReadExtended(raw, 24, 2, h, crcField, headerCrc)) return false;
  } else if (level == 3) {
    if (Le16(&raw[0]) != 4 || !source.Read(at, 32, raw)) return false;
    const std::uint64_t size = Le32(&raw[24]);
    if (size < 32 || size > (1u << 20) || !source.Read(at, size, raw)) return false;
    h.member.unixTime = true, h.member.stamp = Le32(&raw[15]);
    h.member.crc = static_cast<std::uint16_t>(Le16(&raw[21]));
    h.member.os = static_cast<char>(raw[23]);
    h.end = at + size;
    if (!ReadExtended(raw, 28, 4, h, crcField, headerCrc)) return false;
  } else {
    return false;
  }
  if (crcField != 0) {
    raw[crcField] = raw[crcField + 1] = 0;
    if (Crc16(0, raw.data(), raw.size()) != headerCrc) return false;
  }
  return true;
}

// A path as the archivers of old wrote it, made relative: separators at
// the start go, "." parts go, and ".." takes back the part before it (or
// nothing at the start), as lha itself extracts. "\" stays for the name
// rules after: it may be the second byte of a Shift-JIS character.
std::string Collapsed(const std::string& path) {
  std::string out;
  std::size_t start = path.find_first_not_of("/\\");
  if (start == std::string::npos) return out;
  while (start <= path.size()) {
    std::size_t cut = path.find('/', start);
    if (cut == std::string::npos) cut = path.size();
    const std::string part = path.substr(start, cut - start);
    if (part == "..") {
      const std::size_t back = out.empty() ? std::string::npos : out.rfind('/', out.size() - 2);
      out.resize(back == std::string::npos ? 0 : back + 1);
    } else if (!part.empty() && part != ".") {
      out += part;
      if (cut < path.size()) out += '/';
    }
    start = cut + 1;
  }
  return out;
}

// LZHUF's adaptive Huffman coding of -lh1-: 314 symbols (256 literals,
// lengths 3 to 60), a tree rebuilt when the root's count reaches 32,768;
// the offset's upper 6 bits by a fixed code, the lower 6 as they are.
class AdaptiveHuffman {
 public:
  AdaptiveHuffman() {
    for (int i = 0; i < kSymbols; ++i) freq_[i] = 1, son_[i] = i + kNodes, parent_[i + kNodes] = i;
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      son_[j] = i;
      parent_[i] = parent_[i + 1] = j;
    }
    freq_[kNodes] = 0xFFFF;
    parent_[kRoot] = 0;
  }

  int Decode(BitReader& bits) {
    int c = son_[kRoot];
    while (c < kNodes) c = son_[c + static_cast<int>(bits.Get(1))];
    c -= kNodes;
    Update(c);
    return c;
  }

 private:
  static constexpr int kSymbols = 314;
  static constexpr int kNodes = 2 * kSymbols - 1;
  static constexpr int kRoot = kNodes - 1;

  void Rebuild() {
    // The leaves, their counts halved, then the inner nodes again.
    for (int i = 0, j = 0; i < kNodes; ++i) {
      if (son_[i] >= kNodes) freq_[j] = (freq_[i] + 1) / 2, son_[j] = son_[i], ++j;
    }
    for (int i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
      const unsigned f = freq_[i] + freq_[i + 1];
      int k = j - 1;
      while (f < freq_[k]) --k;
      ++k;
      std::memmove(&freq_[k + 1], &freq_[k], (j - k) * sizeof freq_[0]);
      std::memmove(&son_[k + 1], &son_[k], (j - k) * sizeof son_[0]);
      freq_[k] = f, son_[k] = i;
    }
    for (int i = 0; i < kNodes; ++i) {
      const int k = son_[i];
      if (k >= kNodes) parent_[k] = i;
      else parent_[k] = parent_[k + 1] = i;
    }
  }

  void Update(int symbol) {
    if (freq_[kRoot] == 0x8000) Rebuild();
    int c = parent_[symbol + kNodes];
    do {
      const unsigned k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l], freq_[l] = k;
        const int i = son_[c];
        parent_[i] = l;
        if (i < kNodes) parent_[i + 1] = l;
        const int j = son_[l];
        son_[l] = i;
        parent_[j] = c;
        if (j < kNodes) parent_[j + 1] = c;
        son_[c] = j;
        c = l;
      }
    } while ((c = parent_[c]) != 0);
  }

  unsigned freq_[kNodes + 1] = {};
  int son_[kNodes] = {};
  int parent_[kNodes + kSymbols] = {};
};

ArjResult DecodeLh1(BitReader& bits, Output& out) {
  // The offsets' upper 6 bits: 1 code of 3 bits, 3 of 4, 8 of 5, 12 of 6,
  // 24 of 7 and 16 of 8, looked up by the next 8 bits.
  static const auto table = [] {
    std::vector<std::pair<unsigned char, unsigned char>> codes(256);  // upper bits, code length
    const int counts[] = {1, 3, 8, 12, 24, 16};
    unsigned code = 0, upper = 0;
    for (int n = 0; n < 6; ++n) {
      const int length = 3 + n;
      for (int k = 0; k < counts[n]; ++k, ++upper) {
        for (unsigned fill = 0; fill < (1u << (8 - length)); ++fill) {
          codes[code + fill] = {static_cast<unsigned char>(upper), static_cast<unsigned char>(length)};
        }
        code += 1u << (8 - length);
      }
    }
    return codes;
  }();
  auto tree = std::make_unique<AdaptiveHuffman>();
  while (!out.Done()) {
    if (bits.Exhausted()) return ArjResult::Damaged;
    const int c = tree->Decode(bits);
    if (c < 256) {
      if (!out.Put(static_cast<unsigned char>(c))) return ArjResult::Stopped;
      continue;
    }
    const auto [upper, length] = table[bits.Peek16() >> 8];
    bits.Skip(length);
    const unsigned offset = static_cast<unsigned>(upper) << 6 | bits.Get(6);
    if (!out.Copy(offset, static_cast<std::size_t>(c - 256 + 3))) return ArjResult::Stopped;
  }
  return ArjResult::Ok;
}

// LArc's -lzs- and -lz5-: LZSS on a small ring that starts filled, and
// copies from absolute places in it.
class LarcRing {
 public:
  LarcRing(std::size_t size, std::size_t start, Output& out) : ring_(size, ' '), pos_(start), out_(out) {}
  std::vector<unsigned char>& Ring() { return ring_; }
  bool Put(unsigned char byte) {
    ring_[pos_] = byte;
    pos_ = (pos_ + 1) % ring_.size();
    return out_.Put(byte);
  }
  bool Copy(std::size_t from, std::size_t length) {
    for (std::size_t i = 0; i < length && !out_.Done(); ++i) {
      if (!Put(ring_[(from + i) % ring_.size()])) return false;
    }
    return true;
  }

 private:
  std::vector<unsigned char> ring_;
  std::size_t pos_;
  Output& out_;
};

ArjResult DecodeLzs(BitReader& bits, Output& out) {
  LarcRing ring(2048, 2048 - 17, out);
  while (!out.Done()) {
    if (bits.Exhausted()) return ArjResult::Damaged;
    bool ok;
    if (bits.Get(1)) {
      ok = ring.Put(static_cast<unsigned char>(bits.Get(8)));
    } else {
      const unsigned from = bits.Get(11);
      ok = ring.Copy(from, bits.Get(4) + 2);
    }
    if (!ok) return ArjResult::Stopped;
  }
  return ArjResult::Ok;
}

ArjResult DecodeLz5(BitReader& bits, Output& out) {
  LarcRing ring(4096, 4096 - 18, out);
  // The ring at the start: each byte 13 times, the bytes up, the bytes
  // down, zeros, blanks, zeros.
  std::vector<unsigned char>& r = ring.Ring();
  std::size_t p = 0;
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 13; ++j) r[p++] = static_cast<unsigned char>(i);
  }
  for (int i = 0; i < 256; ++i) r[p++] = static_cast<unsigned char>(i);
  for (int i = 0; i < 256; ++i) r[p++] = static_cast<unsigned char>(255 - i);
  for (int i = 0; i < 128; ++i) r[p++] = 0;
  for (int i = 0; i < 110; ++i) r[p++] = ' ';
  for (int i = 0; i < 18; ++i) r[p++] = 0;
  while (!out.Done()) {
    if (bits.Exhausted()) return ArjResult::Damaged;
    const unsigned flags = bits.Get(8);
    for (int bit = 0; bit < 8 && !out.Done(); ++bit) {
      bool ok;
      if (flags & (1u << bit)) {
        ok = ring.Put(static_cast<unsigned char>(bits.Get(8)));
      } else {
        const unsigned low = bits.Get(8), high = bits.Get(8);
        ok = ring.Copy((high & 0xF0) << 4 | low, (high & 0x0F) + 3);
      }
      if (!ok) return ArjResult::Stopped;
    }
  }
  return ArjResult::Ok;
}

}  // namespace

bool ParseLzh(ByteSource& source, std::vector<LzhMember>& members, bool& damaged) {
  members.clear();
  damaged = false;
  std::uint64_t at = 0;
  if (!FindFirstHeader(source, at)) return false;
  for (;;) {
    Header h;
    if (!ReadHeader(source, at, h)) {
      // A zero byte, or the file's end, ends the archive; anything else is
      // damage after what could be read.
      std::vector<unsigned char> next;
      damaged = source.Read(at, 1, next) && next[0] != 0;
      return !members.empty() || !damaged;
    }
    LzhMember m = h.member;
    m.folder = m.method == "-lhd-";
    std::string name = h.path + h.file;
    if ((h.unixMode & 0xF000) == 0xA000) {  // a symbolic link: "name|target"
      m.link = true, m.folder = false;
      name = name.substr(0, name.find('|'));
    }
    m.name = Collapsed(name);
    m.file = h.file;
    if (h.end > source.Size() || m.packed > source.Size() - h.end) {
      damaged = true;
      return !members.empty();
    }
    m.dataOffset = h.end;
    at = h.end + m.packed;
    members.push_back(std::move(m));
  }
}

bool MacBinaryFork(const LzhMember& member, const unsigned char* head, std::uint64_t& length) {
  const auto zero = [head](std::size_t from, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      if (head[from + i] != 0) return false;
    }
    return true;
  };
  const auto be32 = [head](std::size_t at) {
    return static_cast<std::uint32_t>(head[at]) << 24 | head[at + 1] << 16 | head[at + 2] << 8 | head[at + 3];
  };
  // Version 0, the fields MacBinary keeps zero, the member's own name.
  const std::size_t nameLength = head[1];
  if (head[0] != 0 || head[0x4A] != 0 || head[0x52] != 0 || !zero(0x63, 2) || !zero(0x65, 128 - 0x65) ||
      nameLength > 63 || nameLength != member.file.size() || std::memcmp(head + 2, member.file.data(), nameLength) ||
      !zero(2 + nameLength, 63 - nameLength)) {
    return false;
  }
  // Both forks and the header, padded to 128 bytes, are the member; the
  // Mac's time (from 1904) lies within 14 hours of the header's.
  const std::uint64_t data = be32(0x53), resource = be32(0x57);
  if (((data + resource + 128 + 127) & ~std::uint64_t{127}) != member.original) return false;
  const std::int64_t macTime = static_cast<std::int64_t>(be32(0x5F)) - 2082844800;
  const std::int64_t memberTime = member.unixTime ? member.stamp : -1;
  if (memberTime >= 0 && (macTime - memberTime > 14 * 3600 || memberTime - macTime > 14 * 3600)) return false;
  length = data > 0 ? data : resource;
  return true;
}

bool LzhMethodKnown(const std::string& method) {
  static const char* const known[] = {"-lh0-", "-lz4-", "-lh1-", "-lh4-", "-lh5-", "-lh6-",
                                      "-lh7-", "-lhx-", "-lzs-", "-lz5-", "-lhd-"};
  for (const char* k : known) {
    if (method == k) return true;
  }
  return false;
}

ArjResult LzhDecode(const std::string& method, ByteSource& source, std::uint64_t offset, std::uint64_t packed,
                    std::uint64_t original, const ArjSink& sink) {
  if (method == "-lh0-" || method == "-lz4-") {
    if (packed < original) return ArjResult::Damaged;
    std::vector<unsigned char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(original, 1 << 15)));
    for (std::uint64_t done = 0; done < original;) {
      const std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(original - done, piece.size()));
      if (source.ReadAt(offset + done, piece.data(), run) != run) return ArjResult::Damaged;
      if (!sink(piece.data(), run)) return ArjResult::Stopped;
      done += run;
    }
    return ArjResult::Ok;
  }
  if (!LzhMethodKnown(method) || method == "-lhd-") return ArjResult::UnknownMethod;
  BitReader bits(source, offset, packed);
  // The history starts as blanks: a match before the start reads them.
  const bool large = method == "-lhx-";
  Output out(original, sink, large ? 1u << 20 : 1u << 16, ' ');
  ArjResult result;
  if (method == "-lh1-") result = DecodeLh1(bits, out);
  else if (method == "-lzs-") result = DecodeLzs(bits, out);
  else if (method == "-lz5-") result = DecodeLz5(bits, out);
  else if (method == "-lh4-" || method == "-lh5-") result = DecodeStaticHuffman(bits, out, 14, 4, false);
  else if (method == "-lh6-") result = DecodeStaticHuffman(bits, out, 16, 5, false);
  else if (method == "-lh7-") result = DecodeStaticHuffman(bits, out, 17, 5, false);
  else result = DecodeStaticHuffman(bits, out, 20, 5, false);  // -lhx-
  if (result == ArjResult::Ok && !out.Flush()) result = ArjResult::Stopped;
  return result;
}

}  // namespace standin
