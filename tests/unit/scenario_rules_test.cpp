// The runner's rules for acting and checking, on inline scenarios that must fail: the user
// reaches only what is shown and enabled, checks never load a window, and every queued answer
// must fit the dialog it meets and be used. A failure names its line and the rule.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "scenario/control_access.h"
#include "scenario/runner.h"
#include "ui/form.h"

namespace lirafok::scenario {
namespace {

const std::string kStarted =
    "file LIRAFOK.FOT\n00NNoto Sans CJK JP\nend\n"
    "file LIRAFOK.INI\nSOUND=1\nSWVOL=2\nend\n"
    "disc 60000 60000\nstart\nexpect no-msgbox\n";

// The line number of `command` in `text` (from 1).
int lineOf(const std::string& text, const std::string& command) {
    std::istringstream in(text);
    std::string l;
    for (int n = 1; std::getline(in, l); ++n)
        if (l == command) return n;
    return -1;
}

TEST(ScenarioRules, EachBrokenRuleFailsAtItsLineWithItsReason) {
    struct Case {
        const char* what;
        std::string text;
        std::string failingLine;
        std::string reason;
    };
    const Case cases[] = {
        {"a transport button drawn disabled (Pause while stopped)",
         kStarted + "click CDOKE.MMControl1.Pause\n", "click CDOKE.MMControl1.Pause",
         "CDOKE.MMControl1.Pause is not reachable: disabled"},
        {"a hidden control (the volume pair with the volume control off)",
         kStarted + "spin-up CDOKE.VOLS(1)\n", "spin-up CDOKE.VOLS(1)",
         "CDOKE.VOLS(1) is not reachable: hidden"},
        {"a hidden button", kStarted + "click CDOKE.LOADX\n", "click CDOKE.LOADX",
         "is not reachable: hidden"},
        {"a window that is not loaded", kStarted + "close CDKASIF2\n", "close CDKASIF2",
         "CDKASIF2 is not reachable: window CDKASIF2 is not shown"},
        {"a check of a control on a window that is not loaded",
         kStarted + "expect CDKASIF2.KASI(0).Caption == \"\"\n",
         "expect CDKASIF2.KASI(0).Caption == \"\"", "window CDKASIF2 is not loaded"},
        {"a check of a window's caption, not loaded", kStarted + "expect CDKASIF.Caption == \"\"\n",
         "expect CDKASIF.Caption == \"\"", "window CDKASIF is not loaded"},
        {"a message box answer never used", "answer yes\n" + kStarted, "answer yes",
         "\"answer yes\" was never used"},
        {"a printer answer never used", kStarted + "answer printer cancel\n",
         "answer printer cancel", "\"answer printer cancel\" was never used"},
        {"a modal answer never used", kStarted + "answer modal CDSDATA Command1\n",
         "answer modal CDSDATA Command1", "was never used"},
        {"the earliest of several unused answers", "answer font cancel\nanswer no\n" + kStarted,
         "answer font cancel", "\"answer font cancel\" was never used"},
        // Without a settings file the program starts with an OK-only message box.
        {"an answer that is no button of the box it meets",
         "file LIRAFOK.FOT\n00NNoto Sans CJK JP\nend\ndisc 1000\nanswer yes\nstart\n", "start",
         "answer yes (line 5) does not fit the OK only message box"},
        // A font list naming a missing face starts the recovery, whose dialog offers
        // installed faces only.
        {"a font pick the dialog does not offer",
         "file LIRAFOK.FOT\n00NＭＳ 明朝\nend\nfile LIRAFOK.INI\nSOUND=1\nend\n"
         "fonts \"Noto Sans CJK JP\"\ndisc 1000\nanswer font \"ＭＳ 明朝\" 12\nstart\n",
         "start", "answer font \"ＭＳ 明朝\" (line 9) cannot be picked"},
        {"a label cannot take the focus", kStarted + "focus CDOKE.TRKNO\n", "focus CDOKE.TRKNO",
         "CDOKE.TRKNO cannot take the focus"},
    };
    for (const Case& c : cases) {
        Outcome r = runScenario(c.text);
        EXPECT_FALSE(r.passed) << c.what;
        const int line = lineOf(c.text, c.failingLine);
        ASSERT_GT(line, 0) << c.what;
        EXPECT_EQ(r.message.rfind(std::to_string(line) + ": ", 0), 0u)
            << c.what << ": " << r.message;
        EXPECT_NE(r.message.find(c.reason), std::string::npos) << c.what << ": " << r.message;
    }
}

TEST(ScenarioRules, TheSameActionsPassWhereTheUserCanReachThem) {
    // Pause while playing, the volume pair in separate mode.
    Outcome r = runScenario(
        "file LIRAFOK.FOT\n00NNoto Sans CJK JP\nend\n"
        "file LIRAFOK.INI\nSOUND=1\nSWVOL=0\nend\n"
        "disc 60000 60000\nstart\n"
        "click CDOKE.MMControl1.Play\nadvance 1000\nclick CDOKE.MMControl1.Pause\n"
        "expect device mode 529\nspin-up CDOKE.VOLS(1)\nexpect CDOKE.VOLD(1).Caption != \"\"\n");
    EXPECT_TRUE(r.passed) << r.message;
}

struct NoScreen : ui::FormHost {
    void showForm(ui::Form&, bool) override {}
    void hideForm(ui::Form&) override {}
    void unloadForm(ui::Form&) override {}
    void formChanged(ui::Form&) override {}
};

TEST(ScenarioRules, ATabControlReadsLikeAListOfTabsAndHidesItsOtherPages) {
    NoScreen host;
    ui::Form f(host, "CDKANKYOX");
    ui::TabControl tabs(f, "SSTab1");
    ui::Frame timer(f, "Frame2");
    ui::Button onOff(f, "ONOFF"), save(f, "Command3D2");
    tabs.setTabs(4);
    tabs.setTabCaption(3, "タイマー");
    timer.setContainer(&tabs, 3);
    onOff.setContainer(&timer);
    struct Case {
        const char* prop;
        std::string text;
    };
    const Case cases[] = {{"ListCount", "4"},      {"ListIndex", "0"},   {"Value", "0"},
                          {"List(3)", "タイマー"}, {"List(1)", "Tab 1"}, {"List(9)", ""},
                          {"Caption", "Tab 0"}};
    for (const Case& c : cases) EXPECT_EQ(readProperty(tabs, c.prop).text, c.text) << c.prop;
    EXPECT_EQ(unreachableWhy(onOff),
              "hidden: CDKANKYOX.Frame2 is on tab 3 of CDKANKYOX.SSTab1, and tab 0 is the "
              "current one");
    EXPECT_EQ(unreachableWhy(save), "");
    tabs.userClickTab(3);
    EXPECT_EQ(readProperty(tabs, "Caption").text, "タイマー");
    EXPECT_EQ(readProperty(tabs, "Value").text, "3");
    EXPECT_EQ(unreachableWhy(onOff), "");
    timer.setEnabled(false);
    EXPECT_EQ(unreachableWhy(onOff), "disabled: CDKANKYOX.Frame2 is disabled");
    EXPECT_EQ(readProperty(onOff, "Enabled").text, "true");  // its own property
}

}  // namespace
}  // namespace lirafok::scenario
