#include "engine/commands.h"

#include <algorithm>
#include <cstring>

#include "engine/archive_cache.h"
#include "engine/extraction.h"
#include "engine/long_paths.h"
#include "formats/rar_headers.h"
#include "formats/results.h"
#include "names/paths.h"

namespace archivers {

std::shared_ptr<const Listing> ListArchive(Format format, const char* path) {
  CacheHold hold;
  int failure = 0;
  CachedArchive* open = CommandRunning() ? nullptr : FindArchive(format, path, failure);
  return open ? open->listing : nullptr;
}

int ExtractMembers(Format format, const char* path, const std::string& destination,
                   const std::vector<std::string>& names, const std::string& password) {
  CacheHold hold;
  if (CommandRunning()) return ERROR_ALREADY_RUNNING;
  CommandMark running;
  int failure = 0;
  CachedArchive* open = FindArchive(format, path, failure);
  if (!open) {
    // A RAR archive whose headers are encrypted lists nothing, and gives
    // nothing without its password.
    const std::unique_ptr<ArchiveFile> file = format == Format::Rar ? OpenArchiveFile(path) : nullptr;
    if (file && ReadRarArchiveFacts(*file).headersEncrypted) failure = ERROR_PASSWORD_FILE;
    return ReportUnreadable(path ? path : "", destination, names.empty(), failure);
  }
  std::vector<std::size_t> chosen;
  for (const std::string& name : names) {
    const std::ptrdiff_t index = open->IndexOf(name);
    if (index < 0) return ERROR_NOT_FIND_FILE;
    chosen.push_back(static_cast<std::size_t>(index));
  }
  if (names.empty()) {
    for (std::size_t i = 0; i < open->listing->members.size(); ++i) chosen.push_back(i);
  }
  return ExtractChosen(*open, destination, chosen, names.empty(), password);
}

int PrintMember(Format format, const char* path, const std::string& name, char* output, DWORD size,
                const std::string& password) {
  CacheHold hold;
  if (output && size > 0) output[0] = '\0';
  if (CommandRunning()) return ERROR_ALREADY_RUNNING;
  CommandMark running;
  int failure = 0;
  CachedArchive* open = FindArchive(format, path, failure);
  if (!open) return failure;
  const std::ptrdiff_t index = open->IndexOf(name);
  if (index < 0) return ERROR_NOT_FIND_FILE;
  const Member& member = open->listing->members[static_cast<std::size_t>(index)];
  if (member.folder || member.link) return ERROR_NOT_SUPPORT;
  if (member.unsupported) return member.unsupported;
  if (member.cipher == Cipher::Unreadable) return ERROR_PASSWORD_FILE;
  if (!output || size == 0) return 0;
  // The bytes, then the zero, all within `size`; what does not fit is not
  // decoded at all, except for an encrypted member, read to its end so
  // that its check tells a wrong password from the right one.
  DWORD used = 0;
  const auto decode = [&] {
    used = 0;
    const int result =
        open->reader->Read(static_cast<std::size_t>(index), member, [&](const unsigned char* data, std::size_t length) {
          const std::size_t copied = std::min<std::size_t>(size - 1 - used, length);
          std::memcpy(output + used, data, copied);
          used += static_cast<DWORD>(copied);
          return member.encrypted || used < size - 1;
        });
    return result == kStopped ? 0 : result;
  };
  int result = 0;
  if (member.encrypted) {
    Passwords known;
    if (!password.empty()) known.push_back(Wide(password));
    result = DecodeEncrypted(*open->reader, FileName(path), member, known, decode);
    for (std::wstring& secret : known) Wipe(secret);
    open->reader->ForgetPasswords();
    if (result != 0) used = 0;
  } else {
    result = decode();
  }
  output[used] = '\0';
  return result;
}

bool CheckArchive(Format format, const char* path, int mode) {
  CacheHold hold;
  if (CommandRunning()) return false;
  CommandMark running;
  int failure = 0;
  CachedArchive* open = FindArchive(format, path, failure);
  mode &= 3;
  if (!open || (mode != CHECKARCHIVE_RAPID && (open->listing->damaged || open->reader->CheckHeaders() != 0))) {
    return false;
  }
  if (mode != CHECKARCHIVE_FULLCRC) return true;
  const std::vector<Member>& members = open->listing->members;
  for (std::size_t i = 0; i < members.size(); ++i) {
    const Member& member = members[i];
    if (member.folder || member.link) continue;
    if (member.encrypted || member.unsupported) return false;
    if (open->reader->Read(i, member, [](const unsigned char*, std::size_t) { return true; }) != 0) return false;
  }
  return true;
}

}  // namespace archivers
