// The archive contents window's layout: pixels, never rescaled.
#pragma once
#include <commctrl.h>

#include "resource_ids.h"
#include "toolkit/layout.h"

namespace view_layout {

using namespace toolkit;

// Placed over the main window when shown.
// clang-format off
constexpr FormLayout Form = {
    "TView", "書庫の中身", CW_USEDEFAULT, CW_USEDEFAULT, 474, 350,
    {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, true, true};
// clang-format on

constexpr Bounds Panel1 = {0, 0, 466, 22};

constexpr ButtonLayout Buttons[] = {
    {"SpeedButton1", 0, {0, 0, 23, 22}, "解凍", IDB_ENTRY_EXTRACT},
    {"SpeedButton2", 1, {24, 0, 23, 22}, "表示", IDB_ENTRY_SHOW},
    {"SpeedButton3", 2, {60, 0, 23, 22}, "閉じる", IDB_CLOSE},
};

constexpr Bounds Bevel1 = {52, 0, 2, 21};

constexpr Bounds LV = {0, 22, 466, 282};
// clang-format off
constexpr ColumnLayout Columns[] = {
    {"名前", 140, LVCFMT_LEFT},
    {"元ｻｲｽﾞ", 78, LVCFMT_RIGHT},
    {"圧縮ｻｲｽﾞ", 78, LVCFMT_RIGHT},
    {"圧縮率", 48, LVCFMT_RIGHT},
    {"更新日時", 102, LVCFMT_LEFT},
};
// clang-format on

constexpr int SBHeight = 19;
constexpr StatusPanelLayout Panels[] = {
    {30, 1, ""}, {80, 0, ""}, {80, 0, ""}, {40, 0, ""}, {154, 0, ""}, {50, 0, ""},
};
// Panel 4 holds the progress bar while the list fills.
constexpr int ProgressPanel = 4;

}  // namespace view_layout
