// What the real-archive layer asks of a format's reader. Platform-free: a
// reader sees the archive through a ByteSource.
#pragma once

#include <functional>
#include <memory>

#include "real/members.h"
#include "real/source.h"

namespace standin {

// Receives a member's bytes in order; false stops the reading.
using Sink = std::function<bool(const void* data, std::size_t size)>;

// Read's result when the sink stopped it: not an error of the archive.
constexpr int kStopped = -1;

class Reader {
 public:
  virtual ~Reader() = default;
  // The members in the archive's order; false when the bytes are not an
  // archive of the reader's format.
  virtual bool List(Listing& listing) = 0;
  // Streams member `index` of the listing to `sink`: 0, kStopped, or an
  // error result. Data that falls short of the member's size, runs beyond
  // it or fails its check value is damaged.
  virtual int Read(std::size_t index, const Member& member, const Sink& sink) = 0;
};

std::unique_ptr<Reader> MakeLibraryReader(Format format, std::unique_ptr<ByteSource> source);
std::unique_ptr<Reader> MakeArjReader(std::unique_ptr<ByteSource> source);
std::unique_ptr<Reader> MakeLzhReader(std::unique_ptr<ByteSource> source);

inline std::unique_ptr<Reader> MakeReader(Format format, std::unique_ptr<ByteSource> source) {
  if (format == Format::Arj) return MakeArjReader(std::move(source));
  if (format == Format::Lha) return MakeLzhReader(std::move(source));
  return MakeLibraryReader(format, std::move(source));
}

}  // namespace standin
