// zip, cab and rar through libarchive, with what their own headers say and
// libarchive does not (formats/directory.h, formats/rar_headers.h); a zip
// listed from its central directory alone (formats/zip_directory.h); zip's
// members of the methods libarchive does not decode (shrink, reduce,
// implode, Deflate64) and a cabinet's Quantum folders, by our own decoders.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <unordered_map>

#include <archive.h>
#include <archive_entry.h>

#include "codecs/aes.h"
#include "codecs/checksums.h"
#include "codecs/decoders.h"
#include "codecs/methods.h"
#include "formats/cab_folders.h"
#include "formats/directory.h"
#include "formats/endian.h"
#include "formats/rar_headers.h"
#include "formats/reader.h"
#include "formats/registry.h"
#include "formats/results.h"
#include "formats/zip_directory.h"
#include "names/member_names.h"
#include "names/platform.h"

namespace archivers {

namespace {

// The member's name as libarchive gives it. Read with the header character
// set ISO-8859-1, an unmarked name comes back byte for byte (each byte a
// character below 256), so that the archive's character set can be decided
// for all its names at once; a name the archive marks as Unicode (UTF-8 zip
// and cab names, RAR's Unicode names, RAR5, LZH's UTF-16 headers) comes back
// as what it is.
StoredName StoredNameOf(archive_entry* entry) {
  StoredName name;
  const wchar_t* wide = archive_entry_pathname_w(entry);
  if (!wide) {
    if (const char* raw = archive_entry_pathname(entry)) name.bytes = raw;
    return name;
  }
  for (const wchar_t* p = wide; *p; ++p) name.unicode = name.unicode || static_cast<std::uint32_t>(*p) > 0xFF;
  for (const wchar_t* p = wide; *p; ++p) {
    if (!name.unicode) {
      name.bytes += static_cast<char>(*p);
      continue;
    }
    char32_t c = static_cast<char32_t>(*p);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(*++p) - 0xDC00);
    }
    name.text += c;
  }
  return name;
}

// The stored name a header of the archive's own gives: a name marked as
// UTF-8 decoded, unless it is ASCII, which reads the same in every set.
StoredName StoredNameOf(std::string raw, bool utf8) {
  StoredName name;
  if (utf8 && !IsAscii(raw) && Decode(raw, Charset::Utf8, name.text)) {
    name.unicode = true;
  } else {
    name.bytes = std::move(raw);
  }
  return name;
}

// The archive's bytes as libarchive reads them: a position of its own over
// the source, and the piece read last, which a seek that lands inside it
// (the next zip member's header, mostly) reads on from without reading again.
struct Source {
  ByteSource* bytes = nullptr;
  std::uint64_t position = 0;
  std::uint64_t pieceAt = 0;
  std::size_t pieceSize = 0;
  unsigned char piece[64 * 1024];

  static la_ssize_t Read(archive*, void* data, const void** block) {
    Source& source = *static_cast<Source*>(data);
    const std::uint64_t at = source.position;
    if (at < source.pieceAt || at >= source.pieceAt + source.pieceSize) {
      source.pieceAt = at;
      source.pieceSize = source.bytes->ReadAt(at, source.piece, sizeof source.piece);
    }
    const std::size_t skip = static_cast<std::size_t>(at - source.pieceAt);
    *block = source.piece + skip;
    const std::size_t given = source.pieceSize - std::min(skip, source.pieceSize);
    source.position += given;
    return static_cast<la_ssize_t>(given);
  }

  static la_int64_t Seek(archive*, void* data, la_int64_t offset, int whence) {
    Source& source = *static_cast<Source*>(data);
    const std::int64_t base = whence == SEEK_SET   ? 0
                              : whence == SEEK_CUR ? static_cast<std::int64_t>(source.position)
                                                   : static_cast<std::int64_t>(source.bytes->Size());
    if (offset < -base || offset > INT64_MAX - base) return ARCHIVE_FATAL;
    source.position = static_cast<std::uint64_t>(base + offset);
    return base + offset;
  }

  static la_int64_t Skip(archive* a, void* data, la_int64_t request) {
    return Seek(a, data, request, SEEK_CUR) < 0 ? 0 : request;
  }
};

