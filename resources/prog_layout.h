// The progress dialog's layout: pixels, never rescaled.
#pragma once
#include "toolkit/layout.h"

namespace prog_layout {

using namespace toolkit;

// Client area 280 x 42 inside a fixed dialog frame.
constexpr int ClientWidth = 280;
constexpr int ClientHeight = 42;

constexpr FormLayout Form = {
    "TProg", "処理中．．．", CW_USEDEFAULT, CW_USEDEFAULT, ClientWidth, ClientHeight,
    {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, false, false};

}  // namespace prog_layout
