// arj through the headers and decoder of our own, reading the archive in
// ranges: nothing more of it is held than a header or a piece of a member.

#include "real/arj.h"
#include "real/names.h"
#include "real/paths.h"
#include "real/platform.h"
#include "real/readers.h"

namespace standin {

namespace {

class ArjReader : public Reader {
 public:
  explicit ArjReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

  bool List(Listing& listing) override {
    std::vector<Member>& members = listing.members;
    if (!source_ || !ParseArj(*source_, arj_)) return false;
    std::vector<StoredName> names;
    for (std::size_t i = 0; i < arj_.size(); ++i) {
      const ArjMember& m = arj_[i];
      // Volume and chapter labels name no file: a chapter archive lists
      // each file once, at its latest version, as arj extracts it.
      if (m.fileType == 4 || m.fileType == 5) continue;
      index_.push_back(i);
      Member member;
      member.folder = m.fileType == 3;
      StoredName name;
      name.bytes = m.name;  // "/" between folders
      // Unix arj keeps a hard link as a special file without data: a link.
      member.link = m.fileType == 6;
      name.folder = member.folder;
      name.link = member.link;
      names.push_back(std::move(name));
      member.size = m.originalSize;
      member.packed = m.packedSize;
      member.encrypted = (m.flags & 0x01) != 0;
      // A member continued in the next volume cannot be read from this one.
      member.unsupported = (m.flags & 0x04) != 0 || m.method > 4 ||
                           (m.fileType != 0 && m.fileType != 1 && !member.folder && !member.link);
      if (m.unixTime) SetUnixTime(member, m.stamp);
      else SetDosTime(member, static_cast<std::uint16_t>(m.stamp >> 16), static_cast<std::uint16_t>(m.stamp));
      members.push_back(std::move(member));
    }
    // ARJ says nothing of its names' character set: DOS's is the default.
    const std::vector<std::string> shiftJis = MemberNames(names, DecideCharset(names, Charset::Cp437));
    for (std::size_t i = 0; i < members.size(); ++i) members[i].name = shiftJis[i];
    return true;
  }

  int Read(std::size_t index, const Member& member, const Sink& sink) override {
    if (member.encrypted) return kEncrypted;
    if (index >= index_.size() || member.unsupported) return kUnsupported;
    const ArjMember& m = arj_[index_[index]];
    std::uint32_t crc = 0;
    bool stopped = false;
    ArjResult result = ArjDecode(m.method, *source_, m.dataOffset, m.packedSize, m.originalSize,
                                 [&](const unsigned char* data, std::size_t size) {
                                   crc = Crc32(crc, data, size);
                                   stopped = !sink(data, size);
                                   return !stopped;
                                 });
    if (stopped || result == ArjResult::Stopped) return kStopped;
    if (result == ArjResult::UnknownMethod) return kUnsupported;
    if (result != ArjResult::Ok || crc != m.crc) return kDamaged;
    return 0;
  }

 private:
  std::unique_ptr<ByteSource> source_;
  std::vector<ArjMember> arj_;
  std::vector<std::size_t> index_;  // the listed members' places among the headers
};

}  // namespace

std::unique_ptr<Reader> MakeArjReader(std::unique_ptr<ByteSource> source) {
  return std::make_unique<ArjReader>(std::move(source));
}

}  // namespace standin
