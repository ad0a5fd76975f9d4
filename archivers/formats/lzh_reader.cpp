// lzh through the headers and decoders of our own, reading the archive in
// ranges.
#include <algorithm>
#include <cstring>

#include "codecs/checksums.h"
#include "codecs/methods.h"
#include "formats/lzh_headers.h"
#include "formats/reader.h"
#include "formats/registry.h"
#include "formats/results.h"
#include "names/member_names.h"

namespace archivers {

namespace {

// The archiving system's letter in a header, as the record numbers systems.
std::uint8_t HostSystemOf(char os) {
  // clang-format off
  static const struct { char letter; std::uint8_t system; } systems[] = {
      {0, OSTYPE_MSDOS}, {'M', OSTYPE_MSDOS}, {'2', OSTYPE_OS2}, {'9', OSTYPE_OS9}, {'K', OSTYPE_OS68K},
      {'3', OSTYPE_OS386}, {'H', OSTYPE_HUMAN68K}, {'U', OSTYPE_UNIX}, {'C', OSTYPE_CPM}, {'F', OSTYPE_FLEX},
      {'m', OSTYPE_MACOS}, {'R', OSTYPE_RUNSER}, {'W', OSTYPE_WINDOWSNT}, {'w', OSTYPE_WINDOWS95},
      {'A', OSTYPE_AMIGA}, {'a', OSTYPE_ATARI}};
  // clang-format on
  for (const auto& s : systems) {
    if (s.letter == os) return s.system;
  }
  return OSTYPE_UNKNOWN;
}

constexpr std::size_t kMacBinaryHead = 128;

class LzhReader : public Reader {
 public:
  explicit LzhReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

  bool List(Listing& listing) override {
    if (!source_) return false;
    // No header is shorter than 24 bytes: room for as many members as the
    // file could hold (up to 65,536) is made once, and the lists never move
    // as they grow. Room never written is never touched.
    const std::size_t most = static_cast<std::size_t>(std::min<std::uint64_t>(source_->Size() / 24, 1 << 16));
    std::vector<StoredName> names;
    names.reserve(most);
    listing.members.reserve(most);
    headers_.clear();
    const bool read = ParseLzh(
        *source_,
        [&](std::uint64_t at, LzhMember& m) {
          headers_.push_back(at);
          Member& member = listing.members.emplace_back();
          member.folder = m.folder;
          member.link = m.link;
          member.size = m.original;
          // A Mac's member may be MacBinary, which gives its data fork alone:
          // its size is then at most this, which extraction alone tells.
          member.sizeKnown = !(m.os == 'm' && m.original >= kMacBinaryHead && !m.folder);
          member.packed = m.packed;
          member.check = m.folder ? Check::None : Check::Crc16;
          member.crc = m.crc;
          member.method = m.method;
          member.os = HostSystemOf(m.os);
          member.attributes = m.unixMode ? AttributesOfMode(m.unixMode, m.folder) : DosAttributes(m.attributes);
          if (!LzhMethodKnown(m.method)) member.unsupported = ERROR_METHOD;
          if (m.unixTime) member.SetUnixTime(m.stamp);
          else member.SetDosTime(static_cast<std::uint16_t>(m.stamp >> 16), static_cast<std::uint16_t>(m.stamp));
          StoredName& name = names.emplace_back();
          name.bytes = std::move(m.name);
          name.folder = m.folder;
          name.link = m.link;
        },
        listing.damaged);
    if (!read) return false;
    // Japanese tools wrote Shift-JIS; the others' names read as western.
    const Charset charset = DecideCharset(names, Charset::Cp1252);
    std::vector<std::string> shiftJis = MemberNames(std::move(names), charset);
    for (std::size_t i = 0; i < listing.members.size(); ++i) listing.members[i].name = std::move(shiftJis[i]);
    return true;
  }

  int Read(std::size_t index, const Member& member, const Sink& sink) override {
    if (member.unsupported) return member.unsupported;
    // The member's header, read again: the listing keeps no more of it
    // than where it stands.
    LzhMember m;
    if (index >= headers_.size() || !ReadLzhMember(*source_, headers_[index], m)) return ERROR_HEADER_BROKEN;
    // The Mac's tools stored a file as MacBinary, whose data fork is the
    // file: its first 128 bytes say whether a member is one, and how long
    // the fork is. The check value covers all of it.
    const bool mac = m.os == 'm' && m.original >= kMacBinaryHead;
    unsigned char head[kMacBinaryHead];
    std::size_t held = 0;
    std::uint64_t skip = 0, keep = m.original, at = 0;
    const Sink fork = [&](const unsigned char* data, std::size_t size) {
      if (mac && held < kMacBinaryHead) {
        const std::size_t take = std::min(size, kMacBinaryHead - held);
        std::memcpy(head + held, data, take);
        held += take, data += take, size -= take, at += take;
        if (held < kMacBinaryHead) return true;
        std::uint64_t length = 0;
        if (MacBinaryFork(m, head, length)) skip = kMacBinaryHead, keep = length;
        else if (!sink(head, kMacBinaryHead)) return false;
      }
      const std::uint64_t from = std::max(at, skip), to = std::min(at + size, skip + keep);
      const bool more = from >= to || sink(data + (from - at), static_cast<std::size_t>(to - from));
      at += size;
      return more;
    };
    CheckedSink checked(member.check, fork);
    return ResultOf(LzhDecode(m.method, *source_, m.dataOffset, m.packed, m.original, checked.AsSink()), checked,
                    member.crc);
  }

 private:
  std::unique_ptr<ByteSource> source_;
  std::vector<std::uint64_t> headers_;  // where each member's header stands
};

}  // namespace

std::unique_ptr<Reader> MakeLzhReader(std::unique_ptr<ByteSource> source) {
  return std::make_unique<LzhReader>(std::move(source));
}

}  // namespace archivers
