#include "toolkit/locale_facts.h"

#include <windows.h>

namespace toolkit {

namespace {

char Separator(LCTYPE type, char fallback) {
  char text[8] = {};
  // Multi-character separators exist; the lists use one character.
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text) > 1) return text[0];
  return fallback;
}

}  // namespace

LocaleFacts UserLocale() {
  return {Separator(LOCALE_SDECIMAL, '.'), Separator(LOCALE_SDATE, '/'),
          Separator(LOCALE_STIME, ':')};
}

}  // namespace toolkit
