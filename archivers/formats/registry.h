// Which reader reads which format, and the look at an archive's first bytes
// that says whether it can be one at all. Platform-free.
#pragma once

#include <memory>

#include "formats/byte_source.h"
#include "formats/reader.h"

namespace archivers {

// The reader of `format` for `source`; null when the source cannot be an
// archive of that format (its signature is missing) or no reader here
// reads the format.
std::unique_ptr<Reader> MakeReader(Format format, std::unique_ptr<ByteSource> source);

// The readers, each in a file of its own.
std::unique_ptr<Reader> MakeLzhReader(std::unique_ptr<ByteSource> source);
std::unique_ptr<Reader> MakeArjReader(std::unique_ptr<ByteSource> source);
std::unique_ptr<Reader> MakeBgaReader(std::unique_ptr<ByteSource> source);
std::unique_ptr<Reader> MakeLibarchiveReader(Format format, std::unique_ptr<ByteSource> source);

}  // namespace archivers
