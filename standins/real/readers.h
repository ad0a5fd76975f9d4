// What the real-archive layer asks of a format's reader.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "real/real_archive.h"

namespace standin {

// Receives a member's bytes in order; false stops the reading.
using Sink = std::function<bool(const void* data, std::size_t size)>;

// Read's result when the sink stopped it: not an error of the archive.
constexpr int kStopped = -1;

class Reader {
 public:
  virtual ~Reader() = default;
  // The members in the archive's order; false when the file is not an
  // archive of the reader's format.
  virtual bool List(Listing& listing) = 0;
  // Streams member `index` of the listing to `sink`: 0, kStopped, or an
  // error result; data that falls short of the member's size or runs
  // beyond it is damaged.
  virtual int Read(std::size_t index, const Member& member, const Sink& sink) = 0;
};

std::unique_ptr<Reader> MakeLibraryReader(Format format, const char* path);
std::unique_ptr<Reader> MakeArjReader(const char* path);

inline std::unique_ptr<Reader> MakeReader(Format format, const char* path) {
  if (format == Format::Arj) return MakeArjReader(path);
  return MakeLibraryReader(format, path);
}

// A member's time, given in the archive's way; sets both the record's DOS
// date and time (local) and the extracted file's time.
void SetDosTime(Member& member, std::uint16_t date, std::uint16_t time);
void SetUnixTime(Member& member, std::int64_t seconds);

}  // namespace standin
