// lzh through the headers and decoders of our own (real/lzh.cpp), reading
// the archive in ranges.

#include <algorithm>
#include <cstring>

#include "real/lzh.h"
#include "real/names.h"
#include "real/platform.h"
#include "real/readers.h"

namespace standin {

namespace {

class LzhReader : public Reader {
 public:
  explicit LzhReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

  bool List(Listing& listing) override {
    if (!source_ || !ParseLzh(*source_, lzh_, listing.damaged)) return false;
    std::vector<StoredName> names;
    for (const LzhMember& m : lzh_) {
      Member member;
      member.folder = m.folder;
      member.link = m.link;
      member.size = m.original;
      member.packed = m.packed;
      member.unsupported = !LzhMethodKnown(m.method);
      fork_.push_back(0);
      if (m.os == 'm' && m.original >= 128 && !member.unsupported && !m.folder) {
        // The Mac's tools store a file as MacBinary: its data fork is the file.
        unsigned char head[128];
        std::size_t held = 0;
        LzhDecode(m.method, *source_, m.dataOffset, m.packed, m.original,
                  [&](const unsigned char* data, std::size_t n) {
                    const std::size_t take = std::min(n, sizeof head - held);
                    std::memcpy(head + held, data, take);
                    held += take;
                    return held < sizeof head;
                  });
        std::uint64_t length = 0;
        if (held == sizeof head && MacBinaryFork(m, head, length)) member.size = fork_.back() = length;
      }
      if (m.unixTime) SetUnixTime(member, m.stamp);
      else SetDosTime(member, static_cast<std::uint16_t>(m.stamp >> 16), static_cast<std::uint16_t>(m.stamp));
      listing.members.push_back(member);
      StoredName name;
      name.bytes = m.name;
      name.folder = m.folder;
      name.link = m.link;
      names.push_back(std::move(name));
    }
    // Japanese tools wrote Shift-JIS; the others' names read as western.
    const std::vector<std::string> shiftJis = MemberNames(names, DecideCharset(names, Charset::Cp1252));
    for (std::size_t i = 0; i < listing.members.size(); ++i) listing.members[i].name = shiftJis[i];
    return true;
  }

  int Read(std::size_t index, const Member& member, const Sink& sink) override {
    if (index >= lzh_.size() || member.unsupported) return kUnsupported;
    const LzhMember& m = lzh_[index];
    std::uint16_t crc = 0;
    bool stopped = false;
    // A MacBinary member gives its data fork, which starts 128 bytes in;
    // the check value covers all of it.
    const std::uint64_t skip = fork_[index] ? 128 : 0, keep = fork_[index] ? fork_[index] : m.original;
    std::uint64_t at = 0;
    const ArjResult result = LzhDecode(
        m.method, *source_, m.dataOffset, m.packed, m.original, [&](const unsigned char* data, std::size_t size) {
          crc = Crc16(crc, data, size);
          const std::uint64_t from = std::max(at, skip), to = std::min(at + size, skip + keep);
          if (from < to) stopped = !sink(data + (from - at), static_cast<std::size_t>(to - from));
          at += size;
          return !stopped;
        });
    if (stopped || result == ArjResult::Stopped) return kStopped;
    if (result == ArjResult::UnknownMethod) return kUnsupported;
    if (result != ArjResult::Ok || crc != m.crc) return kDamaged;
    return 0;
  }

 private:
  std::unique_ptr<ByteSource> source_;
  std::vector<LzhMember> lzh_;
  std::vector<std::uint64_t> fork_;  // a MacBinary member's data fork length, else 0
};

}  // namespace

std::unique_ptr<Reader> MakeLzhReader(std::unique_ptr<ByteSource> source) {
  return std::make_unique<LzhReader>(std::move(source));
}

}  // namespace standin
