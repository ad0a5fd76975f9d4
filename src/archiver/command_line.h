// Command lines handed to an archiver's command entry point.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "archiver/kinds.h"

namespace plenkit {

// Fills `templ`'s "%s" places in order with `args`, inserted as they are.
std::string FillTemplate(std::string_view templ, std::initializer_list<std::string_view> args);

// The kind's extract command for `archive` into `destination`, followed by
// `entryName` when one is given. A name containing a blank is quoted, so
// that it stays one name (and cannot pass itself off as a switch); any
// other name goes unchanged.
std::string ExtractCommand(ArchiverKind kind, std::string_view archive,
                           std::string_view destination, std::string_view entryName);

// The kind's print command, or nothing for kinds that cannot print.
std::optional<std::string> PrintCommand(ArchiverKind kind, std::string_view archive,
                                        std::string_view entryName);

}  // namespace plenkit
