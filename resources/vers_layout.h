// The version dialog's layout: pixels, never rescaled.
#pragma once
#include "resource_ids.h"
#include "toolkit/layout.h"

namespace vers_layout {

using namespace toolkit;

// Client area 281 x 85 inside a fixed dialog frame; placed over the main
// window when shown.
constexpr int ClientWidth = 281;
constexpr int ClientHeight = 85;

// clang-format off
constexpr FormLayout Form = {
    "TVers", "ﾊﾞｰｼﾞｮﾝ情報", CW_USEDEFAULT, CW_USEDEFAULT, ClientWidth, ClientHeight,
    {"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, true, false, true};
// clang-format on

// A lowered frame around the dialog's own picture, which sits 2 pixels
// inside the frame's outer edge.
constexpr Bounds Panel1 = {8, 8, 37, 37};
constexpr POINT Image1 = {2, 2};
constexpr int Image1Size = 32;
constexpr int Image1Picture = IDI_VERSION;

// The project's own addresses.
constexpr const char* MailAddress = "plenkit@example.org";
constexpr const char* HomePage = "http://www.example.org/plenkit/";

// Label1, Label2, Mai, Label4, Url, Label5.
constexpr LabelLayout Labels[] = {
    {"Label1", 0, 56, 12, "Plenkit", nullptr},
    {"Label2", 0, 56, 32, "Version 1.01", nullptr},
    {"Mai", 0, 40, 52, MailAddress, "ﾒｰﾙを出す"},
    {"Label4", 0, 8, 68, "URL:", nullptr},
    {"Url", 1, 40, 68, HomePage, "ぴるぽんのﾎｰﾑﾍﾟｰｼﾞを開く"},
    {"Label5", 0, 8, 52, "Mail:", nullptr},
};
constexpr FontLayout Label1Font = {"ＭＳ Ｐゴシック", 16, SHIFTJIS_CHARSET};

constexpr Bounds BitBtn1 = {196, 12, 75, 21};
constexpr const char* BitBtn1Caption = "OK";

}  // namespace vers_layout
