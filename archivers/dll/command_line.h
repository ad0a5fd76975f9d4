// The grammar of the command lines the archivers take: a command, then the
// archive, the destination folder (x) or the member to print (p), and the
// members to extract; switches may stand anywhere among them.
#pragma once

#include <string>
#include <vector>

namespace archivers {

struct Command {
  enum class Kind { Unknown, Extract, Print } kind = Kind::Unknown;
  std::vector<std::string> args;  // every name and path, in order, without the switches
};

// Blanks and tabs separate tokens; double quotes group blanks into a token
// and are dropped. A backslash is an ordinary character, so "D:\out\" ends
// at its closing quote. A token that was quoted, in part or whole, is a
// name or a path whatever it begins with; only an unquoted token that
// begins with "-" is a switch. "x" and "-x" extract, "p" and "-p" print.
Command ParseCommand(const char* commandLine);

}  // namespace archivers
