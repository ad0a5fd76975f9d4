// arj through the headers and decoders of our own, reading the archive in
// ranges: nothing more of it is held than a header or a piece of a member.
#include <algorithm>

#include "codecs/checksums.h"
#include "codecs/methods.h"
#include "formats/arj_headers.h"
#include "formats/reader.h"
#include "formats/registry.h"
#include "formats/results.h"
#include "names/member_names.h"

namespace archivers {

namespace {

// ARJ numbers systems as the record does, up to the two Windows it added.
std::uint8_t HostSystemOf(int host) {
  if (host == 10) return OSTYPE_WINDOWS95;
  if (host == 11) return OSTYPE_WINDOWSNT;
  return static_cast<std::uint8_t>(host >= 0 && host < OSTYPE_UNKNOWN ? host : OSTYPE_UNKNOWN);
}

const char* const kMethods[] = {"Store", "Method1", "Method2", "Method3", "Method4"};

// A garbled member's data as it was before arj garbled it: each of its
// bytes was XORed with the password's bytes in turn, each plus the
// member's modifier.
class Ungarbled final : public ByteSource {
 public:
  Ungarbled(ByteSource& garbled, std::uint64_t start, const std::string& password, std::uint8_t modifier)
      : garbled_(garbled), start_(start), key_(password) {
    for (char& c : key_) c = static_cast<char>(c + modifier);
  }
  ~Ungarbled() override { Wipe(key_); }
  std::uint64_t Size() const override { return garbled_.Size(); }
  std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t length) override {
    const std::size_t read = garbled_.ReadAt(offset, into, length);
    unsigned char* bytes = static_cast<unsigned char*>(into);
    // Bytes before the member's data are not garbled.
    std::size_t i = offset < start_ ? static_cast<std::size_t>(std::min<std::uint64_t>(start_ - offset, read)) : 0;
    std::size_t at = static_cast<std::size_t>((offset + i - start_) % key_.size());
    for (; i < read; ++i) {
      bytes[i] ^= static_cast<unsigned char>(key_[at]);
      if (++at == key_.size()) at = 0;
    }
    return read;
  }

 private:
  ByteSource& garbled_;
  std::uint64_t start_;
  std::string key_;
};

class ArjReader : public Reader {
 public:
  explicit ArjReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

  bool List(Listing& listing) override {
    std::vector<Member>& members = listing.members;
    if (!source_) return false;
    if (!ParseArj(*source_, arj_)) {
      // An ARJ archive's first header, and damage after it.
      if (LooksLikeArj(*source_)) listing.damaged = ERROR_HEADER_BROKEN;
      return false;
    }
    std::vector<StoredName> names;
    for (std::size_t i = 0; i < arj_.size(); ++i) {
      const ArjMember& m = arj_[i];
      // Volume and chapter labels name no file.
      if (m.fileType == kArjVolumeLabel || m.fileType == kArjChapterLabel) continue;
      index_.push_back(i);
      Member member;
      member.folder = m.fileType == kArjDirectory;
      member.link = m.fileType == kArjUnixSpecial;
      StoredName name;
      name.bytes = m.name;  // "/" between folders
      name.folder = member.folder;
      name.link = member.link;
      names.push_back(std::move(name));
      member.size = m.originalSize;
      member.packed = m.packedSize;
      member.check = member.folder ? Check::None : Check::Crc32;
      member.crc = m.crc;
      member.encrypted = (m.flags & kArjGarbled) != 0;
      if (member.encrypted) member.cipher = m.newEncryption ? Cipher::Unreadable : Cipher::ArjGarble;
      // A member continued in the next volume cannot be read from this one.
      const bool special = m.fileType != kArjBinary && m.fileType != kArjText && !member.folder && !member.link;
      member.split = (m.flags & kArjVolume) != 0;
      if (member.split || special) member.unsupported = ERROR_NOT_SUPPORT;
      else if (m.method > 4) member.unsupported = ERROR_METHOD;
      member.method = m.method >= 0 && m.method <= 4 ? kMethods[m.method] : "Unknown";
      member.os = HostSystemOf(m.host);
      member.attributes = m.unixTime ? AttributesOfMode(m.accessMode, member.folder) : DosAttributes(m.accessMode);
      if (m.unixTime) member.SetUnixTime(m.stamp);
      else member.SetDosTime(static_cast<std::uint16_t>(m.stamp >> 16), static_cast<std::uint16_t>(m.stamp));
      members.push_back(std::move(member));
    }
    // ARJ says nothing of its names' character set: DOS's is the default.
    const Charset charset = DecideCharset(names, Charset::Cp437);
    std::vector<std::string> shiftJis = MemberNames(std::move(names), charset);
    for (std::size_t i = 0; i < members.size(); ++i) members[i].name = std::move(shiftJis[i]);
    return true;
  }

  int Read(std::size_t index, const Member& member, const Sink& sink) override {
    if (member.encrypted && (member.cipher != Cipher::ArjGarble || password_.empty())) return ERROR_PASSWORD_FILE;
    if (member.unsupported) return member.unsupported;
    if (index >= index_.size()) return ERROR_METHOD;
    const ArjMember& m = arj_[index_[index]];
    CheckedSink checked(member.check, sink);
    if (!member.encrypted) {
      return ResultOf(ArjDecode(m.method, *source_, m.dataOffset, m.packedSize, m.originalSize, checked.AsSink()),
                      checked, member.crc);
    }
    // Nothing but the data's CRC tells a wrong password: whatever fails
    // under one is the password's.
    Ungarbled source(*source_, m.dataOffset, password_, m.garbleModifier);
    const int result = ResultOf(
        ArjDecode(m.method, source, m.dataOffset, m.packedSize, m.originalSize, checked.AsSink()), checked, member.crc);
    return result == 0 || result == kStopped ? result : ERROR_PASSWORD_FILE;
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

}  // namespace archivers
