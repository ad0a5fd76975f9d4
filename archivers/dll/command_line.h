// The grammar of the command lines the archivers take: a command, then the
// archive, the destination folder (x) or the member to print (p), and the
// members to extract; switches may stand anywhere among them.
#pragma once

#include <string>
#include <vector>

#include "formats/reader.h"

namespace archivers {

struct Command {
  enum class Kind { Unknown, Extract, Print } kind = Kind::Unknown;
  std::vector<std::string> args;  // every name and path, in order, without the switches
  std::string password;           // -p<password> or -p"<password>": the caller knows it
  ~Command() { Wipe(password); }
};

// Blanks and tabs separate tokens; double quotes group blanks into a token
// and are dropped. A backslash is an ordinary character, so "D:\out\" ends
// at its closing quote. A token that begins with a quote is a name or a
// path whatever follows; one that begins with "-" outside quotes is a
// switch. "x" and "-x" extract, "p" and "-p" print.
Command ParseCommand(const char* commandLine);

// The command line with the password of a -p switch hidden, for a log.
std::string WithoutPassword(const char* commandLine);

}  // namespace archivers