class LibarchiveReader : public Reader {
 public:
  LibarchiveReader(Format format, std::unique_ptr<ByteSource> bytes) : format_(format), bytes_(std::move(bytes)) {}
  ~LibarchiveReader() override { Close(); }

  void ForgetPasswords() override {
    Reader::ForgetPasswords();
    if (!passphrase_.empty()) Close();
  }

  bool List(Listing& listing) override {
    own_.clear();
    quantumFiles_.clear();
    quantum_.reset();
    std::vector<StoredName> names;
    if (!(format_ == Format::Zip ? ListZip(listing, names) : ListHeaders(listing, names))) return false;
    // One character set for all the archive's unmarked names; zip's own
    // default is DOS's code page 437, the others' Windows' western one.
    std::vector<Member>& members = listing.members;
    const Charset charset = DecideCharset(names, format_ == Format::Zip ? Charset::Cp437 : Charset::Cp1252);
    std::vector<std::string> shiftJis = MemberNames(std::move(names), charset);
    sizes_.clear();
    sizes_.reserve(members.size());
    for (std::size_t i = 0; i < members.size(); ++i) {
      members[i].name = std::move(shiftJis[i]);
      sizes_.push_back(members[i].sizeKnown ? members[i].size : 0);
    }
    return true;
  }

  int CheckHeaders() override {
    if (format_ != Format::Zip || sizes_.empty()) return 0;
    if (!Reopen(true)) return ERROR_HEADER_BROKEN;
    archive_entry* entry = nullptr;
    int r = ARCHIVE_OK;
    do {
      r = archive_read_next_header(archive_, &entry);
    } while (r == ARCHIVE_OK || r == ARCHIVE_WARN);
    Close();
    return r == ARCHIVE_EOF ? 0 : ERROR_HEADER_BROKEN;
  }

