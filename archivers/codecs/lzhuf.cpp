#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "codecs/decoders.h"

namespace archivers {

namespace {

// LZHUF's adaptive Huffman coding of -lh1-: 314 symbols (256 literals,
// lengths 3 to 60), a tree rebuilt when the root's count reaches 32,768;
// the offset's upper 6 bits by a fixed code, the lower 6 as they are.
class AdaptiveHuffman {
 public:
  AdaptiveHuffman() {
    for (int i = 0; i < kSymbols; ++i) freq_[i] = 1, son_[i] = i + kNodes, parent_[i + kNodes] = i;
    for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
      freq_[j] = freq_[i] + freq_[i + 1];
      son_[j] = i;
      parent_[i] = parent_[i + 1] = j;
    }
    freq_[kNodes] = 0xFFFF;
    parent_[kRoot] = 0;
  }

  int Decode(BitReader& bits) {
    int c = son_[kRoot];
    while (c < kNodes) c = son_[c + static_cast<int>(bits.Get(1))];
    c -= kNodes;
    Update(c);
    return c;
  }

 private:
  static constexpr int kSymbols = 314;
  static constexpr int kNodes = 2 * kSymbols - 1;
  static constexpr int kRoot = kNodes - 1;

  void Rebuild() {
    // The leaves, their counts halved, then the inner nodes again.
    for (int i = 0, j = 0; i < kNodes; ++i) {
      if (son_[i] >= kNodes) freq_[j] = (freq_[i] + 1) / 2, son_[j] = son_[i], ++j;
    }
    for (int i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
      const unsigned f = freq_[i] + freq_[i + 1];
      int k = j - 1;
      while (f < freq_[k]) --k;
      ++k;
      std::memmove(&freq_[k + 1], &freq_[k], (j - k) * sizeof freq_[0]);
      std::memmove(&son_[k + 1], &son_[k], (j - k) * sizeof son_[0]);
      freq_[k] = f, son_[k] = i;
    }
    for (int i = 0; i < kNodes; ++i) {
      const int k = son_[i];
      if (k >= kNodes) parent_[k] = i;
      else parent_[k] = parent_[k + 1] = i;
    }
  }

  void Update(int symbol) {
    if (freq_[kRoot] == 0x8000) Rebuild();
    int c = parent_[symbol + kNodes];
    do {
      const unsigned k = ++freq_[c];
      int l = c + 1;
      if (k > freq_[l]) {
        while (k > freq_[++l]) {
        }
        --l;
        freq_[c] = freq_[l], freq_[l] = k;
        const int i = son_[c];
        parent_[i] = l;
        if (i < kNodes) parent_[i + 1] = l;
        const int j = son_[l];
        son_[l] = i;
        parent_[j] = c;
        if (j < kNodes) parent_[j + 1] = c;
        son_[c] = j;
        c = l;
      }
    } while ((c = parent_[c]) != 0);
  }

  unsigned freq_[kNodes + 1] = {};
  int son_[kNodes] = {};
  int parent_[kNodes + kSymbols] = {};
};

}  // namespace

DecodeResult DecodeLzhuf(BitReader& bits, History& out) {
  // The offsets' upper 6 bits: 1 code of 3 bits, 3 of 4, 8 of 5, 12 of 6,
  // 24 of 7 and 16 of 8, looked up by the next 8 bits.
  static const auto table = [] {
    std::vector<std::pair<unsigned char, unsigned char>> codes(256);  // upper bits, code length
    const int counts[] = {1, 3, 8, 12, 24, 16};
    unsigned code = 0, upper = 0;
    for (int n = 0; n < 6; ++n) {
      const int length = 3 + n;
      for (int k = 0; k < counts[n]; ++k, ++upper) {
        for (unsigned fill = 0; fill < (1u << (8 - length)); ++fill) {
          codes[code + fill] = {static_cast<unsigned char>(upper), static_cast<unsigned char>(length)};
        }
        code += 1u << (8 - length);
      }
    }
    return codes;
  }();
  auto tree = std::make_unique<AdaptiveHuffman>();
  while (!out.Done()) {
    if (bits.Exhausted()) return DecodeResult::Damaged;
    const int c = tree->Decode(bits);
    if (c < 256) {
      if (!out.Put(static_cast<unsigned char>(c))) return DecodeResult::Stopped;
      continue;
    }
    const auto [upper, length] = table[bits.Peek16() >> 8];
    bits.Skip(length);
    const unsigned offset = static_cast<unsigned>(upper) << 6 | bits.Get(6);
    if (!out.Copy(offset, static_cast<std::size_t>(c - 256 + 3))) return DecodeResult::Stopped;
  }
  return DecodeResult::Ok;
}

}  // namespace archivers
