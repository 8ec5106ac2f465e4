// Forms as windows: geometry in twips, custom scale, modal shows, closing, resizing, unloading.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QMenuBar>
#include <QTimer>

#include "qt/twip_mapper.h"
#include "qt/views_basic.h"
#include "qt_test_support.h"

namespace lirafok::qt::test {
namespace {

TEST(TwipMapperTest, MapsTwipsAndCustomScalesToPixels) {
    struct Case {
        const char* what;
        QSize inner;
        double sl, st, sw, sh;  // scale rectangle (0 width: plain twips)
        double l, t, w, h;
        QRect expected;
    };
    const Case cases[] = {
        {"plain twips", {550, 271}, 0, 0, 0, 0, 1500, 300, 750, 450, {100, 20, 50, 30}},
        {"rounds to nearest", {550, 271}, 0, 0, 0, 0, 7, 8, 22, 23, {0, 1, 2, 1}},
        {"scale stretches to the inner area",
         {550, 149},
         0,
         0,
         8250,
         2280,
         2760,
         840,
         2640,
         480,
         {184, 55, 176, 31}},
        {"scale with an origin", {100, 100}, 50, 50, 200, 100, 150, 100, 100, 50, {50, 50, 50, 50}},
        {"reduced layout", {161, 258}, 0, 0, 2415, 3670, 0, 420, 2370, 540, {0, 30, 158, 37}},
    };
    for (const Case& c : cases) {
        TwipMapper m(c.inner, c.sl, c.st, c.sw, c.sh);
        EXPECT_EQ(m.map(c.l, c.t, c.w, c.h), c.expected) << c.what;
    }
    // Neighbours that touch in twips touch in pixels, whatever the rounding.
    TwipMapper odd({161, 258}, 0, 0, 2415, 3670);
    for (int x = 0; x < 2400; x += 37) {
        QRect a = odd.map(x, 0, 37, 100), b = odd.map(x + 37, 0, 37, 100);
        EXPECT_EQ(a.x() + a.width(), b.x()) << x;
    }
}

class FormWindowTest : public ::testing::Test {
protected:
    void SetUp() override { app(); }
    void TearDown() override { form.destroySilently(); }
    FormWindow* show() {
        form.show();
        FormWindow* w = host.windowOf(form);
        EXPECT_NE(w, nullptr);
        waitUntil([&] { return w->isVisible(); });
        return w;
    }
    QtScheduler scheduler;
    QtFormHost host;
    KitchenSink form{host, scheduler};
};

TEST_F(FormWindowTest, WindowTakesCaptionPositionAndInnerSizeFromTwips) {
    form.setCaption("歌詞編集");
    FormWindow* w = show();
    EXPECT_EQ(w->windowTitle(), "歌詞編集");
    EXPECT_EQ(w->client()->size(), QSize(600, 400));
    EXPECT_EQ(w->pos(), QPoint(100, 100));
    EXPECT_EQ(w->viewOf(form.button)->widget()->geometry(), QRect(10, 10, 80, 24));
    // A menu bar sits above the inner area; it does not eat into it.
    EXPECT_EQ(w->client()->y(), w->menuBar()->height());
    form.setCaption("LIRAFOK");
    EXPECT_EQ(w->windowTitle(), "LIRAFOK");
}

TEST_F(FormWindowTest, CustomScaleMovesEveryControl) {
    FormWindow* w = show();
    form.setScale(0, 0, 900, 600);  // 10 twips of the inner area per unit
    EXPECT_EQ(w->viewOf(form.button)->widget()->geometry(), QRect(100, 100, 800, 240));
    form.resetScale();
    EXPECT_EQ(w->viewOf(form.button)->widget()->geometry(), QRect(10, 10, 80, 24));
    form.button.move(300, 300, 1500, 450);
    EXPECT_EQ(w->viewOf(form.button)->widget()->geometry(), QRect(20, 20, 100, 30));
}

TEST_F(FormWindowTest, ResizingAScaledWindowKeepsItsControlsInPlace) {
    FormWindow* w = show();
    form.setScale(0, 0, 900, 600);
    const QRect before = w->viewOf(form.button)->widget()->geometry();
    const int menu = w->menuBar()->height();
    w->resize(900, 500 + menu);
    ASSERT_TRUE(waitUntil([&] { return form.innerWidth() == 900 * 15; }));
    EXPECT_EQ(form.scaleWidth(), 900);  // the form's scale numbers stay
    EXPECT_EQ(w->viewOf(form.button)->widget()->geometry(), before);
    // A scale set anew covers the inner area as it is now.
    form.setScale(0, 0, 450, 250);
    EXPECT_EQ(w->viewOf(form.button)->widget()->geometry(), QRect(300, 300, 2400, 720));
}

TEST_F(FormWindowTest, PassiveControlsStayUnderTheOnesOnTopOfThem) {
    FormWindow* w = show();
    // The frame is declared before the list, the big panel after everything.
    form.panel.move(0, 0, 9000, 6000);
    pump();
    QWidget* client = w->client();
    QWidget* panel = w->viewOf(form.panel)->widget();
    QWidget* frame = w->viewOf(form.frame)->widget();
    QWidget* list = w->viewOf(form.list)->widget();
    const auto order = client->children();
    EXPECT_LT(order.indexOf(panel), order.indexOf(frame));
    EXPECT_LT(order.indexOf(frame), order.indexOf(list));
}

TEST_F(FormWindowTest, ModalShowReturnsOnlyWhenTheFormIsHidden) {
    bool timerRan = false;
    QTimer::singleShot(50, [&] {
        timerRan = true;
        EXPECT_TRUE(form.shown());
        form.hide();
    });
    form.show(true);
    EXPECT_TRUE(timerRan);
    EXPECT_FALSE(form.shown());
    ASSERT_NE(host.windowOf(form), nullptr);
    EXPECT_FALSE(host.windowOf(form)->isVisible());
}

TEST_F(FormWindowTest, ModalShowReturnsWhenTheFormUnloadsItselfFromAClick) {
    form.button.onClick = [&] { form.unload(); };
    QTimer::singleShot(50, [&] {
        auto* b = dynamic_cast<ButtonView*>(host.windowOf(form)->viewOf(form.button));
        ASSERT_NE(b, nullptr);
        b->button()->click();  // the window is unloaded from inside its own widget's signal
    });
    form.show(true);
    EXPECT_FALSE(form.loaded());
    EXPECT_EQ(host.windowOf(form), nullptr);
    EXPECT_EQ(form.button.view(), nullptr);
    pump();  // the window is deleted once the click has returned
}

TEST_F(FormWindowTest, NestedModalFormsReturnInnermostFirst) {
    QtScheduler s2;
    KitchenSink inner(host, s2);
    std::vector<std::string> order;
    QTimer::singleShot(30, [&] {
        QTimer::singleShot(30, [&] { inner.hide(); });
        inner.show(true);
        order.push_back("inner returned");
        form.hide();
    });
    form.show(true);
    order.push_back("outer returned");
    EXPECT_EQ(order, (std::vector<std::string>{"inner returned", "outer returned"}));
    inner.destroySilently();
}

TEST_F(FormWindowTest, UserCloseAsksTheFormWhichMayRefuse) {
    FormWindow* w = show();
    form.refuseClose = true;
    w->close();
    EXPECT_TRUE(form.loaded());
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(form.unloadModes.size(), 1u);
    EXPECT_EQ(form.unloadModes[0], ui::UnloadMode::User);
    form.refuseClose = false;
    w->close();
    EXPECT_FALSE(form.loaded());
    EXPECT_EQ(host.windowOf(form), nullptr);
    EXPECT_EQ(form.text.view(), nullptr);
    pump();
}

TEST_F(FormWindowTest, UserResizeReachesTheFormAndTheFormMaySnapBack) {
    FormWindow* w = show();
    const int resizesBefore = form.resizes;
    const int menu = w->menuBar()->height();
    w->resize(700, 300 + menu);
    ASSERT_TRUE(waitUntil([&] { return form.resizes > resizesBefore; }));
    EXPECT_EQ(form.innerWidth(), 700 * 15);
    EXPECT_EQ(form.innerHeight(), 300 * 15);
    // The program sets a size: the window follows without reporting a user resize.
    const int resizes = form.resizes;
    form.setHeight(250 * 15 + ui::Form::kFrameHeight);
    pump();
    EXPECT_EQ(w->client()->height(), 250);
    EXPECT_EQ(form.resizes, resizes + 1);  // the program's own move raises Form_Resize once
}

TEST_F(FormWindowTest, AlwaysOnTopWindowsDoNotTakeTheFocus) {
    form.setTopMost(true);
    form.setShowWithoutActivating(true);
    FormWindow* w = show();
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w->testAttribute(Qt::WA_ShowWithoutActivating));
    form.setTopMost(false);
    EXPECT_FALSE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(FormWindowTest, DroppedFilesGoToTheHostsHandler) {
    std::string dropped;
    host.onDropPath = [&](ui::Form& f, const std::string& path) {
        dropped = f.name() + ":" + path;
        return true;
    };
    FormWindow* w = show();
    EXPECT_TRUE(w->acceptDrops());
    QMimeData mime;
    mime.setUrls({QUrl("https://example.com/x.cue"), QUrl::fromLocalFile("/music/アルバム.cue")});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
    EXPECT_EQ(dropped, "SINK:/music/アルバム.cue");
}

// A form only gets the focus itself when none of its controls can take it; leaving such a
// window is Form_LostFocus, leaving a window whose text box has the focus is not.
TEST_F(FormWindowTest, LeavingTheWindowIsAFormFocusLossOnlyForFormsWithoutFocusableControls) {
    struct PanelsOnly : ui::Form {
        PanelsOnly(ui::FormHost& h) : ui::Form(h, "PANELS"), panel(*this, "Panel1") {}
        ui::Panel panel;
        int lost = 0;
        void Form_LostFocus() override { ++lost; }
    } panels(host);
    panels.move(0, 0, 3000, 2000);
    panels.show();
    FormWindow* sinkWindow = show();
    FormWindow* panelsWindow = host.windowOf(panels);
    ASSERT_NE(panelsWindow, nullptr);
    auto activate = [](QWidget* w) {
        w->activateWindow();
        QApplication::setActiveWindow(w);
        return waitUntil([w] { return w->isActiveWindow(); });
    };
    ASSERT_TRUE(activate(panelsWindow));
    ASSERT_TRUE(activate(sinkWindow));
    EXPECT_EQ(panels.lost, 1);
    ASSERT_TRUE(activate(panelsWindow));
    EXPECT_EQ(form.lostFocus, 0);
    panels.destroySilently();
}

TEST_F(FormWindowTest, ScreenSizeIsInTwips) {
    QtScreen screen;
    EXPECT_GT(screen.widthTwips(), 0);
    EXPECT_EQ(screen.widthTwips() % 15, 0);
    EXPECT_EQ(screen.heightTwips() % 15, 0);
}

}  // namespace
}  // namespace lirafok::qt::test
