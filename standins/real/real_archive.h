// Real archives for the stand-in archivers: zip, lzh, cab and rar read
// through libarchive, arj through code of our own. Each stand-in reads the
// format of the library whose name it has.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace standin {

enum class Format { None, Lha, Zip, Cab, Rar, Arj };

// Results at least 0x8000, distinct so that test failures read well;
// callers only tell zero from non-zero.
constexpr int kBadCommand = 0x8001;
constexpr int kNotArchive = 0x8002;
constexpr int kNoSuchEntry = 0x8003;
constexpr int kWriteFailed = 0x8004;
constexpr int kUnsafeName = 0x8005;
constexpr int kEncrypted = 0x8006;
constexpr int kDamaged = 0x8007;
constexpr int kUnsupported = 0x8008;

struct Member {
  std::string name;  // Shift-JIS, "\" between folders; a folder's name ends in "\"
  std::uint64_t size = 0;
  bool sizeKnown = true;
  std::uint64_t packed = 0;
  std::uint16_t date = 0;  // DOS date and time, local
  std::uint16_t time = 0;
  FILETIME written = {};  // the same time for the extracted file
  bool folder = false;
  bool encrypted = false;
  bool link = false;         // a link to another member or file: skipped, never followed
  bool unsupported = false;  // a method nobody here decodes, a member split over volumes
};

struct Listing {
  std::vector<Member> members;
  bool damaged = false;  // the members listed are those before a damaged or missing header
};

// The members of the real archive at `path`, or null when it is not an
// archive of `format`. The last archive read is kept, with a reader placed
// where the last command left it, while its size and time stay the same.
std::shared_ptr<const Listing> ListArchive(Format format, const char* path);

// Writes the named members (every member when `names` is empty) under
// `destination`. A member whose name leaves the destination, an encrypted
// or damaged one is not written; the result is then the first failure.
int ExtractMembers(Format format, const char* path, const std::string& destination,
                   const std::vector<std::string>& names);

// Copies the named member's bytes into output, followed by a zero, all
// within `size` bytes.
int PrintMember(Format format, const char* path, const std::string& name, char* output, DWORD size);

// Creates `folder` and every missing folder above it.
bool MakeFolders(const std::string& folder);

}  // namespace standin
