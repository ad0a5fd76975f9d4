// Encrypted members through our archivers, a table per format: the
// password box answered as a user answers it, the boxes that came, what was
// written and what the command answered. The archives are made by
// scripts/make_archives.py (build/archives/passwords); the password is
// "secret" unless a row says otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win/real_archives.h"
#include "win/test_support.h"

using namespace real_archives;
using testing_support::ReadBytes;

namespace {

const char* const kLf = "lf.txt:5090";
const char* const kReadme = "readme.txt:1160";
const char* const kShown = "表示.txt:7823";
const char* const kJapanese = "フォルダ\\日本語.txt:5100";

struct Case {
  const char* archive;
  std::vector<std::string> typed;  // at each password box in turn: "" skips, "!" cancels
  int result;
  const char* boxes;  // "ask" a password box, "again" one that says the last was wrong, a failure
                      // box's lines
  std::vector<std::string> written;
};

std::string Passwords() { return Folder() + "passwords\\"; }

// The boxes in short: a password box as "ask" or "again", a failure box as
// its members' lines.
std::string Summary(const std::vector<std::string>& boxes) {
  std::string summary;
  for (const std::string& texts : boxes) {
    if (!summary.empty()) summary += " | ";
    if (Archivers::IsPasswordBox(texts)) {
      summary += texts.find("パスワードが違います") != std::string::npos ? "again" : "ask";
      continue;
    }
    std::string lines;
    for (std::size_t at = 0, end; at < texts.size(); at = end + 1) {
      end = texts.find('\n', at);
      if (end == std::string::npos) end = texts.size();
      const std::string line = texts.substr(at, end - at);
      if (line.find("：") != std::string::npos) lines += (lines.empty() ? "" : " / ") + line;
    }
    summary += lines;
  }
  return summary;
}

// Extracts each case's archive whole into a folder of its own, typing its
// passwords into the boxes.
void ExtractEach(const std::vector<Case>& cases) {
  Archivers a;
  const std::string falsePass = ReadBytes(Passwords() + "false_pass.txt");
  ASSERT_FALSE(falsePass.empty()) << "run scripts/make_archives.py";
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.archive);
    std::size_t next = 0;
    a.answer = [&](const std::string& texts) {
      if (Archivers::IsProgress(texts)) return 0;
      if (!Archivers::IsPasswordBox(texts)) return IDOK;
      if (next >= c.typed.size()) return static_cast<int>(IDCANCEL);
      const std::string typed = c.typed[next++] == "<false>" ? falsePass : c.typed[next - 1];
      if (typed.empty()) return Archivers::kSkipPassword;
      if (typed == "!") return static_cast<int>(IDCANCEL);
      SetDlgItemTextA(testing_support::AnsweredDialog(), Archivers::kPasswordEdit, typed.c_str());
      return static_cast<int>(IDOK);
    };
    const std::string destination = a.box.Path("out" + std::to_string(n++) + "\\");
    EXPECT_EQ(a.Extract(Passwords() + c.archive, destination), c.result);
    EXPECT_EQ(Summary(a.boxes), c.boxes);
    std::vector<std::string> written;
    for (const std::string& entry : Tree(destination)) {
      if (entry.back() == '\\') continue;
      written.push_back(entry);
      const std::string name = entry.substr(0, entry.rfind(':'));
      EXPECT_TRUE(ReadBytes(destination + name) == Original(c.archive, name)) << name;
    }
    std::vector<std::string> expected = c.written;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(written, expected);
  }
}

}  // namespace

