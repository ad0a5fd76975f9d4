// What a reader makes of an archive: its members, and the results the
// archivers answer. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

enum class Format { None, Lha, Zip, Cab, Rar, Arj };

// Results at least 0x8000, distinct so that failures read well; callers
// only tell zero from non-zero.
constexpr int kBadCommand = 0x8001;
constexpr int kNotArchive = 0x8002;
constexpr int kNoSuchEntry = 0x8003;
constexpr int kWriteFailed = 0x8004;
constexpr int kUnsafeName = 0x8005;
constexpr int kEncrypted = 0x8006;
constexpr int kDamaged = 0x8007;
constexpr int kUnsupported = 0x8008;
constexpr int kNoRoom = 0x8009;     // the destination's volume cannot hold what the command writes
constexpr int kIsArchive = 0x800A;  // the member would be written over the archive being read
constexpr int kCancelled = 0x800B;  // the user cancelled
constexpr int kBusy = 0x800C;       // called again while a command's window waits on the user

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
  bool link = false;         // a link to another member or file: skipped, never followed
  bool unsupported = false;  // a method nobody here decodes, a member split over volumes
  bool hasCrc32 = false;     // the data's CRC-32 is known, and checked here
  std::uint32_t crc32 = 0;
};

struct Listing {
  std::vector<Member> members;
  bool damaged = false;  // the members listed are those before a damaged or missing header
};

}  // namespace standin
