// The command-line splitter on any line: no word holds a quote, a word
// holds a blank or control character only from inside quotes, the words
// keep the line's other bytes in order, and quoting each word again gives
// the same words back.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "text/command_args.h"

using plenkit::SplitArguments;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = SplitArguments(line);

  std::size_t at = 0;
  bool blankInWord = false;
  for (const std::string& word : words) {
    FUZZ_CHECK(word.find('"') == std::string::npos);
    for (char c : word) {
      // Every byte of a word is found later in the line than the one before.
      at = line.find(c, at);
      FUZZ_CHECK(at != std::string_view::npos);
      ++at;
      if (static_cast<unsigned char>(c) <= ' ') blankInWord = true;
    }
  }
  if (blankInWord) FUZZ_CHECK(line.find('"') != std::string_view::npos);

  std::string again = "p.exe";
  for (const std::string& word : words) again += " \"" + word + "\"";
  FUZZ_CHECK(SplitArguments(again) == words);

  if (line.find('"') == std::string_view::npos) {
    for (const std::string& word : words) FUZZ_CHECK(!word.empty());
  }
  return 0;
}