TEST(Passwords, Zip) {
  ExtractEach({
      {"zipcrypto.zip", {"secret"}, 0, "ask", {kLf, kReadme}},
      {"zipcrypto_sjis.zip",
       {"wrong", "secret"},
       0,
       "ask | again",
       {kShown, "ソフト\\能力.txt:3000", kJapanese}},
      // Its readme.txt is bzip2, which only comes out unencrypted: refused
      // as a method not read, not decoded from its ciphertext as damage.
      {"aes128.zip", {"secret"}, 0x8009, "ask | readme.txt：この形式の展開には対応していません", {kLf}},
      {"aes192.zip", {"secret"}, 0, "ask", {kLf, kReadme}},
      {"aes256.zip", {"secret"}, 0, "ask", {kLf, kReadme}},
      {"aes256_ae1.zip", {"secret"}, 0, "ask", {kLf, kReadme}},
      // Skipped, then given for the next member.
      {"aes256.zip", {"", "secret"}, 0x800A, "ask | ask | lf.txt：パスワードが必要です", {kReadme}},
      // Cancelled: the run stops.
      {"zipcrypto.zip", {"!"}, 0x8020, "ask | lf.txt：中止しました", {}},
      // Each password asked for once, and tried first from then on.
      {"two_passwords.zip", {"secret", "other"}, 0, "ask | ask", {kLf, kReadme, kShown}},
      {"japanese_cp932.zip", {"パスワード"}, 0, "ask", {kReadme}},
      {"japanese_utf8.zip", {"パスワード"}, 0, "ask", {kReadme}},
      // Past the check byte, then failing the CRC: a wrong password still.
      {"false_pass.zip", {"<false>", "secret"}, 0, "ask | again", {kReadme, kLf}},
      // The authentication code fails: damage, never a wrong password.
      {"aes256_flipped.zip", {"secret"}, 0x800C, "ask | lf.txt：データが壊れています", {kReadme}},
  });
}

TEST(Passwords, Arj) {
  ExtractEach({
      {"garbled_m0.arj", {"secret"}, 0, "ask", {kReadme, kLf, kJapanese}},
      // Nothing but the CRC tells a wrong password.
      {"garbled_m1.arj", {"wrong", "secret"}, 0, "ask | again", {kReadme, kLf, kJapanese}},
      {"garbled_m4.arj",
       {"", "", ""},
       0x800A,
       "ask | ask | ask | readme.txt：パスワードが必要です / lf.txt：パスワードが必要です / "
       "フォルダ\\日本語.txt：パスワードが必要です",
       {}},
  });
}

TEST(Passwords, RarIsListedAndRefusedWithoutAsking) {
  ExtractEach({
      {"rar4_encrypted.rar",
       {},
       0x800A,
       "foo.txt：RAR の暗号化には対応していません / bar.txt：RAR の暗号化には対応していません",
       {}},
      {"rar5_encrypted.rar",
       {},
       0x800A,
       "stest1.txt：RAR の暗号化には対応していません / stest2.txt：RAR "
       "の暗号化には対応していません",
       {}},
  });
  Archivers a;
  EXPECT_EQ(a.List(Passwords() + "rar5_encrypted.rar").size(), 2u);
}

// A caller that knows the password gives it on the command line: nothing is
// asked, the print is the member's text, and the call log never shows it.
TEST(Passwords, TheCallersPasswordAsksNothingAndIsNeverLogged) {
  Archivers a;
  const Library zip(a.box, "UnZip32.Dll", "UnZip");
  const std::string archive = "\"" + Passwords() + "two_passwords.zip\"";
  std::vector<int> results;
  static char printed[8192];
  const std::vector<std::string> boxes = testing_support::DialogsDuring([&] {
    results.push_back(
        zip.Command("-x " + archive + " \"" + a.box.Path("out\\") + "\" -psecret lf.txt"));
    results.push_back(
        zip.Command("-p " + archive + " readme.txt -p\"secret\"", printed, sizeof printed));
  });
  EXPECT_EQ(results, (std::vector<int>{0, 0}));
  EXPECT_TRUE(boxes.empty()) << testing::PrintToString(boxes);
  EXPECT_TRUE(ReadBytes(a.box.Path("out\\lf.txt")) == Original("x.zip", "lf.txt"));
  EXPECT_TRUE(printed == Original("x.zip", "readme.txt"));
  const std::string calls = ReadBytes(a.box.Path("calls.log"));
  EXPECT_EQ(calls.find("secret"), std::string::npos) << calls;
  EXPECT_NE(calls.find("-p***"), std::string::npos) << calls;
}
