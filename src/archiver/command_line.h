// Command lines handed to an archiver's command entry point.
//
// Names inside an archive come from a foreign file, so each travels between
// double quotes: the archiver reads a quoted text as exactly one name,
// never as a switch, whatever it begins with. A text that cannot be quoted
// that way (a double quote would end the quotes early, a control character
// splits or hides a name) is not sent at all.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "archiver/kinds.h"

namespace plenkit {

// Fills `templ`'s "%s" places in order with `args`, inserted as they are.
std::string FillTemplate(std::string_view templ, std::initializer_list<std::string_view> args);

// Whether `text` can stand between double quotes as one argument. No trail
// byte of Shift-JIS is a quote or a control character, so bytes suffice.
bool Quotable(std::string_view text);

// The kind's extract command for `archive` into `destination`, followed by
// `entryName` between quotes when one is given; nothing when any of the
// three cannot be quoted.
std::optional<std::string> ExtractCommand(ArchiverKind kind, std::string_view archive,
                                          std::string_view destination, std::string_view entryName);

// The kind's print command; nothing for kinds that cannot print, or when
// the archive or the name cannot be quoted.
std::optional<std::string> PrintCommand(ArchiverKind kind, std::string_view archive,
                                        std::string_view entryName);

}  // namespace plenkit
