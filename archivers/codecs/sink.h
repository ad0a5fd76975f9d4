// Where every decoder and every reader hands a member's bytes, in order:
// false from the sink stops the work (the caller has what it wants, or
// could not write it).
#pragma once

#include <cstddef>
#include <functional>

namespace archivers {

using Sink = std::function<bool(const unsigned char* data, std::size_t size)>;

// How a decoding ended. Damaged data ends in Damaged, never in a read or
// write out of bounds nor in an endless loop: the input is bounded, and
// every step consumes bits or produces bytes towards the declared size.
enum class DecodeResult { Ok, Stopped, Damaged, UnknownMethod };

}  // namespace archivers
