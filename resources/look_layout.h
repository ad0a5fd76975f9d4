// The text viewer's layout: pixels, never rescaled.
#pragma once
#include "toolkit/layout.h"

namespace look_layout {

using namespace toolkit;

// The caption is the shown entry's name, set before the first show; where
// it first appears is centred over the owner.
// clang-format off
constexpr FormLayout Form = {
    "TLook", "%s", CW_USEDEFAULT, CW_USEDEFAULT, 435, 380,
    {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, true, true};
// clang-format on

constexpr Bounds Memo = {0, 0, 427, 315};
constexpr FontLayout MemoFont = {"ＭＳ ゴシック", 16, SHIFTJIS_CHARSET};
constexpr COLORREF MemoColor = RGB(0, 0, 0);
constexpr const char* MemoText = "Memo";
constexpr int MemoMaxBytes = 640000;

constexpr int SBHeight = 19;
constexpr StatusPanelLayout Panels[] = {
    {72, 0, "99999/99999"},
    {140, 0, ""},
    {50, 0, ""},
};

// Stored in the font dialog, and replaced by the text's font before it opens.
constexpr FontLayout FDFont = {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET};

// The bar, left to right; the tab sizes open from " ﾀﾌﾞ ".
constexpr MenuItemLayout MMItems[] = {
    {"MM1", 1, " ﾌｫﾝﾄ "},
    {"MM2", 2, " ﾀﾌﾞ "},
    {"MM3", 3, " 印刷 "},
    {"MM4", 4, " 終了 "},
};
constexpr MenuItemLayout MM2Items[] = {
    {"MM2_1", 21, "2"},
    {"MM2_2", 22, "4"},
    {"MM2_3", 23, "8"},
};
constexpr int MM2Checked = 1;  // "4"

}  // namespace look_layout
