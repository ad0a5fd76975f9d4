// The progress dialog's layout: pixels, never rescaled.
#pragma once
#include "toolkit/layout.h"

namespace prog_layout {

using namespace toolkit;

// Client area 280 x 42 inside a fixed dialog frame.
constexpr int ClientWidth = 280;
constexpr int ClientHeight = 42;

// clang-format off
constexpr FormLayout Form = {
    "TProg", "処理中．．．", CW_USEDEFAULT, CW_USEDEFAULT, ClientWidth, ClientHeight,
    {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, false, false, true};
// clang-format on

// The stored range and position, replaced whenever a run starts.
constexpr Bounds PB = {4, 4, 273, 16};
constexpr int PBMaximum = 100;
constexpr int PBPosition = 100;

constexpr Bounds BitBtn1 = {99, 24, 81, 17};
constexpr const char* BitBtn1Caption = "中 止";
constexpr FontLayout BitBtn1Font = {"ＭＳ Ｐゴシック", 13, SHIFTJIS_CHARSET};
constexpr COLORREF BitBtn1Color = RGB(255, 0, 0);

}  // namespace prog_layout
