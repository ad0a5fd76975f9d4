// The decoders, one a file, each writing a member's original bytes to a
// sink (stored data) or to a history ring (the LZ methods). The method
// tables (methods.h) say which format's method takes which. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "codecs/bit_reader.h"
#include "codecs/history.h"
#include "codecs/sink.h"

namespace archivers {

// Stored data: the `original` bytes at `offset`, of the `packed` the member
// holds (stored.cpp).
DecodeResult CopyStored(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                        const Sink& sink);

// The static Huffman coding of ARJ's methods 1 to 3 and LZH's -lh4- to
// -lh7- and -lhx- (static_huffman.cpp): `offsetCodes` codes for the
// offsets' lengths, their count read in `offsetBits` bits; a block that
// says it holds 0 commands holds 65,536 in ARJ and none in LZH.
DecodeResult DecodeStaticHuffman(BitReader& bits, History& out, int offsetCodes, int offsetBits, bool zeroBlockIsFull);

// LZHUF's adaptive Huffman coding, LZH's -lh1- (lzhuf.cpp).
DecodeResult DecodeLzhuf(BitReader& bits, History& out);

// LArc's -lzs- and -lz5-: LZSS on small rings that start filled (larc.cpp).
DecodeResult DecodeLzs(BitReader& bits, History& out);
DecodeResult DecodeLz5(BitReader& bits, History& out);

// PMarc's -pm1- and -pm2- (pmarc.cpp): LZ77 whose literals are coded as
// ranks in a list of the bytes by their last use; -pm1- with fixed codes
// that widen as the output grows, -pm2- with codes it sends and renews.
DecodeResult DecodePm1(BitReader& bits, History& out);
DecodeResult DecodePm2(BitReader& bits, History& out);

// ARJ's method 4: lengths and offsets in unary-prefixed codes (arj_fast.cpp).
DecodeResult DecodeArjFast(BitReader& bits, History& out);

// zip's legacy methods, our own, each to the member's size (no code ends
// them): Shrink (shrink.cpp), Reduce with its factor 1 to 4 (reduce.cpp),
// Implode with its 8 KiB window or not and its literals coded or not
// (implode.cpp).
DecodeResult DecodeShrink(LsbBitReader& bits, History& out);
DecodeResult DecodeReduce(LsbBitReader& bits, History& out, int factor);
DecodeResult DecodeImplode(LsbBitReader& bits, History& out, bool largeWindow, bool codedLiterals);

// One gzip member of `packed` bytes (gzip_member.cpp): exactly `original`
// bytes, its length checked against its trailer; the trailer's CRC-32 is
// the caller's.
DecodeResult InflateGzipMember(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                               const Sink& sink);

// zip's Deflate64 (deflate64.cpp, our own): deflate with a 64 KiB window,
// exactly `original` bytes from the `packed` at `offset`; the CRC-32 is
// the caller's.
DecodeResult InflateDeflate64(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                              const Sink& sink);

// One bzip2 stream (bzip2.cpp, our own; bza's data and zip's method 12):
// exactly `original` bytes, its CRCs checked. A stream of several blocks
// is decoded on two threads; the sink is called on the caller's alone.
DecodeResult DecompressBzip2(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                             const Sink& sink);

// A cabinet's Quantum (quantum.cpp, our own): one stream for a whole folder,
// whose files are its output one after another, so it is decoded a piece at
// a time, each Decode going on where the last one stopped. The input comes
// as the folder's data blocks, in order, from `blocks`, which answers false
// when there is none left; a pointer it gives stays good until it is asked
// again. After a Decode that did not end in Ok, the decoder is done with.
class QuantumDecoder {
 public:
  using Blocks = std::function<bool(const unsigned char*& data, std::size_t& size)>;
  // `windowBits` as the folder's compression type gives them (bits 8 to
  // 12): 10 to 21; others make every Decode damaged.
  QuantumDecoder(int windowBits, Blocks blocks);
  ~QuantumDecoder();
  QuantumDecoder(const QuantumDecoder&) = delete;
  QuantumDecoder& operator=(const QuantumDecoder&) = delete;

  // The stream's next `count` bytes, to `sink`.
  DecodeResult Decode(std::uint64_t count, const Sink& sink);

 private:
  class Stream;
  std::unique_ptr<Stream> stream_;
};

}  // namespace archivers
