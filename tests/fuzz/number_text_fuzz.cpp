// The number and date texts and their read-back: whatever is formatted
// reads back as the value it shows, and the reader takes a number or
// nothing, from any text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "text/number_text.h"

using namespace plenkit;

namespace {

// A separator a locale could give: any printable character but a digit, a
// sign or a blank.
char Separator(FuzzedDataProvider& in, char fallback) {
  const char c = static_cast<char>(in.ConsumeIntegral<std::uint8_t>());
  if (c <= ' ' || c > '~' || (c >= '0' && c <= '9') || c == '+' || c == '-') return fallback;
  return c;
}

// The reader's grammar: blanks, a sign, digits with at most one separator
// among them, blanks.
bool LooksLikeANumber(std::string_view text, char decimal, std::size_t* integerDigits) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  bool digits = false, separator = false;
  *integerDigits = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits = true;
      // Leading zeros give no size.
      if (!separator && (*integerDigits > 0 || c != '0')) ++*integerDigits;
    } else if (c == decimal && !separator) {
      separator = true;
    } else {
      return false;
    }
  }
  return digits;
}

// Reads back "yyyy<d>mm<d>dd hh<t>nn".
bool ReadDateTime(const std::string& text, char date, char time, int (&fields)[5]) {
  const char separators[5] = {date, date, ' ', time, 0};
  std::size_t at = 0;
  for (int f = 0; f < 5; ++f) {
    const std::size_t start = at;
    long value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 9) {
      value = value * 10 + (text[at++] - '0');
    }
    if (at - start < (f == 0 ? 4u : 2u)) return false;
    fields[f] = static_cast<int>(value);
    if (f < 4 && (at >= text.size() || text[at++] != separators[f])) return false;
  }
  return at == text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const char decimal = Separator(in, '.');

  // Any value at any width and precision.
  double value = in.ConsumeFloatingPoint<double>();
  if (in.ConsumeBool()) {
    // Infinities and NaNs too: they must not break the text.
    const std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
    std::memcpy(&value, &bits, sizeof value);
  }
  const int width = in.ConsumeIntegralInRange<int>(0, 400);
  const int decimals = in.ConsumeIntegralInRange<int>(0, 400);
  const std::string fixed = FormatFixed(value, width, decimals, decimal);
  char expected[1200];
  std::snprintf(expected, sizeof expected, "%*.*f", width, decimals, value);
  std::string withSeparator(expected);
  if (const std::size_t dot = withSeparator.find('.'); dot != std::string::npos)
    withSeparator[dot] = decimal;
  FUZZ_CHECK(fixed == withSeparator);
  if (std::isfinite(value)) {
    const auto read = ReadDecimal(fixed, decimal);
    FUZZ_CHECK(read.has_value());
    FUZZ_CHECK(std::fabs(*read - value) <=
               0.5 * std::pow(10.0, -decimals) + std::fabs(value) * 1e-15);
  }

  const long long count = in.ConsumeIntegral<long long>();
  const int countWidth = in.ConsumeIntegralInRange<int>(0, 100);
  const std::string counted = FormatInt(count, countWidth);
  FUZZ_CHECK(counted.size() >= static_cast<std::size_t>(countWidth));
  FUZZ_CHECK(std::strtoll(counted.c_str(), nullptr, 10) == count);

  const std::uint64_t bytes = in.ConsumeIntegral<std::uint64_t>();
  const std::string archiveSize = FormatArchiveSize(bytes, decimal);
  FUZZ_CHECK(archiveSize.size() == 12 && archiveSize.compare(10, 2, "KB") == 0);
  const auto kilobytes = ReadDecimal(std::string_view(archiveSize).substr(0, 10), decimal);
  FUZZ_CHECK(kilobytes &&
             std::fabs(*kilobytes - static_cast<std::uint32_t>(bytes) * 0.001) <= 0.005 + 1e-9);

  // Dates as the records and the file system give them: 16-bit fields.
  int fields[5];
  for (int& f : fields) f = in.ConsumeIntegral<std::uint16_t>();
  const char date = Separator(in, '/'), time = Separator(in, ':');
  const std::string stamp =
      FormatDateTime(fields[0], fields[1], fields[2], fields[3], fields[4], date, time);
  int back[5];
  FUZZ_CHECK(ReadDateTime(stamp, date, time, back));
  for (int f = 0; f < 5; ++f) FUZZ_CHECK(back[f] == fields[f]);

  const std::string rest = in.ConsumeRemainingBytesAsString();
  const auto read = ReadDecimal(rest, decimal);
  std::size_t integerDigits = 0;
  const bool number = LooksLikeANumber(rest, decimal, &integerDigits);
  if (read) FUZZ_CHECK(number && std::isfinite(*read));
  // A number is refused only when it is too large for a double.
  if (number && !read) FUZZ_CHECK(integerDigits >= 309);
  return 0;
}
