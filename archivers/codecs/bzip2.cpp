// One bzip2 stream, our own decoder: gza's sibling bza holds such streams
// and zip's method 12 is one. A block is decoded in three steps: its
// Huffman-coded move-to-front symbols into the bytes of the sorted rotation
// (Read), the rotation undone (Invert, the step that waits on memory), and
// the runs of four undone into the output, its CRC summed (Emit). Invert
// runs on a second thread while this one reads the next block and emits the
// last, so a stream of many blocks takes the time of the slower half. A
// stream of one block never starts a thread. Platform-free.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "codecs/byte_stream.h"
#include "codecs/decoders.h"

// The bzip2 library's table of the run lengths that randomised blocks
// (written by its versions before 0.9.5) flip a bit after.
extern "C" int BZ2_rNums[512];

namespace archivers {

namespace {

constexpr std::uint64_t kBlockMagic = 0x314159265359, kEndMagic = 0x177245385090;
constexpr int kMaxGroups = 6, kMaxAlphabet = 258, kMaxCodeLength = 20, kGroupSize = 50;
constexpr int kMaxSelectors = 18002;  // what 900 kB can use; more are read and not kept

// The stream's bits, most significant first. Past the input's end it reads
// zeros and counts them: a block that used any is damaged.
class Bits {
 public:
  explicit Bits(ByteStream& in) : in_(in) {}

  std::uint32_t Get(int n) {  // 1 to 32 bits
    if (count_ < n) Refill();
    const auto v = static_cast<std::uint32_t>(buffer_ >> (64 - n));
    buffer_ <<= n, count_ -= n;
    return v;
  }
  // The next `n` bits (at most 32) without using them, `n` having been
  // made available by Ensure.
  std::uint32_t Peek(int n) const { return static_cast<std::uint32_t>(buffer_ >> (64 - n)); }
  void Skip(int n) { buffer_ <<= n, count_ -= n; }
  void Ensure(int n) {
    if (count_ < n) Refill();
  }
  // Whether the next 48 bits begin another block.
  bool BlockFollows() {
    Ensure(48);
    return (buffer_ >> 16) == kBlockMagic;
  }
  // Whether a bit beyond the input's end was used.
  bool Overran() const { return padding_ > static_cast<std::uint64_t>(count_); }

 private:
  void Refill() {
    if (end_ - at_ >= 8) {
      std::uint64_t v;
      std::memcpy(&v, at_, 8);
      buffer_ |= __builtin_bswap64(v) >> count_;
      const int bytes = (63 - count_) >> 3;
      at_ += bytes, count_ += bytes * 8;
      return;
    }
    while (count_ <= 56) {
      if (at_ == end_ && !NextPiece()) {
        count_ += 8, padding_ += 8;
        continue;
      }
      buffer_ |= std::uint64_t{*at_++} << (56 - count_);
      count_ += 8;
    }
  }
  bool NextPiece() {
    if (!in_.Fill()) return false;
    at_ = in_.Data(), end_ = at_ + in_.Available();
    in_.Use(in_.Available());
    return true;
  }

  ByteStream& in_;
  const unsigned char* at_ = nullptr;
  const unsigned char* end_ = nullptr;
  std::uint64_t buffer_ = 0;  // its first `count_` bits, from the top
  int count_ = 0;
  std::uint64_t padding_ = 0;  // zero bits given past the end
};

// One group's canonical Huffman code: codes of up to kFastBits bits from
// one look-up, longer ones by length.
class HuffmanCode {
 public:
  static constexpr int kFastBits = 10;

  // False when the lengths promise more codes than there is room for.
  bool Build(const std::uint8_t* lengths, int symbols) {
    int count[kMaxCodeLength + 1] = {};
    for (int i = 0; i < symbols; ++i) ++count[lengths[i]];
    std::uint32_t code = 0, room = 1;
    int at = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
      room <<= 1;
      if (static_cast<std::uint32_t>(count[length]) > room) return false;
      room -= count[length];
      first_[length] = code, count_[length] = count[length], offset_[length] = at;
      at += count[length];
      code = (code + count[length]) << 1;
    }
    int next[kMaxCodeLength + 1];
    std::memcpy(next, offset_, sizeof next);
    for (int i = 0; i < symbols; ++i) sorted_[next[lengths[i]]++] = static_cast<std::uint16_t>(i);
    std::memset(fast_, 0, sizeof fast_);
    for (int length = 1; length <= kFastBits; ++length) {
      for (int k = 0; k < count_[length]; ++k) {
        const std::uint32_t from = (first_[length] + k) << (kFastBits - length);
        const auto entry = static_cast<std::uint16_t>(sorted_[offset_[length] + k] << 5 | length);
        for (std::uint32_t j = 0; j < 1u << (kFastBits - length); ++j) fast_[from + j] = entry;
      }
    }
    return true;
  }

