// The control model's contracts the windows rely on: timer re-arming, events raised by
// programmatic changes, unloading, and the virtual clock's ordering.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/form.h"
#include "ui/timer.h"
#include "ui/virtual_scheduler.h"

namespace lirafok::ui {
namespace {

struct NullHost : FormHost {
    std::vector<std::string> log;
    void showForm(Form& f, bool modal) override {
        log.push_back((modal ? "modal " : "show ") + f.name());
    }
    void hideForm(Form& f) override { log.push_back("hide " + f.name()); }
    void unloadForm(Form& f) override { log.push_back("unload " + f.name()); }
    void formChanged(Form&) override {}
};

struct TestForm : Form {
    explicit TestForm(FormHost& h) : Form(h, "TEST"), list(*this, "List1"), bar(*this, "Bar") {}
    ListBox list;
    ScrollBar bar;
    int loads = 0, resizes = 0;
    bool cancelNext = false;
    std::vector<UnloadMode> queries;
    void Form_Load() override { ++loads; }
    void Form_Resize() override { ++resizes; }
    void Form_QueryUnload(bool& cancel, UnloadMode m) override {
        queries.push_back(m);
        cancel = cancelNext;
    }
};

TEST(VirtualScheduler, RunsDueTasksInTimeThenSchedulingOrder) {
    VirtualScheduler s;
    std::vector<std::string> order;
    s.schedule(20, [&] { order.push_back("b@" + std::to_string(s.nowMs())); });
    s.schedule(10, [&] { order.push_back("a@" + std::to_string(s.nowMs())); });
    s.schedule(20, [&] { order.push_back("c@" + std::to_string(s.nowMs())); });
    TaskId gone = s.schedule(15, [&] { order.push_back("cancelled"); });
    s.cancel(gone);
    s.advance(19);
    EXPECT_EQ(order, (std::vector<std::string>{"a@10"}));
    s.advance(1);
    EXPECT_EQ(order, (std::vector<std::string>{"a@10", "b@20", "c@20"}));
    EXPECT_EQ(s.nowMs(), 20);
}

TEST(VirtualScheduler, TaskScheduledByATaskRunsInTheSameAdvanceWhenDue) {
    VirtualScheduler s;
    std::vector<std::int64_t> at;
    s.schedule(5, [&] {
        at.push_back(s.nowMs());
        s.schedule(5, [&] { at.push_back(s.nowMs()); });
    });
    s.advance(10);
    EXPECT_EQ(at, (std::vector<std::int64_t>{5, 10}));
}

TEST(VirtualScheduler, WallClockRunsOnFromTheSetTime) {
    VirtualScheduler s;
    s.advance(5000);
    s.setWallClock(1000000);
    s.advance(61500);
    EXPECT_EQ(s.wallClock(), 1000061);
}

TEST(Timer, TicksEveryIntervalAndRestartsWhenTheIntervalIsWritten) {
    VirtualScheduler s;
    NullHost h;
    TestForm f(h);
    Timer t(f, s, "Timer1");
    std::vector<std::int64_t> ticks;
    t.onTimer = [&] { ticks.push_back(s.nowMs()); };
    t.setInterval(1000);
    s.advance(2500);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{1000, 2000}));
    t.setInterval(1000);  // rewriting restarts the countdown from now (2500)
    s.advance(1200);
    EXPECT_EQ(ticks.back(), 3500);
    t.setTimerEnabled(false);
    s.advance(5000);
    EXPECT_EQ(ticks.size(), 3u);
}

TEST(Timer, HandlerChangingItsIntervalServesChainedWaits) {
    // The lyrics tick serves long waits in pieces: 60000, 60000, 30000.
    VirtualScheduler s;
    NullHost h;
    TestForm f(h);
    Timer t(f, s, "Timer2");
    int remaining = 90000;
    std::vector<std::int64_t> ticks;
    t.onTimer = [&] {
        ticks.push_back(s.nowMs());
        if (remaining > 60000) {
            remaining -= 60000;
            t.setInterval(60000);
        } else if (remaining > 0) {
            t.setInterval(remaining);
            remaining = 0;
        } else {
            t.setInterval(0);
        }
    };
    t.setInterval(60000);
    s.advance(400000);
    EXPECT_EQ(ticks, (std::vector<std::int64_t>{60000, 120000, 150000}));
}

TEST(Controls, ProgrammaticChangesRaiseTheClassicEvents) {
    NullHost h;
    TestForm f(h);
    int changes = 0, clicks = 0;
    f.bar.onChange = [&] { ++changes; };
    f.bar.setValue(30);
    f.bar.setValue(30);   // unchanged: no event
    f.bar.setValue(500);  // clamped to 100
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(f.bar.value(), 100);

    f.list.addItem("a");
    f.list.addItem("b");
    f.list.onClick = [&] { ++clicks; };
    f.list.setListIndex(1);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(f.list.selected(1));
    EXPECT_FALSE(f.list.selected(0));
    f.list.removeItem(0);
    EXPECT_EQ(f.list.listIndex(), 0);
    EXPECT_EQ(f.list.list(5), "");  // out of range reads empty, never throws
}

TEST(Controls, ListBoxUserClickRaisesMouseDownBeforeClick) {
    NullHost h;
    TestForm f(h);
    for (const char* s : {" 01 03:00 春", " 02 04:00 夏"}) f.list.addItem(s);
    std::vector<std::string> events;
    f.list.onMouseDown = [&](int, int, int, int) {
        events.push_back("down@" + std::to_string(f.list.listIndex()));
    };
    f.list.onClick = [&] { events.push_back("click"); };
    f.list.userClickItem(1);
    EXPECT_EQ(events, (std::vector<std::string>{"down@1", "click"}));
}

