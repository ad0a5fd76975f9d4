#include <algorithm>
#include <vector>

#include "codecs/decoders.h"

namespace archivers {

DecodeResult CopyStored(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                        const Sink& sink) {
  if (packed < original) return DecodeResult::Damaged;
  constexpr std::uint64_t kPiece = 1 << 15;
  std::vector<unsigned char> piece(static_cast<std::size_t>(std::min(original, kPiece)));
  for (std::uint64_t done = 0; done < original;) {
    const std::size_t run = static_cast<std::size_t>(std::min(original - done, kPiece));
    if (source.ReadAt(offset + done, piece.data(), run) != run) return DecodeResult::Damaged;
    if (!sink(piece.data(), run)) return DecodeResult::Stopped;
    done += run;
  }
  return DecodeResult::Ok;
}

}  // namespace archivers
