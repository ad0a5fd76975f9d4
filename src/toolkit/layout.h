// The shapes of layout data: each window's values live under resources/ in
// these forms, and the toolkit builds controls from them.
#pragma once
#include <windows.h>

namespace toolkit {

struct FontLayout {
  const char* face;
  int height;  // character height in pixels
  BYTE charset;
};

struct FormLayout {
  const char* className;
  const char* caption;
  int left, top, width, height;  // outer bounds, or the client area's size with clientSize
  FontLayout font;
  bool keyPreview;
  bool sizeable;            // an ordinary resizable frame; otherwise a fixed dialog frame
  bool clientSize = false;  // width and height are the client area's; the frame comes on top
};

struct Bounds {
  int left, top, width, height;
};

struct ButtonLayout {
  const char* name;
  int tag;
  Bounds bounds;
  const char* hint;
  int glyph;  // bitmap resource: normal image, then the greyed one, 16 x 16 each
};

struct ColumnLayout {
  const char* caption;
  int width;
  int align;  // LVCFMT_LEFT, LVCFMT_RIGHT
};

struct StatusPanelLayout {
  int width;
  int align;  // 0 left, 1 centred, 2 right
  const char* text;
};

struct LabelLayout {
  const char* name;
  int tag;
  int left, top;  // the label takes the size of its caption
  const char* caption;
  const char* hint;  // null: none
};

struct MenuItemLayout {
  const char* name;
  int tag;
  const char* caption;
};

// The font of a layout: its record, and the font made from it (the caller
// deletes it).
LOGFONTA LogFontOf(const FontLayout& font);
HFONT CreateFontOf(const FontLayout& font);

// Where a window of `width` x `height` sits centred over `over`.
POINT CentredOver(const RECT& over, int width, int height);

}  // namespace toolkit