TEST(Controls, TextBoxSelectionCountsCharactersNotBytes) {
    NullHost h;
    TestForm f(h);
    TextBox t(f, "Text1");
    t.setText("あいうえお");
    t.setSelection(1, 2);
    EXPECT_EQ(t.selText(), "いう");
    t.setSelText("X");
    EXPECT_EQ(t.text(), "あXえお");
    t.setSelection(10, 10);  // clamped
    EXPECT_EQ(t.selStart(), 4);
    EXPECT_EQ(t.selLength(), 0);
}

TEST(Controls, OptionButtonsOfAGroupExcludeEachOther) {
    NullHost h;
    TestForm f(h);
    OptionButton a(f, "Option1", 0), b(f, "Option1", 1), other(f, "Other");
    other.setGroup(1);
    other.setValue(true);
    a.setValue(true);
    b.userClick();
    EXPECT_FALSE(a.value());
    EXPECT_TRUE(b.value());
    EXPECT_TRUE(other.value());
}

TEST(Controls, TabPagesShowOnlyOnTheirTabAndADisabledContainerDisablesItsControls) {
    NullHost h;
    TestForm f(h);
    TabControl tabs(f, "SSTab1");
    Frame frame(f, "Frame8");
    Button onFirst(f, "Command3D1"), inFrame(f, "Command2"), outside(f, "Command3D2");
    tabs.setTabs(4);
    for (int i = 0; i < 4; ++i)
        tabs.setTabCaption(i, std::vector<std::string>{"オプション", "フォント", "歌詞表示",
                                                       "タイマー"}[static_cast<std::size_t>(i)]);
    onFirst.setContainer(&tabs, 0);
    frame.setContainer(&tabs, 3);
    inFrame.setContainer(&frame);
    struct Views : ControlView {
        std::vector<Prop> seen;
        void update(Prop p) override { seen.push_back(p); }
    } frameView, buttonView;
    frame.attachView(&frameView);
    inFrame.attachView(&buttonView);
    std::vector<int> clicks;
    tabs.onTabClick = [&](int previous) { clicks.push_back(previous); };

    EXPECT_EQ(tabs.tab(), 0);
    EXPECT_EQ(tabs.caption(), "オプション");
    EXPECT_TRUE(onFirst.effectivelyVisible());
    EXPECT_FALSE(inFrame.effectivelyVisible());
    EXPECT_TRUE(inFrame.visible());  // its own property is unchanged
    tabs.userClickTab(3);
    tabs.setTab(3);  // the current tab again: no Click
    EXPECT_EQ(clicks, (std::vector<int>{0}));
    EXPECT_EQ(tabs.caption(), "タイマー");
    EXPECT_FALSE(onFirst.effectivelyVisible());
    EXPECT_TRUE(inFrame.effectivelyVisible());
    // The views of the page's controls, nested ones included, hear of the change.
    EXPECT_NE(std::find(buttonView.seen.begin(), buttonView.seen.end(), Prop::Visible),
              buttonView.seen.end());
    EXPECT_TRUE(outside.effectivelyVisible());

    frame.setEnabled(false);
    EXPECT_TRUE(inFrame.enabled());
    EXPECT_FALSE(inFrame.effectivelyEnabled());
    EXPECT_NE(std::find(buttonView.seen.begin(), buttonView.seen.end(), Prop::Enabled),
              buttonView.seen.end());
    tabs.setTabs(2);  // the current tab is gone: the last one left becomes current
    EXPECT_EQ(tabs.tab(), 1);
    EXPECT_EQ(tabs.caption(), "フォント");
    frame.attachView(nullptr);
    inFrame.attachView(nullptr);
}

TEST(Form, LoadsOnceUnloadAsksAndMayBeCancelled) {
    NullHost h;
    TestForm f(h);
    f.show();
    f.show();
    EXPECT_EQ(f.loads, 1);
    EXPECT_TRUE(f.shown());
    f.cancelNext = true;
    EXPECT_FALSE(f.userClose());
    EXPECT_TRUE(f.loaded());
    f.cancelNext = false;
    EXPECT_TRUE(f.unload());
    EXPECT_FALSE(f.loaded());
    EXPECT_EQ(f.queries, (std::vector<UnloadMode>{UnloadMode::User, UnloadMode::Code}));
    EXPECT_EQ(h.log.back(), "unload TEST");
}

TEST(Form, ResizeEventOnlyWhenTheSizeChanges) {
    NullHost h;
    TestForm f(h);
    f.load();
    f.move(100, 100, f.width(), f.height());
    EXPECT_EQ(f.resizes, 0);
    f.userResizeInner(3000, 2000);
    EXPECT_EQ(f.resizes, 1);
    EXPECT_EQ(f.innerHeight(), 2000);
    EXPECT_EQ(f.scaleHeight(), 2000);
    f.setScale(0, 0, 1000, 500);
    EXPECT_EQ(f.scaleHeight(), 500);
}

TEST(Form, UnloadStopsItsTimers) {
    VirtualScheduler s;
    NullHost h;
    TestForm f(h);
    Timer t(f, s, "Timer1");
    int ticks = 0;
    t.onTimer = [&] { ++ticks; };
    f.load();
    t.setInterval(100);
    f.unload();
    s.advance(1000);
    EXPECT_EQ(ticks, 0);
}

}  // namespace
}  // namespace lirafok::ui