  int Read(std::size_t index, const Member& member, const Sink& sink) override {
    const auto own = own_.find(index);
    if (own != own_.end()) return ReadOwn(own->second, member, sink);
    const auto quantum = quantumFiles_.find(index);
    if (quantum != quantumFiles_.end()) return ReadQuantum(quantum->second, member, sink);
    if (member.encrypted && (member.cipher == Cipher::Unreadable || password_.empty())) return ERROR_PASSWORD_FILE;
    // Forward only: a member behind the last one read means reading anew,
    // as does another password than the archive was opened with.
    if (!archive_ || index < next_ || (member.encrypted && password_ != passphrase_)) {
      if (!Reopen(false)) return ERROR_NOT_ARC_FILE;
    }
    archive_entry* entry = nullptr;
    while (next_ <= index) {
      int r = archive_read_next_header(archive_, &entry);
      // A header libarchive fails alone (a zip's link whose target it
      // cannot decode) is passed over on the way to a member after it.
      if (r == ARCHIVE_FAILED && next_ < index) {
        ++next_;
        continue;
      }
      if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
        Close();
        return ERROR_HEADER_BROKEN;
      }
      // A solid archive's member goes on from the one before: every member
      // before it is decoded, not passed over, and no further than its size.
      // One that fails leaves the next one unreadable, which then answers so
      // itself.
      if (solid_ && next_ < index) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        std::uint64_t passed = 0;
        while (archive_read_data_block(archive_, &block, &size, &offset) == ARCHIVE_OK) {
          passed += size;
          if (passed > sizes_[next_]) {
            Close();
            return ERROR_FILE_CRC;
          }
          if (passing_ && !passing_(size)) return Stopped();
        }
      }
      ++next_;
    }
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    std::uint64_t done = 0;
    CheckedSink checked(member.check, sink);
    for (;;) {
      int r = archive_read_data_block(archive_, &block, &size, &offset);
      if (r == ARCHIVE_EOF) break;
      // A warning here is a check value that failed (LHA's CRC-16 among
      // them): the member is damaged, not written.
      if (r != ARCHIVE_OK || offset < 0) return Failed(member);
      // Never more than the member declares, and never a block that goes back
      // over bytes already given (a damaged RAR5 stream can say so).
      if (static_cast<std::uint64_t>(offset) < done ||
          (member.sizeKnown && (static_cast<std::uint64_t>(offset) > member.size ||
                                size > member.size - static_cast<std::uint64_t>(offset)))) {
        return Failed(member);
      }
      // Sparse members leave holes; they are zeros.
      static const unsigned char zeros[4096] = {};
      while (done < static_cast<std::uint64_t>(offset)) {
        std::size_t run = static_cast<std::size_t>(std::min<std::uint64_t>(offset - done, sizeof zeros));
        if (!checked.Take(zeros, run)) return Stopped();
        done += run;
      }
      // An empty block may come without bytes at all.
      if (size > 0 && !checked.Take(static_cast<const unsigned char*>(block), size)) return Stopped();
      done += size;
    }
    // A stored member declaring more than it holds ends early without
    // an error of the library's.
    if ((member.sizeKnown && done != member.size) || !checked.Holds(member.crc)) return Failed(member);
    return 0;
  }

 private:
  // zip, from its central directory alone: libarchive need not walk the
  // local headers to list. Extraction walks them in the directory's order
  // of their local headers, which is the listing's.
  bool ListZip(Listing& listing, std::vector<StoredName>& names) {
    ZipDirectory directory;
    switch (ReadZipDirectory(*bytes_, directory)) {
      case ZipDirectoryRead::None:
        if (IsEmptyZip(*bytes_)) return true;
        // Bytes that begin as a zip does, with no directory to be found: cut
        // off (a download stopped half way) or damaged.
        if (BeginsAsOne()) listing.damaged = ERROR_HEADER_BROKEN;
        return false;
      case ZipDirectoryRead::Damaged: listing.damaged = ERROR_HEADER_BROKEN; return false;
      case ZipDirectoryRead::Read: break;
    }
    std::vector<Member>& members = listing.members;
    members.reserve(directory.entries.size());
    names.reserve(directory.entries.size());
    for (ZipEntry& entry : directory.entries) {
      Member& member = members.emplace_back();
      member.folder = entry.folder;
      member.link = entry.link;
      member.encrypted = entry.encrypted;
      // Encrypted in no way the flags name: taken for the common case.
      member.cipher = entry.cipher == Cipher::None && entry.encrypted ? Cipher::ZipCrypto : entry.cipher;
      // The central directory is the truth on sizes and check values: a
      // local header that says otherwise makes the member damaged.
      member.size = entry.size;
      member.packed = entry.packed;
      if (entry.hasCrc && !entry.folder) {
        member.check = Check::Crc32;
        member.crc = entry.crc;
      }
      member.method = ZipMethodName(entry.method);
      member.attributes = entry.attributes;
      member.os = entry.os;
      // Our own code decrypts nothing, and libarchive decrypts stored and
      // deflated data alone: any other method encrypted would be decoded
      // from its ciphertext, and come out damaged.
      const bool own = ZipMethodOwn(entry.method) && entry.cipher == Cipher::None;
      const bool decrypted = entry.cipher == Cipher::None || entry.method == 0 || entry.method == 8;
      if (!own && !(LibarchiveDecodes(entry.method) && decrypted)) member.unsupported = ERROR_METHOD;
      if (own) own_[members.size() - 1] = {entry.offset, entry.method, entry.flags};
      // The time of an extra field (UTC), else the DOS time, local, read as
      // libarchive reads it; a DOS date that is no date is DOS's first day.
      if (entry.hasUnixTime) member.SetUnixTime(entry.unixTime);
      else if (IsNoDate(entry.dosDate)) member.SetDosTime(entry.dosDate, entry.dosTime);
      else member.SetUnixTime(SecondsOfLocalDosTime(entry.dosDate, entry.dosTime));
      names.push_back(StoredNameOf(std::move(entry.name), entry.utf8));
      names.back().folder = member.folder;
      names.back().link = member.link;
    }
    // Members the end record declares that never came, or two entries of
    // one local header, are missing, not absent.
    if (members.size() < directory.declared) {
      listing.damaged = ERROR_HEADER_BROKEN;
      listing.unreached = directory.declared - members.size();
      if (members.empty()) return false;
    }
    return true;
  }

  // cab and rar, header by header through libarchive, with what their own
  // headers say.
  bool ListHeaders(Listing& listing, std::vector<StoredName>& names) {
    std::vector<Member>& members = listing.members;
    if (!Reopen(true)) {
      // Bytes that begin as the format's archives do, which the library
      // cannot open: cut off (a download stopped half way) or damaged.
      if (BeginsAsOne()) listing.damaged = ERROR_HEADER_BROKEN;
      return false;
    }
    // rar stores members one after another: a member's packed size is where
    // the next header begins less where its data began. cab says it in
    // headers of its own.
    const bool sequential = format_ == Format::Rar;
    if (format_ == Format::Rar) solid_ = ReadRarArchiveFacts(*bytes_).solid;
    std::vector<DirectoryEntry> directory;
    if (format_ == Format::Cab) ReadCabFolders(*bytes_, directory, &cab_);
    DirectoryMatcher matcher(directory);
    la_int64_t dataStart = -1;
    for (;;) {
      archive_entry* entry = nullptr;
      int r = archive_read_next_header(archive_, &entry);
      if (sequential && dataStart >= 0 && r != ARCHIVE_FATAL) {
        members.back().packed = static_cast<std::uint64_t>(archive_read_header_position(archive_) - dataStart);
      }
      if (r == ARCHIVE_EOF) break;
      // A damaged header ends the listing; what came before it stays.
      if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
        listing.damaged = ERROR_HEADER_BROKEN;
        if (members.empty()) return false;
        break;
      }
      members.push_back(Describe(entry));
      Member& member = members.back();
      if (member.encrypted) member.cipher = Cipher::Unreadable;
      names.push_back(StoredNameOf(entry));
      if (format_ == Format::Rar) {
        const RarFileFacts facts = ReadRarFileFacts(
            *bytes_, static_cast<std::uint64_t>(std::max<la_int64_t>(0, archive_read_header_position(archive_))));
        if (facts.hasCrc && !member.folder) member.check = Check::Crc32;
        member.crc = facts.crc;
        member.encrypted = member.encrypted || facts.encrypted;
        // libarchive decrypts neither RAR4's nor RAR5's encryption.
        if (facts.encrypted) member.cipher = Cipher::Unreadable;
        member.split = facts.split;
        if (facts.split) member.unsupported = ERROR_NOT_SUPPORT;
        // A redirection is a link, whatever its data: libarchive knows only
        // some of them, and gives the others no size.
        member.link = member.link || facts.redirection;
        if (!member.sizeKnown && facts.sizeKnown) member.size = facts.size, member.sizeKnown = true;
        member.method = facts.method;
        member.attributes = facts.attributes;
        member.os = facts.os;
        if (facts.hasDosTime && IsNoDate(facts.dosDate)) member.SetDosTime(facts.dosDate, facts.dosTime);
      }
      if (sequential) {
        dataStart = archive_filter_bytes(archive_, 0);
      } else if (const DirectoryEntry* header = matcher.Next(member.size)) {
        member.packed = header->packed;
        if (header->unsupported) member.unsupported = header->unsupported;
        member.split = member.split || header->split;
        if (!header->unsupported && header->folder < cab_.folders.size() &&
            (cab_.folders[header->folder].compression & 0x0F) == kCabQuantum) {
          quantumFiles_[members.size() - 1] = {header->folder, header->offset};
        }
        member.method = header->method;
        member.attributes = header->attributes;
        member.os = header->os;
        // A stored DOS date that is no date: libarchive's time for it lies
        // before DOS's first day.
        if (IsNoDate(header->dosDate)) member.SetDosTime(header->dosDate, header->dosTime);
        names.back() = StoredNameOf(header->raw, header->unicode);
      } else {
        member.packed = member.size;
      }
      names.back().folder = member.folder;
      names.back().link = member.link;
    }
    Close();
    return true;
  }

  // cab: where a Quantum folder's file lies, and the Quantum folder read
  // last, where its stream stands.
  struct CabPlace {
    std::size_t folder;
    std::uint64_t offset;
  };
  struct QuantumFolder {
    QuantumFolder(ByteSource& file, const CabFolder& data, std::size_t reserve, std::size_t index)
        : folder(index),
          blocks(file, data, reserve),
          decoder(data.compression >> 8 & 0x1F,
                  [this](const unsigned char*& data, std::size_t& size) { return blocks.Next(data, size); }) {}
    std::size_t folder;
    std::uint64_t at = 0;  // the bytes of its stream decoded
    CabBlocks blocks;
    QuantumDecoder decoder;
  };

  // Whether the bytes begin with the format's own signature.
  bool BeginsAsOne() const {
    const char* signature = format_ == Format::Zip ? "PK\3\4" : format_ == Format::Cab ? "MSCF" : "Rar!\x1a\x07";
    std::vector<unsigned char> head;
    const std::size_t length = std::strlen(signature);
    return bytes_->Read(0, length, head) && std::memcmp(head.data(), signature, length) == 0;
  }

  // A zip member of a method our own code decodes, beside libarchive: its
  // data begins after its local header's name and extra field, and the
  // central directory's sizes, flags and CRC-32 (the member's) are the truth.
  struct OwnMember {
    std::uint64_t localHeader;
    unsigned method, flags;
  };
  int ReadOwn(const OwnMember& own, const Member& member, const Sink& sink) {
    std::vector<unsigned char> header;
    if (!bytes_->Read(own.localHeader, 30, header) || std::memcmp(header.data(), "PK\3\4", 4) != 0) {
      return ERROR_HEADER_BROKEN;
    }
    CheckedSink checked(member.check, sink);
    const std::uint64_t data = own.localHeader + 30 + Le16(&header[26]) + Le16(&header[28]);
    return ResultOf(ZipDecode(own.method, own.flags, *bytes_, data, member.packed, member.size, checked.AsSink()),
                    checked, member.crc);
  }

  // A file of a Quantum folder, beside libarchive. The folder is one stream
  // whose files come one after another in it: the stream is decoded from
  // its start to the file, and on from there for a file further on, so
  // that its files read in order decode it once.
  int ReadQuantum(const CabPlace& place, const Member& member, const Sink& sink) {
    const CabFolder& folder = cab_.folders[place.folder];
    // As cabextract bounds it: no block gives more than 32 KiB.
    if (place.offset + member.size > std::uint64_t{folder.blocks} * 32768) return ERROR_FILE_CRC;
    if (member.size == 0) return 0;  // nothing to decode, as cabextract decodes nothing for it
    if (!quantum_ || quantum_->folder != place.folder || quantum_->at > place.offset) {
      quantum_ = std::make_unique<QuantumFolder>(*bytes_, folder, cab_.blockReserve, place.folder);
    }
    DecodeResult result = DecodeResult::Ok;
    if (place.offset > quantum_->at) {
      result = quantum_->decoder.Decode(place.offset - quantum_->at, [this](const unsigned char*, std::size_t size) {
        return !passing_ || passing_(size);
      });
      quantum_->at = place.offset;
    }
    CheckedSink checked(Check::None, sink);
    if (result == DecodeResult::Ok) result = quantum_->decoder.Decode(member.size, checked.AsSink());
    quantum_->at += member.size;
    // A stream stopped or damaged half way cannot go on.
    if (result != DecodeResult::Ok) quantum_.reset();
    return ResultOf(result, checked, 0);
  }

  // What a member that failed to decode answers. Under a password that
  // passed ZipCrypto's check of one byte (1 wrong one in 256 does), any
  // failure is the password's; AES checks two bytes and then an
  // authentication code, and what fails after the check is damage.
  int Failed(const Member& member) {
    const char* error = archive_ ? archive_error_string(archive_) : nullptr;
    const bool refused = error && std::strstr(error, "assphrase");
    Close();
    return member.cipher == Cipher::ZipCrypto || (member.cipher == Cipher::Aes && refused) ? ERROR_PASSWORD_FILE
                                                                                           : ERROR_FILE_CRC;
  }

  // A member left half read is passed over by the next read, which a solid
  // archive's next member cannot be: it starts anew.
  int Stopped() {
    if (solid_) Close();
    return kStopped;
  }

  // Reads the archive from its start. A listing reads headers alone: the
  // data of a solid RAR5 is then passed over, never decoded.
  bool Reopen(bool listing) {
    Close();
    if (!bytes_) return false;
    archive_ = archive_read_new();
    if (!archive_) return false;
    switch (format_) {
      case Format::Zip: archive_read_support_format_zip_seekable(archive_); break;
      case Format::Cab: archive_read_support_format_cab(archive_); break;
      case Format::Rar:
        archive_read_support_format_rar(archive_);
        archive_read_support_format_rar5(archive_);
        break;
      default: break;
    }
    archive_read_support_filter_none(archive_);
    archive_read_set_options(archive_, "hdrcharset=ISO-8859-1");
    if (listing && format_ == Format::Rar) archive_read_set_options(archive_, "rar5:listing=1");
    if (!listing && !password_.empty()) {
      archive_read_add_passphrase(archive_, password_.c_str());
      passphrase_ = password_;
    }
    source_ = std::make_unique<Source>();
    source_->bytes = bytes_.get();
    archive_read_set_callback_data(archive_, source_.get());
    archive_read_set_read_callback(archive_, &Source::Read);
    archive_read_set_seek_callback(archive_, &Source::Seek);
    archive_read_set_skip_callback(archive_, &Source::Skip);
    if (archive_read_open1(archive_) != ARCHIVE_OK) {
      Close();
      return false;
    }
    return true;
  }

  void Close() {
    if (archive_) archive_read_free(archive_);
    archive_ = nullptr;
    source_.reset();
    next_ = 0;
    Wipe(passphrase_);
  }

  static Member Describe(archive_entry* entry) {
    Member member;
    const mode_t type = archive_entry_filetype(entry);
    member.folder = type == AE_IFDIR;
    // A link is listed, never written; other Unix types (a zip member taken
    // from a pipe says it is one) are files here.
    member.link = type == AE_IFLNK || archive_entry_hardlink(entry) != nullptr;
    member.encrypted = archive_entry_is_encrypted(entry) != 0;
    member.sizeKnown = archive_entry_size_is_set(entry) != 0;
    if (member.sizeKnown) member.size = static_cast<std::uint64_t>(archive_entry_size(entry));
    if (archive_entry_mtime_is_set(entry)) member.SetUnixTime(archive_entry_mtime(entry));
    return member;
  }

  Format format_;
  std::unique_ptr<ByteSource> bytes_;
  archive* archive_ = nullptr;
  std::unique_ptr<Source> source_;
  std::size_t next_ = 0;                            // the member the next header read gives
  std::string passphrase_;                          // the password the archive is open with
  bool solid_ = false;                              // RAR: each member decodes on from the one before
  std::vector<std::uint64_t> sizes_;                // the most each member may give, passed over in a solid archive
  std::unordered_map<std::size_t, OwnMember> own_;  // zip: the members our own code decodes, by index

  CabLayout cab_;                                           // cab: the folders
  std::unordered_map<std::size_t, CabPlace> quantumFiles_;  // cab: Quantum folders' files, by index
  std::unique_ptr<QuantumFolder> quantum_;
};

}  // namespace

std::unique_ptr<Reader> MakeLibarchiveReader(Format format, std::unique_ptr<ByteSource> bytes) {
  if (format != Format::Zip && format != Format::Cab && format != Format::Rar) return nullptr;
  return std::make_unique<LibarchiveReader>(format, std::move(bytes));
}

}  // namespace archivers

// libarchive's cryptor (a patch of ours, on Windows) expands a zip AES
// member's key here, and where this gives rounds, encrypts its counter
// blocks with them instead of CNG's.
extern "C" int archivers_aes_key(unsigned char* schedule, const unsigned char* key, std::size_t length) {
  return archivers::ExpandAesKey(key, length, schedule);
}

extern "C" void archivers_aes_encrypt(const unsigned char* schedule, int rounds, const unsigned char* in,
                                      unsigned char* out) {
  archivers::EncryptAesBlock(schedule, rounds, in, out);
}
