#include "dll/command_line.h"

namespace archivers {

namespace {

struct Token {
  std::string text;
  std::size_t from = 0, to = 0;  // where it stands in the command line
  bool quoted = false;
  bool dashed = false;  // begins with "-" outside quotes
  bool IsSwitch() const { return dashed; }
  bool IsPassword() const { return dashed && text.size() > 2 && text.compare(0, 2, "-p") == 0; }
};

std::vector<Token> Tokenize(const char* commandLine) {
  std::vector<Token> tokens;
  Token token;
  bool inToken = false, inQuotes = false;
  std::size_t at = 0;
  for (const char* p = commandLine; p && *p; ++p, ++at) {
    if (!inToken && !(*p == ' ' || *p == '\t')) token.from = at;
    if (*p == '"') {
      inQuotes = !inQuotes, inToken = true, token.quoted = true;
    } else if (!inQuotes && (*p == ' ' || *p == '\t')) {
      if (inToken) token.to = at, tokens.push_back(token);
      token = Token(), inToken = false;
    } else {
      if (!inToken && *p == '-') token.dashed = true;
      token.text += *p, inToken = true;
    }
  }
  if (inToken) token.to = at, tokens.push_back(token);
  return tokens;
}

}  // namespace

Command ParseCommand(const char* commandLine) {
  const std::vector<Token> tokens = Tokenize(commandLine);
  Command command;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (i == 0) {
      if (tokens[0].text == "x" || tokens[0].text == "-x") command.kind = Command::Kind::Extract;
      if (tokens[0].text == "p" || tokens[0].text == "-p") command.kind = Command::Kind::Print;
    } else if (tokens[i].IsPassword()) {
      command.password = tokens[i].text.substr(2);
    } else if (!tokens[i].IsSwitch()) {
      command.args.push_back(tokens[i].text);
    }
  }
  return command;
}

std::string WithoutPassword(const char* commandLine) {
  std::string line = commandLine ? commandLine : "";
  const std::vector<Token> tokens = Tokenize(commandLine);
  for (std::size_t i = tokens.size(); i-- > 1;) {
    if (tokens[i].IsPassword()) line.replace(tokens[i].from + 2, tokens[i].to - tokens[i].from - 2, "***");
  }
  return line;
}

}  // namespace archivers
