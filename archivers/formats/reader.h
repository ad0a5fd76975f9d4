// What a format's reader makes of an archive, and what the engine asks of
// it. Platform-free: a reader sees the archive through a ByteSource.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codecs/sink.h"
#include "formats/byte_source.h"

namespace archivers {

enum class Format { None, Lha, Zip, Cab, Rar, Arj, Bga };

// The system a member was archived on, as the entry record numbers them.
// clang-format off
enum HostSystem : std::uint8_t {
  OSTYPE_MSDOS = 0, OSTYPE_PRIMOS, OSTYPE_UNIX, OSTYPE_AMIGA, OSTYPE_MACOS, OSTYPE_OS2, OSTYPE_APPLE,
  OSTYPE_ATARI, OSTYPE_NEXT, OSTYPE_VMS, OSTYPE_UNKNOWN, OSTYPE_OS9, OSTYPE_OS68K, OSTYPE_OS386,
  OSTYPE_HUMAN68K, OSTYPE_CPM, OSTYPE_FLEX, OSTYPE_RUNSER, OSTYPE_WINDOWSNT, OSTYPE_WINDOWS95,
  OSTYPE_TOPS20, OSTYPE_NTFS, OSTYPE_QDOS, OSTYPE_VFAT95, OSTYPE_MVS, OSTYPE_BEBOX,
};

// A member's attributes as DOS kept them, which every format can say.
enum FileAttribute : std::uint8_t {
  FA_RDONLY = 0x01, FA_HIDDEN = 0x02, FA_SYSTEM = 0x04, FA_LABEL = 0x08, FA_DIREC = 0x10, FA_ARCH = 0x20,
};
// clang-format on

// DOS's attributes as an archive keeps them, the volume label's aside; and
// what a Unix system's mode says of them.
inline std::uint8_t DosAttributes(unsigned attributes) {
  return static_cast<std::uint8_t>(attributes & (FA_RDONLY | FA_HIDDEN | FA_SYSTEM | FA_DIREC | FA_ARCH));
}
inline std::uint8_t AttributesOfMode(std::uint64_t mode, bool folder) {
  return static_cast<std::uint8_t>((folder ? FA_DIREC : FA_ARCH) | ((mode & 0200) ? 0 : FA_RDONLY));
}

// Overwrites a secret before the string lets it go: a password is held no
// longer than it is used.
inline void Wipe(std::string& secret) {
  volatile char* bytes = secret.empty() ? nullptr : &secret[0];
  for (std::size_t i = 0; i < secret.size(); ++i) bytes[i] = 0;
  secret.clear();
}

// How a member's data is encrypted, which says what tells a wrong password.
enum class Cipher : std::uint8_t {
  None,
  ZipCrypto,   // traditional PKWARE: one byte checks the password (1 wrong one in 256 passes); the CRC, the data
  Aes,         // WinZip AES: two bytes check the password; an authentication code, the data
  ArjGarble,   // arj -g: nothing but the CRC tells a wrong password
  Unreadable,  // encrypted in a way nothing here decrypts (RAR's, PKWARE's strong encryption)
};

// The check value a member's data carries.
enum class Check { None, Crc16, Crc32 };

struct Member {
  std::string name;  // Shift-JIS, "\" between folders; a folder's name ends in "\"
  std::uint64_t size = 0;
  bool sizeKnown = true;
  std::uint64_t packed = 0;
  std::uint16_t date = 0;  // DOS date and time, local
  std::uint16_t time = 0;
  std::uint64_t written = 0;  // the extracted file's time: 100 ns since 1601, UTC; 0 unknown
  bool folder = false;
  bool encrypted = false;
  Cipher cipher = Cipher::None;  // when encrypted
  bool link = false;             // a link to another member or file: skipped, never followed
  bool split = false;            // its data goes on in another volume, or came from one
  int unsupported = 0;           // why nothing here reads it: ERROR_METHOD, or ERROR_NOT_SUPPORT (split over volumes)
  Check check = Check::None;
  std::uint32_t crc = 0;
  std::string method;           // as the record shows it, at most 7 bytes: "-lh5-", "Deflate", "LZX:21"
  std::uint8_t attributes = 0;  // FileAttribute bits
  std::uint8_t os = OSTYPE_UNKNOWN;

  // The member's time as the archive gives it: sets the record's DOS date
  // and time (local) and the extracted file's time. A DOS date that is no
  // date (month or day 0: some tools write all zeros) is the earliest there
  // is, 1980-01-01 00:00:00.
  void SetDosTime(std::uint16_t dosDate, std::uint16_t dosTime);
  void SetUnixTime(std::int64_t seconds);
};

// 1980-01-01, the earliest date DOS keeps; and whether a DOS date is none.
constexpr std::uint16_t kEarliestDosDate = 1 << 5 | 1;
bool IsNoDate(std::uint16_t dosDate);

// A DOS date and time, local, as seconds since 1970: the C runtime's
// mktime, as libarchive reads them (a field beyond its range carries into
// the next: an hour of 25 is the next day's first); -1 when it is no time.
std::int64_t SecondsOfLocalDosTime(std::uint16_t dosDate, std::uint16_t dosTime);

struct Listing {
  std::vector<Member> members;
  // 0, or why the listing ended early (ERROR_HEADER_BROKEN, ERROR_HEADER_CRC):
  // the members listed are those before the damage. When List answers
  // false, a reason here says the bytes were an archive of the format, and
  // damaged from their first header on.
  int damaged = 0;
  std::uint64_t unreached = 0;  // members the archive declares beyond the damage, where it says how many
};

// Read's result when the sink stopped it: not an error of the archive.
constexpr int kStopped = -1;

class Reader {
 public:
  virtual ~Reader() { Wipe(password_); }
  // The members in the archive's order; false when the bytes are not an
  // archive of the reader's format.
  virtual bool List(Listing& listing) = 0;
  // Streams member `index` of the listing to `sink`: 0, kStopped, or a
  // result of results.h. Data that falls short of the member's size, runs
  // beyond it or fails its check value is damaged.
  virtual int Read(std::size_t index, const Member& member, const Sink& sink) = 0;

  // Told of the bytes decoded on the way to a member that are not its own
  // (in a solid archive, the members before it): false stops the reading,
  // as the sink's false does.
  using Passing = std::function<bool(std::size_t bytes)>;
  void SetPassing(Passing passing) { passing_ = std::move(passing); }

  // The password, as bytes, the next Read of an encrypted member tries;
  // empty: none. A member no password opens answers ERROR_PASSWORD_FILE,
  // as one read without a password does; one whose data is damaged under a
  // password that its cipher checks answers ERROR_FILE_CRC.
  void SetPassword(const std::string& password) {
    Wipe(password_);
    password_ = password;
  }

  // Drops whatever the reader keeps of the passwords it was given (a
  // decoder left open with one).
  virtual void ForgetPasswords() { Wipe(password_); }

  // Reads the headers a listing passes over (a zip's local headers), as
  // extraction reads them: 0, or why they are damaged (ERROR_HEADER_BROKEN).
  virtual int CheckHeaders() { return 0; }

 protected:
  Passing passing_;
  std::string password_;
};

}  // namespace archivers
