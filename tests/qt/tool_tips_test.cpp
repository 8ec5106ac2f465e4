// Every button and spinner of every window says what it does when the pointer rests on it, and
// a mode button looks pressed while its mode is on, as the user sees them on the screen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QWheelEvent>

#include "common/app.h"
#include "editors/cdchg.h"
#include "editors/cddata.h"
#include "editors/cdedit.h"
#include "editors/cdnetsel.h"
#include "editors/cdsdata.h"
#include "editors/cdsend.h"
#include "editors/cdset.h"
#include "editors/cdskasi.h"
#include "editors/cdstime.h"
#include "labels/cdmd.h"
#include "labels/cdmdf.h"
#include "labels/cprint.h"
#include "player/cdkasif.h"
#include "player/cdkasif2.h"
#include "player/cdkey.h"
#include "player/cdoke.h"
#include "player/cdrep.h"
#include "program/cdprg.h"
#include "program/cdtedit.h"
#include "qt_test_support.h"
#include "scenario/headless.h"
#include "settings/cdfont.h"
#include "settings/cdkankyox.h"

namespace lirafok::qt::test {
namespace {

class ToolTips : public ::testing::Test, protected scenario::HeadlessMachine {
protected:
    void TearDown() override {
        for (ui::Form* f : shown) qhost.unloadForm(*f);
    }
    // The window as the screen shows it; its controls' widgets are named by their paths.
    template <class W>
    std::unique_ptr<W> show() {
        auto w = std::make_unique<W>(program);
        qhost.showForm(*w, false);
        shown.push_back(w.get());
        return w;
    }
    static QWidget* widgetOf(const ui::Control& c) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* w = top->findChild<QWidget*>(QString::fromStdString(c.path()))) return w;
        return nullptr;
    }
    // Buttons and spinners without a tool tip on the screen.
    static std::vector<std::string> untipped(const ui::Form& f) {
        std::vector<std::string> out;
        for (const ui::Control* c : f.controls()) {
            if (c->kind() != ui::ControlKind::Button && c->kind() != ui::ControlKind::SpinButton)
                continue;
            const QWidget* w = widgetOf(*c);
            if (!w || w->toolTip().isEmpty()) out.push_back(c->path());
        }
        return out;
    }

    QApplication& qapp = app();
    QtFormHost qhost;
    App program{Services{sched, qhost, dialogs, cues, saver, clipboard, printer, fonts, screen,
                         instance, drives}};
    std::vector<ui::Form*> shown;
};

TEST_F(ToolTips, EveryButtonAndSpinnerOfEveryWindowHasOne) {
    const std::vector<std::unique_ptr<ui::Form>> windows = [&] {
        std::vector<std::unique_ptr<ui::Form>> v;
        v.push_back(show<CDOKE>());
        v.push_back(show<CDKASIF>());
        v.push_back(show<CDKASIF2>());
        v.push_back(show<CDREP>());
        v.push_back(show<CDDATA>());
        v.push_back(show<CDEDIT>());
        v.push_back(show<CDSET>());
        v.push_back(show<CDCHG>());
        v.push_back(show<CDSDATA>());
        v.push_back(show<CDSKASI>());
        v.push_back(show<CDSTIME>());
        v.push_back(show<CDPRG>());
        v.push_back(show<CDTEDIT>());
        v.push_back(show<CPRINT>());
        v.push_back(show<CDMD>());
        v.push_back(show<CDMDF>());
        v.push_back(show<CDKANKYOX>());
        v.push_back(show<CDFONT>());
        v.push_back(show<CDNETSEL>());
        v.push_back(show<CDSEND>());
        v.push_back(show<CDKEY>());
        return v;
    }();
    for (const auto& w : windows) EXPECT_EQ(untipped(*w), std::vector<std::string>{});
    // The transport row names its keys.
    auto* main = static_cast<CDOKE*>(windows.front().get());
    QWidget* row = widgetOf(main->MMControl1);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->findChild<QWidget*>("Play")->toolTip(), QString::fromUtf8("再生 (Space)"));
    TearDown();
    shown.clear();
}

TEST_F(ToolTips, AModeThatIsOnLooksPressedAndTheWheelStepsTheVolume) {
    auto main = show<CDOKE>();
    auto* ran = qobject_cast<QAbstractButton*>(widgetOf(main->RAN));
    ASSERT_NE(ran, nullptr);
    EXPECT_FALSE(ran->isChecked());
    main->RAN.setForeColor(ui::kRed);
    EXPECT_TRUE(ran->isChecked());
    main->RAN.setForeColor(ui::kBlack);
    EXPECT_FALSE(ran->isChecked());
    // POWER's red is no mode: it never looks pressed.
    main->POWER.setForeColor(ui::kRed);
    EXPECT_FALSE(qobject_cast<QAbstractButton*>(widgetOf(main->POWER))->isChecked());

    int ups = 0, downs = 0;
    main->VOLS[1].onSpinUp = [&] { ++ups; };
    main->VOLS[1].onSpinDown = [&] { ++downs; };
    QWidget* spin = widgetOf(main->VOLS[1]);
    ASSERT_NE(spin, nullptr);
    for (int dy : {120, 120, -120}) {
        QWheelEvent wheel(QPointF(2, 2), spin->mapToGlobal(QPointF(2, 2)), QPoint(), QPoint(0, dy),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(spin, &wheel);
    }
    EXPECT_EQ(ups, 2);
    EXPECT_EQ(downs, 1);
}

}  // namespace
}  // namespace lirafok::qt::test