  // The next symbol, or -1 for bits that are no code.
  int Decode(Bits& bits) const {
    bits.Ensure(kMaxCodeLength);
    const std::uint16_t entry = fast_[bits.Peek(kFastBits)];
    if (entry != 0) {
      bits.Skip(entry & 31);
      return entry >> 5;
    }
    for (int length = kFastBits + 1; length <= kMaxCodeLength; ++length) {
      const std::uint32_t rank = bits.Peek(length) - first_[length];
      if (rank < static_cast<std::uint32_t>(count_[length])) {
        bits.Skip(length);
        return sorted_[offset_[length] + rank];
      }
    }
    return -1;
  }

 private:
  std::uint16_t fast_[1 << kFastBits];  // symbol << 5 | length; 0: longer, or no code
  std::uint32_t first_[kMaxCodeLength + 1];
  int count_[kMaxCodeLength + 1];
  int offset_[kMaxCodeLength + 1];
  std::uint16_t sorted_[kMaxAlphabet];
};

// Room for a block's entries, not cleared: every entry used is written
// first. It grows as a block needs it, so that a small stream at level 9
// does not pay for 900 kB.
template <typename T>
class Room {
 public:
  T* Data() const { return data_.get(); }
  std::uint32_t Size() const { return size_; }
  // At least `n` entries, the first `kept` of them kept.
  T* Grow(std::uint32_t n, std::uint32_t kept) {
    if (n <= size_) return data_.get();
    std::unique_ptr<T[]> more(new T[n]);
    std::copy(data_.get(), data_.get() + kept, more.get());
    data_ = std::move(more), size_ = n;
    return data_.get();
  }

