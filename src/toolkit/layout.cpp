#include "toolkit/layout.h"

namespace toolkit {

LOGFONTA LogFontOf(const FontLayout& font) {
  LOGFONTA record{};
  record.lfHeight = -font.height;
  record.lfWeight = FW_NORMAL;
  record.lfCharSet = font.charset;
  record.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  lstrcpynA(record.lfFaceName, font.face, LF_FACESIZE);
  return record;
}

HFONT CreateFontOf(const FontLayout& font) {
  const LOGFONTA record = LogFontOf(font);
  return CreateFontIndirectA(&record);
}

POINT CentredOver(const RECT& over, int width, int height) {
  return {over.left + (over.right - over.left - width) / 2,
          over.top + (over.bottom - over.top - height) / 2};
}

}  // namespace toolkit
