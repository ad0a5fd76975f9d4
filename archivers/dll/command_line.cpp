#include "dll/command_line.h"

namespace archivers {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
  bool IsSwitch() const { return !quoted && !text.empty() && text[0] == '-'; }
};

std::vector<Token> Tokenize(const char* commandLine) {
  std::vector<Token> tokens;
  Token token;
  bool inToken = false, inQuotes = false;
  for (const char* p = commandLine; p && *p; ++p) {
    if (*p == '"') {
      inQuotes = !inQuotes, inToken = true, token.quoted = true;
    } else if (!inQuotes && (*p == ' ' || *p == '\t')) {
      if (inToken) tokens.push_back(token);
      token = Token(), inToken = false;
    } else {
      token.text += *p, inToken = true;
    }
  }
  if (inToken) tokens.push_back(token);
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
    } else if (!tokens[i].IsSwitch()) {
      command.args.push_back(tokens[i].text);
    }
  }
  return command;
}

}  // namespace archivers