 private:
  std::unique_ptr<T[]> data_;
  std::uint32_t size_ = 0;
};

struct Block {
  // Read gives each entry's byte in its low 8 bits; Invert links them by
  // the upper 24.
  Room<std::uint32_t> links, back;
  Room<std::uint8_t> bytes;  // Invert's output: the runs of four still in
  std::uint32_t size = 0, origin = 0, crc = 0;
  std::uint32_t counts[256];
  bool randomised = false;
};

enum class Step { Block, End, Damaged };

// Reads the next block into `block`, or the stream's end and its CRC.
// `codes`: room for kMaxGroups codes, the block's own.
Step Read(Bits& bits, std::uint32_t most, HuffmanCode* codes, Block& block, std::uint32_t& streamCrc) {
  const std::uint64_t magic = std::uint64_t{bits.Get(24)} << 24 | bits.Get(24);
  if (magic == kEndMagic) {
    streamCrc = bits.Get(32);
    return bits.Overran() ? Step::Damaged : Step::End;
  }
  if (magic != kBlockMagic) return Step::Damaged;
  block.crc = bits.Get(32);
  block.randomised = bits.Get(1) != 0;
  block.origin = bits.Get(24);

  std::uint8_t used[256];
  int inUse = 0;
  const std::uint32_t ranges = bits.Get(16);
  for (int i = 0; i < 16; ++i) {
    if (!(ranges & 0x8000u >> i)) continue;
    const std::uint32_t map = bits.Get(16);
    for (int j = 0; j < 16; ++j) {
      if (map & 0x8000u >> j) used[inUse++] = static_cast<std::uint8_t>(i * 16 + j);
    }
  }
  if (inUse == 0) return Step::Damaged;
  const int alphabet = inUse + 2;

  const int groups = static_cast<int>(bits.Get(3));
  const int selectorsRead = static_cast<int>(bits.Get(15));
  if (groups < 2 || groups > kMaxGroups || selectorsRead < 1) return Step::Damaged;
  std::vector<std::uint8_t> selectors(std::min(selectorsRead, kMaxSelectors));
  std::uint8_t order[kMaxGroups] = {0, 1, 2, 3, 4, 5};
  for (int i = 0; i < selectorsRead; ++i) {
    int j = 0;
    while (bits.Get(1)) {
      if (++j >= groups) return Step::Damaged;
    }
    const std::uint8_t group = order[j];
    std::memmove(order + 1, order, j);
    order[0] = group;
    if (i < kMaxSelectors) selectors[i] = group;
  }

  for (int t = 0; t < groups; ++t) {
    std::uint8_t lengths[kMaxAlphabet];
    int length = static_cast<int>(bits.Get(5));
    for (int i = 0; i < alphabet; ++i) {
      for (;;) {
        if (length < 1 || length > kMaxCodeLength) return Step::Damaged;
        if (!bits.Get(1)) break;
        length += bits.Get(1) ? -1 : 1;
      }
      lengths[i] = static_cast<std::uint8_t>(length);
    }
    if (!codes[t].Build(lengths, alphabet)) return Step::Damaged;
  }

  // The symbols: runs of the front byte in RUNA and RUNB's bijective base
  // 2, move-to-front ranks, and the end of the block.
  const int endOfBlock = alphabet - 1;
  std::uint8_t front[256];
  for (int i = 0; i < 256; ++i) front[i] = static_cast<std::uint8_t>(i);
  std::memset(block.counts, 0, sizeof block.counts);
  std::uint32_t* links = block.links.Grow(std::min<std::uint32_t>(most, 1 << 16), 0);
  std::uint32_t room = block.links.Size(), size = 0, run = 0;
  // Room for `n` more entries, up to the level's most.
  auto roomFor = [&](std::uint32_t n) {
    if (n <= room - size) return true;
    if (n > most - size) return false;
    links = block.links.Grow(std::min(most, std::max(size + n, room * 2)), size);
    room = block.links.Size();
    return true;
  };
  int runBit = 0;
  const HuffmanCode* code = nullptr;
  std::size_t group = 0;
  for (int left = 0;; --left) {
    if (left == 0) {
      if (group == selectors.size()) return Step::Damaged;
      code = &codes[selectors[group++]];
      left = kGroupSize;
    }
    const int symbol = code->Decode(bits);
    if (symbol < 0) return Step::Damaged;
    if (symbol <= 1) {
      run += static_cast<std::uint32_t>(symbol + 1) << runBit++;
      if (run > most) return Step::Damaged;
      continue;
    }
    if (run > 0) {
      if (!roomFor(run)) return Step::Damaged;
      const std::uint8_t byte = used[front[0]];
      block.counts[byte] += run;
      std::fill(links + size, links + size + run, byte);
      size += run, run = 0, runBit = 0;
    }
    if (symbol == endOfBlock) break;
    if (size == room && !roomFor(1)) return Step::Damaged;
    const int rank = symbol - 1;
    const std::uint8_t moved = front[rank];
    std::memmove(front + 1, front, rank);
    front[0] = moved;
    const std::uint8_t byte = used[moved];
    ++block.counts[byte];
    links[size++] = byte;
  }
  if (block.origin >= size || bits.Overran()) return Step::Damaged;
  block.size = size;
  // Here, so that Invert on the worker allocates nothing.
  block.bytes.Grow(size, 0);
  block.back.Grow(size, 0);
  return Step::Block;
}

// Undoes the sorting. Each entry is linked to the entry after it in the
// original order (`links`, its upper 24 bits) and to the one before it
// (`back`, the lower 24, its byte in the upper 8); the chain is followed
// from both ends at once, to the middle, so that two loads that miss the
// cache are under way at a time instead of one. Then derandomised, if the
// block asks.
void Invert(Block& block) {
  std::uint32_t next[256], sum = 0;
  for (int i = 0; i < 256; ++i) next[i] = sum, sum += block.counts[i];
  std::uint32_t* const links = block.links.Data();
  std::uint32_t* const back = block.back.Data();
  const std::uint32_t size = block.size;
  for (std::uint32_t i = 0; i < size; ++i) {
    const std::uint32_t byte = links[i] & 0xFF, to = next[byte]++;
    links[to] |= i << 8;
    back[i] = to | byte << 24;
  }
  std::uint8_t* const out = block.bytes.Data();
  std::uint32_t ahead = links[block.origin] >> 8, behind = block.origin;
  const std::uint32_t half = size / 2;
  for (std::uint32_t i = 0; i < half; ++i) {
    const std::uint32_t forward = links[ahead], backward = back[behind];
    out[i] = static_cast<std::uint8_t>(forward);
    out[size - 1 - i] = static_cast<std::uint8_t>(backward >> 24);
    ahead = forward >> 8, behind = backward & 0xFFFFFF;
  }
  if (size % 2) out[half] = static_cast<std::uint8_t>(links[ahead]);
  if (block.randomised) {
    for (std::uint32_t i = 0, table = 0, toGo = 0; i < size; ++i) {
      if (toGo == 0) toGo = static_cast<std::uint32_t>(BZ2_rNums[table]), table = (table + 1) % 512;
      if (--toGo == 1) out[i] ^= 1;
    }
  }
}

// bzip2's CRC-32: the polynomial 0x04C11DB7 most significant bit first,
// eight bytes a step.
class BlockCrc {
 public:
  BlockCrc() {
    for (std::uint32_t b = 0; b < 256; ++b) {
      std::uint32_t c = b << 24;
      for (int k = 0; k < 8; ++k) c = c & 0x80000000u ? c << 1 ^ 0x04C11DB7u : c << 1;
      table_[0][b] = c;
    }
    for (int t = 1; t < 8; ++t) {
      for (int b = 0; b < 256; ++b) table_[t][b] = table_[t - 1][b] << 8 ^ table_[0][table_[t - 1][b] >> 24];
    }
  }
  std::uint32_t Add(std::uint32_t crc, const std::uint8_t* p, std::size_t n) const {
    for (; n >= 8; p += 8, n -= 8) {
      const std::uint32_t high = crc ^ (std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]);
      crc = table_[7][high >> 24] ^ table_[6][high >> 16 & 0xFF] ^ table_[5][high >> 8 & 0xFF] ^
            table_[4][high & 0xFF] ^ table_[3][p[4]] ^ table_[2][p[5]] ^ table_[1][p[6]] ^ table_[0][p[7]];
    }
    for (; n > 0; ++p, --n) crc = crc << 8 ^ table_[0][(crc >> 24) ^ *p];
    return crc;
  }

