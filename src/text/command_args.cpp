#include "text/command_args.h"

namespace plenkit {

std::vector<std::string> SplitArguments(std::string_view line) {
  // Neither a blank, a control character nor '"' can be the second byte of
  // a Shift-JIS character, so a byte-wise scan is safe.
  std::vector<std::string> words;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
    if (i >= line.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < line.size() && (quoted || static_cast<unsigned char>(line[i]) > ' '); ++i) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else {
        word += line[i];
      }
    }
    words.push_back(std::move(word));
  }
  if (!words.empty()) words.erase(words.begin());  // the program's own name
  return words;
}

}  // namespace plenkit
