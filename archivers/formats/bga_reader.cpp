// gza and bza through their headers (bga_headers.cpp), each member's data
// a gzip member, a bzip2 stream or the file itself.
#include "codecs/checksums.h"
#include "codecs/decoders.h"
#include "formats/bga_headers.h"
#include "formats/endian.h"
#include "formats/reader.h"
#include "formats/registry.h"
#include "formats/results.h"
#include "names/member_names.h"
#include "names/paths.h"

namespace archivers {

namespace {

class BgaReader : public Reader {
 public:
  explicit BgaReader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

  bool List(Listing& listing) override {
    if (!source_ || !ParseBga(*source_, bga_, listing.damaged)) return false;
    std::vector<StoredName> names;
    for (const BgaMember& m : bga_) {
      Member member;
      member.folder = m.folderByAttributes;
      StoredName name;
      name.bytes = m.name;
      name.folder = member.folder;
      names.push_back(std::move(name));
      member.size = m.original;
      member.packed = m.packed;
      member.SetDosTime(m.date, m.time);
      member.attributes = DosAttributes(m.attributes);
      member.os = OSTYPE_MSDOS;  // DOS's attributes and times; the header names no system
      member.method = m.stored ? "Store" : m.method == BgaMethod::Gzip ? "GZIP" : "BZ2";
      if (m.unknownType) member.unsupported = ERROR_METHOD, member.method = "Unknown";
      // A gzip member's CRC-32 is in its trailer, its last 8 bytes but 4.
      std::vector<unsigned char> trailer;
      if (!m.stored && m.method == BgaMethod::Gzip && m.packed >= 18 &&
          source_->Read(m.dataOffset + m.packed - 8, 4, trailer)) {
        member.check = Check::Crc32;
        member.crc = Le32(trailer.data());
      }
      listing.members.push_back(std::move(member));
    }
    // The archiver wrote the names Windows gave it: Shift-JIS, in practice.
    const Charset charset = DecideCharset(names, Charset::Cp932);
    std::vector<std::string> shiftJis = MemberNames(std::move(names), charset);
    for (std::size_t i = 0; i < shiftJis.size(); ++i) {
      Member& member = listing.members[i];
      member.name = std::move(shiftJis[i]);
      // A name ending in "\" (not a trail byte 0x5C) is a folder's.
      if (EndsWithSeparator(member.name)) member.folder = true;
      if (member.folder) member.check = Check::None;
      else member.attributes &= ~FA_DIREC;
    }
    return true;
  }

  int Read(std::size_t index, const Member& member, const Sink& sink) override {
    if (member.unsupported) return member.unsupported;
    if (index >= bga_.size()) return ERROR_METHOD;
    const BgaMember& m = bga_[index];
    CheckedSink checked(member.check, sink);
    DecodeResult result;
    if (m.packed == 0 && m.original == 0) {
      result = DecodeResult::Ok;  // an empty file, however its arc type reads
    } else if (m.stored) {
      // Stored data has no check value: its size is the check.
      result = m.packed == m.original ? CopyStored(*source_, m.dataOffset, m.packed, m.original, checked.AsSink())
                                      : DecodeResult::Damaged;
    } else if (m.method == BgaMethod::Gzip) {
      result = InflateGzipMember(*source_, m.dataOffset, m.packed, m.original, checked.AsSink());
    } else {
      result = DecompressBzip2(*source_, m.dataOffset, m.packed, m.original, checked.AsSink());
    }
    return ResultOf(result, checked, member.crc);
  }

 private:
  std::unique_ptr<ByteSource> source_;
  std::vector<BgaMember> bga_;
};

}  // namespace

std::unique_ptr<Reader> MakeBgaReader(std::unique_ptr<ByteSource> source) {
  return std::make_unique<BgaReader>(std::move(source));
}

}  // namespace archivers