 private:
  std::uint32_t table_[8][256];
};

// The output: the runs of four undone, in pieces to the sink, never more
// than the member declares.
class Output {
 public:
  Output(std::uint64_t original, const Sink& sink) : piece_(OutputPiece(original)), left_(original), sink_(sink) {}

  // One inverted block, its CRC summed into `crc`: false when the output
  // runs over, or the sink stopped (Stopped()).
  bool Emit(const Block& block, std::uint32_t& crc) {
    static const BlockCrc sums;
    if (buffer_.empty()) buffer_.resize(piece_ + kSlack);
    std::uint32_t sum = 0xFFFFFFFFu;
    const std::uint8_t* in = block.bytes.Data();
    const std::uint8_t* const end = in + block.size;
    std::uint8_t* const start = buffer_.data();
    std::uint8_t* const limit = start + piece_;  // a byte in gives at most kSlack out
    std::uint8_t* out = start + held_;
    std::uint8_t* summed = out;
    int last = -1, same = 0;
    while (in < end) {
      if (out >= limit) {
        sum = sums.Add(sum, summed, static_cast<std::size_t>(out - summed));
        held_ = static_cast<std::size_t>(out - start);
        if (!Flush()) return false;
        out = summed = start;
      }
      const std::uint8_t byte = *in++;
      *out++ = byte;
      if (byte != last) {
        last = byte, same = 1;
      } else if (++same == 4) {
        if (in < end) {
          const std::uint8_t more = *in++;
          std::memset(out, byte, more);
          out += more;
        }
        last = -1, same = 0;
      }
    }
    sum = sums.Add(sum, summed, static_cast<std::size_t>(out - summed));
    held_ = static_cast<std::size_t>(out - start);
    crc = ~sum;
    return held_ <= left_;
  }

  // Hands over what is held.
  bool Flush() {
    if (held_ > left_) return false;  // more than the member declares
    if (held_ > 0 && !sink_(buffer_.data(), held_)) return stopped_ = true, false;
    left_ -= held_, held_ = 0;
    return true;
  }
  bool Stopped() const { return stopped_; }
  // Whether all the declared bytes came out (Flush to hand the last over).
  bool Complete() const { return held_ == left_; }

