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

std::string ExtractCommand(ArchiverKind kind, std::string_view archive,
                           std::string_view destination, std::string_view entryName) {
  std::string line = FillTemplate(KindTable(kind).extractTemplate, {archive, destination});
  if (entryName.find(' ') != std::string_view::npos) {
    line += '"';
    line += entryName;
    line += '"';
  } else {
    line += entryName;
  }
  return line;
}

std::optional<std::string> PrintCommand(ArchiverKind kind, std::string_view archive,
                                        std::string_view entryName) {
  const char* templ = KindTable(kind).printTemplate;
  if (!templ) return std::nullopt;
  return FillTemplate(templ, {archive, entryName});
}

}  // namespace plenkit
