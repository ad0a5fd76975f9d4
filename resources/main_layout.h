// The main window's layout: pixels at 96 dots per inch, never rescaled.
#pragma once
#include <commctrl.h>

#include "resource_ids.h"
#include "toolkit/layout.h"

namespace main_layout {

using namespace toolkit;

constexpr FormLayout Form = {
    "TMain", "Plenkit", 261, 114, 414, 247, {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, true, true};

constexpr Bounds Panel1 = {0, 0, 406, 22};

constexpr ButtonLayout Buttons[] = {
    {"SpeedButton1", 0, {0, 0, 23, 22}, "個別に場所を選んで解凍", IDB_EXTRACT_EACH},
    {"SpeedButton2", 1, {24, 0, 23, 22}, "場所を選んで解凍", IDB_EXTRACT_ONE},
    {"SpeedButton3", 2, {48, 0, 23, 22}, "元の場所に解凍", IDB_EXTRACT_HERE},
    {"SpeedButton4", 3, {172, 0, 23, 22}, "書庫ﾘｽﾄ表示", IDB_SHOW_LIST},
    {"SpeedButton5", 4, {208, 0, 23, 22}, "選択ﾘｽﾄの削除", IDB_REMOVE},
    {"SpeedButton6", 5, {244, 0, 23, 22}, "ﾊﾞｰｼﾞｮﾝ情報", IDB_VERSION},
    {"SpeedButton7", 6, {268, 0, 23, 22}, "ﾍﾙﾌﾟ", IDB_HELP},
    {"SpeedButton8", 7, {304, 0, 23, 22}, "終了", IDB_EXIT},
};

constexpr Bounds CB = {76, 2, 87, 17};
constexpr const char* CBCaption = "ﾌｫﾙﾀﾞを作成";
constexpr const char* CBHint = "解凍時にﾌｧｲﾙ名でﾌｫﾙﾀﾞを作成する";

// Bevel1 to Bevel5 in the order of their names (not of their places).
constexpr Bounds Bevels[] = {
    {164, 0, 2, 21}, {200, 0, 2, 21}, {296, 0, 2, 21}, {332, 0, 2, 21}, {236, 0, 2, 21}};

constexpr Bounds LV = {0, 22, 406, 179};
constexpr ColumnLayout Columns[] = {
    {"名前", 160, LVCFMT_LEFT},
    {"ｻｲｽﾞ", 84, LVCFMT_RIGHT},
    {"個数", 40, LVCFMT_RIGHT},
    {"更新日時", 102, LVCFMT_LEFT},
};
// The full path rides in a column of its own that is never shown.
constexpr int HiddenColumns = 1;

constexpr int SBHeight = 19;
constexpr StatusPanelLayout Panels[] = {
    {30, 1, "9999"},
    {80, 0, "9999999.99KB"},
    {140, 0, "lzh zip cab arj rar bza gza"},
    {50, 0, ""},
};

constexpr MenuItemLayout PMItems[] = {
    {"MM1", 1, "隠す"},
    {"MM2", 2, "終了"},
};

}  // namespace main_layout
