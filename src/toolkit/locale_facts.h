// The user's separators, read from the locale, for the core's number and
// date texts.
#pragma once

namespace toolkit {

struct LocaleFacts {
  char decimal = '.';
  char date = '/';
  char time = ':';
};

LocaleFacts UserLocale();

}  // namespace toolkit
