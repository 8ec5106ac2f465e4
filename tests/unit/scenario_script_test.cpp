// Reading scenario files: the word and escape rules other people's scenario files rely on.
#include <gtest/gtest.h>

#include "core/text.h"
#include "scenario/runner.h"
#include "scenario/script.h"

namespace lirafok::scenario {
namespace {

TEST(ScenarioWords, QuotingAndEscapes) {
    struct Case {
        std::string line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"expect CDOKE.TRKNO.Caption == 1", {"expect", "CDOKE.TRKNO.Caption", "==", "1"}},
        {"  type  CDDATA.TITLE1   \"夜空 の 歌\"", {"type", "CDDATA.TITLE1", "夜空 の 歌"}},
        {R"(clipboard "a\"b\\c\r\n\t")", {"clipboard", "a\"b\\c\r\n\t"}},
        {R"(expect msgbox "x\x41y")", {"expect", "msgbox", "xAy"}},
        {R"(file "")", {"file", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(splitWords(c.line), c.words) << c.line;
    EXPECT_THROW(splitWords("type X \"open"), std::runtime_error);
}

TEST(ScenarioWords, BlocksCommentsAndLineNumbers) {
    auto cmds = parseScenario(
        "# comment\n\nfile A.TXT\nline one\n  # not a comment inside a block\nend\nstart\n");
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].line, 3);
    EXPECT_EQ(cmds[0].block,
              (std::vector<std::string>{"line one", "  # not a comment inside a block"}));
    EXPECT_EQ(cmds[1].line, 7);
    EXPECT_THROW(parseScenario("file A\nno end\n"), std::runtime_error);
}

TEST(ScenarioWords, BlockLinesAreCp932WithRawBytes) {
    EXPECT_EQ(blockLineBytes("\\x03"), std::string("\x03", 1));
    EXPECT_EQ(blockLineBytes("a\\\\b"), "a\\b");
    EXPECT_EQ(blockLineBytes("曲\\x81"), text::toCp932("曲") + "\x81");
}

TEST(ScenarioRun, ClosingLineAndFailureLine) {
    Outcome ok = runScenario("clock 2026-03-04 05:06:07\nscreen 9600 7200\n");
    EXPECT_TRUE(ok.passed) << ok.message;
    Outcome bad = runScenario("\n\nexpect running\n");
    EXPECT_FALSE(bad.passed);
    EXPECT_EQ(bad.message.rfind("3: ", 0), 0u) << bad.message;
}

TEST(ScenarioRun, MissingFontListEndsTheProgramAfterItsMessage) {
    Outcome r = runScenario(
        "disc 1000\nstart\nexpect msgbox "
        "\"フォント　ファイルが有りません　{SANDBOX}/LIRAFOK.FOT\"\n"
        "expect ended\n");
    // The settings message comes first (no LIRAFOK.INI either).
    EXPECT_FALSE(r.passed);
    Outcome r2 = runScenario(
        "disc 1000\nstart\nexpect msgbox "
        "\"環境ファイルがセットアップされていません({SANDBOX}/LIRAFOK.INI)\\n"
        "この後必ず環境設定(SETUP)を行って下さい。\"\n"
        "expect msgbox \"フォント　ファイルが有りません　{SANDBOX}/LIRAFOK.FOT\"\nexpect ended\n");
    EXPECT_TRUE(r2.passed) << r2.message;
}

}  // namespace
}  // namespace lirafok::scenario
