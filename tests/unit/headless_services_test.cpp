// The headless services that scenarios predict exactly: the printer's simple text measure and
// whole-twip output, the font dialog's rules (shared with the Qt dialog), and the focus moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenario/focus.h"
#include "scenario/headless.h"
#include "ui/font_rules.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::scenario {
namespace {

TEST(HeadlessPrinter, TextIsSizeTimesTwentyHighAndPositionsAreWrittenInWholeTwips) {
    HeadlessPrinter p;
    const ui::Font title{"ＭＳ Ｐゴシック", 14, true, false};
    const ui::Font small{"ＭＳ ゴシック", 10.5, false, true};
    EXPECT_EQ(p.textHeight(title), 280);
    EXPECT_EQ(p.textHeight(small), 210);
    // Two title lines stacked as the label's print steps do, the second at a fractional x.
    p.text(570 + 685, 570 + 685 + 40.5, title, "春の歌集");
    EXPECT_EQ(p.currentX(), 1255);
    EXPECT_EQ(p.currentY(), 1295.5 + 280);
    p.setCurrentX(570 + 20000.0 / 35);
    p.print(small, "山田花子");
    EXPECT_DOUBLE_EQ(p.currentY(), 1575.5 + 210);
    p.print(small, "一\r\n二");  // two lines: the cursor moves down twice
    EXPECT_DOUBLE_EQ(p.currentY(), 1785.5 + 420);
    p.line(570 + 20, 2205.5 + 20, 570 + 2800, 2205.5 + 20, 4);
    p.endDoc();
    EXPECT_EQ(p.currentX(), 0);
    EXPECT_EQ(p.currentY(), 0);
    const std::vector<std::vector<std::string>> job = {
        {"text", "1255", "1296", "ＭＳ Ｐゴシック", "14", "bold", "春の歌集"},
        {"text", "1141", "1576", "ＭＳ ゴシック", "10.5", "italic", "山田花子"},
        {"text", "1141", "1786", "ＭＳ ゴシック", "10.5", "italic", "一\r\n二"},
        {"line", "590", "2226", "3370", "2226", "4"},
        {"enddoc"}};
    EXPECT_EQ(p.lastJob, job);
}

TEST(FontDialogRules, SizesAreKeptInTheLimitsAndOnlyOfferedFacesCanBePicked) {
    HeadlessFonts fonts;
    fonts.all = false;
    fonts.installed = {"Noto Sans CJK JP", "Noto Serif CJK JP"};
    auto request = [](bool limit, double mn, double mx, bool force) {
        ui::FontDialogRequest r;
        r.preset = {"ＭＳ Ｐゴシック", 12, false, false};
        r.limitSize = limit;
        r.minSize = mn;
        r.maxSize = mx;
        r.forceExisting = force;
        return r;
    };
    struct Case {
        const char* what;
        ui::FontDialogRequest request;
        ui::FontChoice pick;
        bool picked;
        double size;
    };
    const Case cases[] = {
        {"lyrics font 10 to 14: too large",
         request(true, 10, 14, false),
         {"Noto Sans CJK JP", 20, true, false},
         true,
         14},
        {"lyrics font 10 to 14: too small",
         request(true, 10, 14, false),
         {"Noto Sans CJK JP", 8, false, false},
         true,
         10},
        {"at most 16 points, no minimum",
         request(true, 0, 16, false),
         {"Noto Serif CJK JP", 6, false, false},
         true,
         6},
        {"no limit",
         request(false, 10, 14, false),
         {"Noto Sans CJK JP", 72, false, false},
         true,
         72},
        {"a face that is not installed",
         request(false, 0, 0, false),
         {"ＭＳ 明朝", 12, false, false},
         false,
         0},
        {"the missing preset face, kept",
         request(true, 8, 12, false),
         {"ＭＳ Ｐゴシック", 11, false, false},
         true,
         11},
        {"the missing preset face, forced to an existing one",
         request(false, 0, 0, true),
         {"ＭＳ Ｐゴシック", 12, false, false},
         false,
         0},
        {"an empty name passes for the program to refuse",
         request(true, 10, 14, true),
         {"", 30, false, false},
         true,
         14},
    };
    for (const Case& c : cases) {
        auto r = ui::fontDialogResult(c.request, c.pick, fonts);
        ASSERT_EQ(r.has_value(), c.picked) << c.what;
        if (!r) continue;
        EXPECT_EQ(r->size, c.size) << c.what;
        EXPECT_EQ(r->name, c.pick.name) << c.what;
        EXPECT_EQ(r->bold, c.pick.bold) << c.what;
    }
    // The headless dialog applies the same rules to a scripted pick.
    HeadlessDialogs dialogs(fonts);
    dialogs.fonts.push_back({ui::FontChoice{"Noto Sans CJK JP", 20, false, false}, 7});
    dialogs.fonts.push_back({ui::FontChoice{"ＭＳ 明朝", 12, false, false}, 8});
    EXPECT_EQ(dialogs.fontDialog(request(true, 10, 14, false))->size, 14);
    EXPECT_THROW(dialogs.fontDialog(request(true, 10, 14, false)), ScenarioFailure);
}

struct NoScreen : ui::FormHost {
    void showForm(ui::Form&, bool) override {}
    void hideForm(ui::Form&) override {}
    void unloadForm(ui::Form&) override {}
    void formChanged(ui::Form&) override {}
};

TEST(FocusHolder, LostFocusOnTheControlThatHadItThenGotFocusOnTheNewOne) {
    NoScreen host;
    ui::VirtualScheduler sched;
    ui::Form f(host, "CDDATA");
    ui::TextBox a(f, "KYOKU", 0), b(f, "KYOKU", 1);
    device::MMControl mm(f, sched, "MMControl1");
    f.load();
    std::vector<std::string> log;
    a.onGotFocus = [&] { log.push_back("a got"); };
    a.onLostFocus = [&] { log.push_back("a lost"); };
    b.onGotFocus = [&] { log.push_back("b got"); };
    b.onLostFocus = [&] { log.push_back("b lost"); };
    mm.onStopLostFocus = [&] { log.push_back("stop lost"); };
    FocusHolder focus;
    focus.moveTo({&a, std::nullopt});
    focus.moveTo({&b, std::nullopt});
    focus.moveTo({&b, std::nullopt});  // already there: nothing
    focus.moveTo({&mm, device::TransportButton::Play});
    focus.moveTo({&mm, device::TransportButton::Stop});
    focus.moveTo({&a, std::nullopt});
    EXPECT_EQ(log, (std::vector<std::string>{"a got", "a lost", "b got", "b lost", "stop lost",
                                             "a got"}));
    // A control of an unloaded window loses the focus without an event.
    log.clear();
    focus.formUnloaded(f);
    focus.moveTo({&b, std::nullopt});
    EXPECT_EQ(log, (std::vector<std::string>{"b got"}));
    // A LostFocus handler that moves the focus on has the last word.
    b.onLostFocus = [&] {
        log.push_back("b lost");
        focus.moveTo({&mm, device::TransportButton::Stop});
    };
    focus.moveTo({&a, std::nullopt});
    EXPECT_EQ(log, (std::vector<std::string>{"b got", "b lost"}));
    EXPECT_EQ(focus.current().button, device::TransportButton::Stop);
    mm.shutdown();
}

TEST(HeadlessHost, AModalShowStaysOpenUntilItsFormIsHiddenOrUnloaded) {
    HeadlessHost host;
    ui::Form outer(host, "CDDATA"), inner(host, "CDSDATA");
    std::vector<std::string> log;
    host.whileModal = [&](ui::Form& f, const HeadlessHost::OpenTest& open) {
        EXPECT_TRUE(open());
        EXPECT_EQ(host.topModal(), &f);
        if (&f == &outer) {
            inner.show(true);
            // The inner window was unloaded: the outer one is the top again.
            EXPECT_EQ(host.topModal(), &outer);
            outer.hide();
            log.push_back(std::string("outer open ") + (open() ? "yes" : "no"));
        } else {
            inner.unload();
            log.push_back(std::string("inner open ") + (open() ? "yes" : "no"));
        }
    };
    outer.show(true);
    EXPECT_EQ(log, (std::vector<std::string>{"inner open no", "outer open no"}));
    EXPECT_EQ(host.topModal(), nullptr);
}

}  // namespace
}  // namespace lirafok::scenario