 private:
  static constexpr std::size_t kSlack = 256;
  std::size_t piece_;
  std::uint64_t left_;  // of the declared size, not yet handed over
  const Sink& sink_;
  std::vector<std::uint8_t> buffer_;
  std::size_t held_ = 0;
  bool stopped_ = false;
};

// Threads that invert blocks given them, made at the first block given and
// joined at the end; a block is given to one, and waited for, by the
// caller's thread alone.
class Inverters {
 public:
  struct Job {
    Block block;
    bool inverted = false;
  };

  ~Inverters() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // Inverts `job` on this thread.
  static void InvertHere(Job& job) {
    Invert(job.block);
    job.inverted = true;
  }

  void Give(Job& job) {
    job.inverted = false;
    try {
      while (threads_.size() < kThreads) threads_.emplace_back([this] { Run(); });
    } catch (const std::system_error&) {
    }
    if (threads_.empty()) {  // no thread to be had: here, then
      InvertHere(job);
      return;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back(&job);
    }
    work_.notify_one();
  }

  void Wait(Job& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [&] { return job.inverted; });
  }

 private:
  static constexpr std::size_t kThreads = 2;

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      work_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      Job& job = *jobs_.front();
      jobs_.pop_front();
      lock.unlock();
      Invert(job.block);
      lock.lock();
      job.inverted = true;
      done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<Job*> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

DecodeResult DecompressBzip2(ByteSource& source, std::uint64_t offset, std::uint64_t packed, std::uint64_t original,
                             const Sink& sink) {
  ByteStream in(source, offset, packed);
  Bits bits(in);
  if (bits.Get(24) != 0x425A68) return DecodeResult::Damaged;  // "BZh"
  const std::uint32_t level = bits.Get(8) - '0';
  if (level < 1 || level > 9) return DecodeResult::Damaged;
  const std::uint32_t most = level * 100000;
  auto codes = std::make_unique<HuffmanCode[]>(kMaxGroups);
  Output out(original, sink);
  std::uint32_t combined = 0, streamCrc = 0;

  // Blocks are inverted on two other threads, up to three blocks at a
  // time, while this thread reads the next and emits them in order, each
  // when its inversion is done. A stream of one block is inverted here.
  constexpr std::size_t kInFlight = 3;
  std::unique_ptr<Inverters::Job> jobs[kInFlight];
  std::deque<Inverters::Job*> queue;  // read, in order, being inverted
  Inverters inverters;                // after the jobs: its threads end before they go
  // The oldest block out, its CRC checked and added to the stream's.
  auto emitOldest = [&] {
    Inverters::Job& job = *queue.front();
    queue.pop_front();
    inverters.Wait(job);
    std::uint32_t crc = 0;
    if (!out.Emit(job.block, crc)) return out.Stopped() ? DecodeResult::Stopped : DecodeResult::Damaged;
    combined = (combined << 1 | combined >> 31) ^ crc;
    return crc == job.block.crc ? DecodeResult::Ok : DecodeResult::Damaged;
  };
  Step step;
  for (std::size_t n = 0;; ++n) {
    std::unique_ptr<Inverters::Job>& job = jobs[n % kInFlight];
    if (!job) job = std::make_unique<Inverters::Job>();
    step = Read(bits, most, codes.get(), job->block, streamCrc);
    if (step != Step::Block) break;
    queue.push_back(job.get());
    if (n == 0 && !bits.BlockFollows()) {
      Inverters::InvertHere(*job);
    } else {
      inverters.Give(*job);
    }
    if (queue.size() == kInFlight) {
      const DecodeResult result = emitOldest();
      if (result != DecodeResult::Ok) return result;
    }
  }
  // The blocks still being inverted come out, before damage found after
  // them too.
  while (!queue.empty()) {
    const DecodeResult result = emitOldest();
    if (result != DecodeResult::Ok) return result;
  }
  if (step != Step::End || combined != streamCrc || !out.Complete()) return DecodeResult::Damaged;
  return out.Flush() ? DecodeResult::Ok : DecodeResult::Stopped;
}

}  // namespace archivers
