#pragma once
// Shared pieces of the Qt front-end tests: the application object, an event pump, synthetic
// input, and a form with one control of every kind.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "device/mm_control.h"
#include "device/simulated_drive.h"
#include "qt/form_window.h"
#include "qt/qt_form_host.h"
#include "qt/qt_scheduler.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace lirafok::qt::test {

// One QApplication for the whole test program, in the Fusion style the program uses.
inline QApplication& app() {
    static int argc = 1;
    static char name[] = "lirafok_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = [] {
        // Another test file may have made the application already.
        auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance());
        QApplication* created = existing ? existing : new QApplication(argc, argv);
        QApplication::setStyle(QStringLiteral("Fusion"));
        created->setQuitOnLastWindowClosed(false);
        return created;
    }();
    return *a;
}

// Runs the event loop until `done` holds or `timeoutMs` passed; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs = 2000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < timeoutMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

inline void pump(int ms = 20) {
    waitUntil([] { return false; }, ms);
}

inline void mousePress(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(pos), QPointF(w->mapToGlobal(pos)), button,
                      button, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                        button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

inline void key(QWidget* w, int k, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

// A form with one control of each kind and a counter for every event it receives.
class KitchenSink : public ui::Form {
public:
    KitchenSink(ui::FormHost& host, ui::Scheduler& scheduler)
        : ui::Form(host, "SINK"),
          button(*this, "Command1"),
          panel(*this, "Panel1"),
          label(*this, "Label1"),
          frame(*this, "Frame1"),
          line(*this, "Line1"),
          text(*this, "Text1"),
          memo(*this, "EDTEXT"),
          list(*this, "List1"),
          multi(*this, "List2"),
          combo(*this, "Combo1"),
          check(*this, "Check1"),
          optionA(*this, "Option1", 0),
          optionB(*this, "Option1", 1),
          spin(*this, "Spin1"),
          scroll(*this, "HScroll1"),
          fileMenu(*this, "File"),
          sizeMenu(*this, "FONT_R"),
          p12(*this, "P12", "FONT_R"),
          separator(*this, "Sep", "FONT_R"),
          p10(*this, "P10", "FONT_R"),
          timer(*this, scheduler, "Timer1"),
          mm(*this, scheduler, "MMControl1"),
          tabs(*this, "SSTab1"),
          onTab(*this, "Command2") {
        memo.setMultiLine(true);
        multi.setMultiSelect(true);
        move(1500, 1500, 9000 + kFrameWidth, 6000 + kFrameHeight);
        button.move(150, 150, 1200, 360);
        button.setCaption("PLAY");
        panel.move(1500, 150, 1500, 360);
        label.move(3150, 150, 1500, 360);
        frame.move(4800, 150, 3000, 1500);
        line.move(150, 600, 3000, 0);
        text.move(150, 750, 3000, 330);
        memo.move(150, 1200, 3000, 1500);
        list.move(3300, 750, 1500, 1500);
        multi.move(4950, 1800, 1500, 1500);
        combo.move(150, 2850, 3000, 330);
        check.move(150, 3300, 1500, 330);
        optionA.move(1800, 3300, 1500, 330);
        optionB.move(1800, 3750, 1500, 330);
        spin.move(3450, 3300, 255, 600);
        scroll.move(150, 4200, 3000, 255);
        mm.move(150, 4650, 3000, 480);
        tabs.move(6600, 3450, 2250, 2400);
        tabs.setTabs(2);
        tabs.setTabCaption(0, "オプション");
        tabs.setTabCaption(1, "タイマー");
        onTab.setContainer(&tabs, 1);
        onTab.move(150, 600, 1200, 360);
        onTab.setCaption("NON");
        fileMenu.setCaption("終了(&Q)");
        sizeMenu.setCaption("フォント(&F)");
        p12.setCaption("１２ポ");
        separator.setCaption("-");
        p10.setCaption("１０ポ");
        auto count = [this](const char* what) { return [this, what] { ++events[what]; }; };
        button.onClick = count("button.click");
        button.onGotFocus = count("button.gotfocus");
        text.onChange = count("text.change");
        text.onGotFocus = count("text.gotfocus");
        text.onLostFocus = count("text.lostfocus");
        memo.onChange = count("memo.change");
        list.onClick = count("list.click");
        list.onMouseDown = [this](int, int, int, int) { ++events["list.mousedown"]; };
        multi.onClick = count("multi.click");
        combo.onClick = count("combo.click");
        combo.onChange = count("combo.change");
        check.onClick = count("check.click");
        optionA.onClick = count("optionA.click");
        optionB.onClick = count("optionB.click");
        spin.onSpinUp = count("spin.up");
        spin.onSpinDown = count("spin.down");
        scroll.onChange = count("scroll.change");
        fileMenu.onClick = count("file.click");
        p12.onClick = [this] {
            ++events["p12.click"];
            p12.setChecked(true);
            p10.setChecked(false);
        };
        tabs.onTabClick = [this](int) { ++events["tabs.click"]; };
        mm.onPlayClick = [this](bool& cancel) {
            ++events["mm.play"];
            cancel = cancelPlay;
        };
    }

    int count(const std::string& what) const {
        auto it = events.find(what);
        return it == events.end() ? 0 : it->second;
    }

    ui::Button button;
    ui::Panel panel;
    ui::Label label;
    ui::Frame frame;
    ui::Line line;
    ui::TextBox text;
    ui::TextBox memo;
    ui::ListBox list;
    ui::ListBox multi;
    ui::ComboBox combo;
    ui::CheckBox check;
    ui::OptionButton optionA;
    ui::OptionButton optionB;
    ui::SpinButton spin;
    ui::ScrollBar scroll;
    ui::Menu fileMenu;
    ui::Menu sizeMenu;
    ui::Menu p12;
    ui::Menu separator;
    ui::Menu p10;
    ui::Timer timer;
    device::MMControl mm;
    ui::TabControl tabs;
    ui::Button onTab;  // on the second tab

    std::map<std::string, int> events;
    bool refuseClose = false;
    bool cancelPlay = true;
    int resizes = 0;
    int lostFocus = 0;
    std::vector<ui::UnloadMode> unloadModes;

protected:
    void Form_Resize() override { ++resizes; }
    void Form_LostFocus() override { ++lostFocus; }
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override {
        unloadModes.push_back(mode);
        cancel = refuseClose;
    }
};

}  // namespace lirafok::qt::test
