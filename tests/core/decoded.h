// What the decoders' tests share: a decoding whose output is collected and
// held to its case.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "codecs/sink.h"

// Runs `decode` with a sink that collects the output: it ends as `result`,
// never gives more than `declared`, and when it ends well gives `output`.
template <typename Decode>
void ExpectDecoded(Decode decode, archivers::DecodeResult result, std::uint64_t declared,
                   const std::string& output) {
  std::string out;
  const archivers::Sink sink = [&](const unsigned char* data, std::size_t size) {
    out.append(reinterpret_cast<const char*>(data), size);
    return true;
  };
  EXPECT_EQ(decode(sink), result);
  EXPECT_LE(out.size(), declared);
  if (result == archivers::DecodeResult::Ok) {
    EXPECT_TRUE(out == output) << out.size() << " bytes";
  }
}
