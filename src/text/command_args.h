// Splitting a program's command line into its arguments.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace plenkit {

// The arguments after the program's own name. Blanks and control characters
// separate them; a stretch in double quotes may hold blanks, and the quotes
// themselves are dropped.
std::vector<std::string> SplitArguments(std::string_view commandLine);

}  // namespace plenkit
