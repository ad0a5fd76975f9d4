#include "archiver/command_line.h"

namespace plenkit {

std::string FillTemplate(std::string_view templ, std::initializer_list<std::string_view> args) {
  std::string line;
  auto next = args.begin();
  for (std::size_t i = 0; i < templ.size(); ++i) {
    if (templ[i] == '%' && i + 1 < templ.size() && templ[i + 1] == 's' && next != args.end()) {
      line += *next++;
      ++i;
    } else {
      line += templ[i];
    }
  }
  return line;
}

bool Quotable(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

std::optional<std::string> ExtractCommand(ArchiverKind kind, std::string_view archive,
                                          std::string_view destination,
                                          std::string_view entryName) {
  if (!Quotable(archive) || !Quotable(destination) || !Quotable(entryName)) return std::nullopt;
  std::string line = FillTemplate(KindTable(kind).extractTemplate, {archive, destination});
  if (!entryName.empty()) {
    line += '"';
    line += entryName;
    line += '"';
  }
  return line;
}

std::optional<std::string> PrintCommand(ArchiverKind kind, std::string_view archive,
                                        std::string_view entryName) {
  const char* templ = KindTable(kind).printTemplate;
  if (!templ || !Quotable(archive) || !Quotable(entryName)) return std::nullopt;
  return FillTemplate(templ, {archive, entryName});
}

}  // namespace plenkit
