// Each control kind: a program change reaches the widget, a user action reaches the handler,
// and program changes never come back as user events.
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTabBar>

#include "qt/views_basic.h"
#include "qt/views_input.h"
#include "qt/views_range.h"
#include "qt/views_tab.h"
#include "qt_test_support.h"

namespace lirafok::qt::test {
namespace {

class ViewsTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        form.show();
        window = host.windowOf(form);
        ASSERT_NE(window, nullptr);
        QApplication::setActiveWindow(window);
        waitUntil([&] { return window->isVisible(); });
    }
    void TearDown() override { form.destroySilently(); }

    template <class V>
    V* view(ui::Control& c) {
        auto* v = dynamic_cast<V*>(window->viewOf(c));
        EXPECT_NE(v, nullptr) << c.path();
        return v;
    }

    QtScheduler scheduler;
    QtFormHost host;
    KitchenSink form{host, scheduler};
    FormWindow* window = nullptr;
};

TEST_F(ViewsTest, EveryDrawnKindGetsItsWidgetAndTimersGetNone) {
    for (ui::Control* c : form.controls()) {
        ViewHandle* v = window->viewOf(*c);
        if (c->kind() == ui::ControlKind::Timer) {
            EXPECT_EQ(v, nullptr);
            continue;
        }
        ASSERT_NE(v, nullptr) << c->path();
        EXPECT_EQ(c->view(), v) << c->path();
    }
}

TEST_F(ViewsTest, ButtonShowsCaptionColourAndClicks) {
    auto* b = view<ButtonView>(form.button)->button();
    EXPECT_EQ(b->text(), "PLAY");
    form.button.setCaption("STOP");
    form.button.setForeColor(ui::kRed);
    EXPECT_EQ(b->text(), "STOP");
    EXPECT_EQ(b->palette().color(QPalette::Active, QPalette::ButtonText), QColor(255, 0, 0));
    // The caption and its colour are the program's state: a click leaves them alone.
    b->click();
    EXPECT_EQ(form.count("button.click"), 1);
    EXPECT_EQ(form.button.caption(), "STOP");
    EXPECT_EQ(form.button.foreColor(), ui::kRed);
    form.button.setEnabled(false);
    EXPECT_FALSE(b->isEnabled());
    form.button.setVisible(false);
    EXPECT_TRUE(b->isHidden());
}

TEST_F(ViewsTest, ButtonAnswersSpaceAndEnterWhenFocused) {
    auto* b = view<ButtonView>(form.button)->button();
    key(b, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return form.count("button.click") == 1; }));
    key(b, Qt::Key_Space, " ");
    EXPECT_TRUE(waitUntil([&] { return form.count("button.click") == 2; }));
}

TEST_F(ViewsTest, PanelAndLabelShowCaptionColoursAndAlignment) {
    auto* panel = view<PanelView>(form.panel)->panel();
    form.panel.setCaption("03:25");
    form.panel.setBackColor(ui::kBlack);
    form.panel.setForeColor(ui::kYellow);
    form.panel.setAlignment(2);
    EXPECT_EQ(panel->text(), "03:25");
    EXPECT_EQ(panel->palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_EQ(panel->palette().color(QPalette::Active, QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_EQ(panel->textAlignment(), Qt::AlignHCenter);
    auto* label = view<PanelView>(form.label)->panel();
    form.label.setCaption("曲名");
    EXPECT_EQ(label->text(), "曲名");
    form.label.setVisible(false);
    EXPECT_TRUE(label->isHidden());
}

TEST_F(ViewsTest, DigitPanelsUseABoldFixedPitchFaceWhenTheirFaceIsMissing) {
    auto* v = view<PanelView>(form.panel);
    form.panel.setFont(ui::Font{"ＭＳ Ｐゴシック", 12, false, false});
    form.panel.setCaption("01");
    EXPECT_EQ(v->fontPurpose(), FontPurpose::Digits);
    EXPECT_EQ(v->panel()->font().families().value(0), "DejaVu Sans Mono");
    EXPECT_TRUE(v->panel()->font().bold());
    form.panel.setCaption("STOP");
    EXPECT_EQ(v->fontPurpose(), FontPurpose::Text);
    EXPECT_EQ(v->panel()->font().families().value(0), "Noto Sans CJK JP");
    EXPECT_EQ(v->panel()->font().pixelSize(), 16);
}

TEST_F(ViewsTest, FrameAndLine) {
    form.frame.setCaption("ドライブ変更");
    EXPECT_EQ(view<FrameView>(form.frame)->box()->title(), "ドライブ変更");
    // A line of height 0 is still one pixel high on the screen.
    QWidget* line = view<LineView>(form.line)->widget();
    EXPECT_EQ(line->geometry(), QRect(10, 40, 200, 1));
}

TEST_F(ViewsTest, SingleLineTextBoxTypingAndSelection) {
    QLineEdit* edit = view<TextBoxView>(form.text)->lineEdit();
    form.text.setText("歌詞");
    EXPECT_EQ(edit->text(), "歌詞");
    EXPECT_EQ(form.count("text.change"), 1);  // the program's own Change only
    edit->setFocus();
    edit->setCursorPosition(2);
    key(edit, Qt::Key_A, "a");
    EXPECT_EQ(form.text.text(), "歌詞a");
    EXPECT_EQ(form.count("text.change"), 2);
    EXPECT_EQ(form.text.selStart(), 3);
    // Program selection reaches the widget; user selection reaches the model.
    form.text.setSelection(1, 2);
    EXPECT_EQ(edit->selectionStart(), 1);
    EXPECT_EQ(edit->selectedText(), "詞a");
    edit->setSelection(0, 1);
    EXPECT_EQ(form.text.selStart(), 0);
    EXPECT_EQ(form.text.selLength(), 1);
    EXPECT_EQ(form.text.selText(), "歌");
}

TEST_F(ViewsTest, MultiLineTextBoxKeepsCrLfAndCountsSelectionInModelCharacters) {
    QPlainTextEdit* edit = view<TextBoxView>(form.memo)->textEdit();
    form.memo.setText("一行目\r\n二行目");
    EXPECT_EQ(edit->toPlainText(), "一行目\n二行目");
    // "二" is character 5 of the model text (CR LF counts 2).
    form.memo.setSelection(5, 1);
    EXPECT_EQ(edit->textCursor().selectedText(), "二");
    QTextCursor cur = edit->textCursor();
    cur.setPosition(4);  // start of the second line in the widget
    cur.setPosition(7, QTextCursor::KeepAnchor);
    edit->setTextCursor(cur);
    EXPECT_EQ(form.memo.selStart(), 5);
    EXPECT_EQ(form.memo.selLength(), 3);
    EXPECT_EQ(form.memo.selText(), "二行目");
    // A line break typed by the user becomes CR LF in the model.
    cur.setPosition(3);
    edit->setTextCursor(cur);
    edit->insertPlainText("\n");
    EXPECT_EQ(form.memo.text(), "一行目\r\n\r\n二行目");
    form.memo.setSelText("X");
    EXPECT_EQ(edit->toPlainText(), "一行目\nX\n二行目");
}

TEST_F(ViewsTest, SingleListPicksByMouseWithMouseDownAndByKeysWithout) {
    QListWidget* lw = view<ListBoxView>(form.list)->list();
    for (const char* s : {" 01 03:00 一曲目", " 02 04:00 二曲目", " 03 05:00 三曲目"})
        form.list.addItem(s);
    ASSERT_EQ(lw->count(), 3);
    form.list.setListIndex(0);
    EXPECT_EQ(lw->currentRow(), 0);
    EXPECT_EQ(form.count("list.click"), 1);  // raised by the model, not echoed by the view
    EXPECT_EQ(form.count("list.mousedown"), 0);

    const QRect second = lw->visualItemRect(lw->item(1));
    mousePress(lw->viewport(), second.center());
    EXPECT_EQ(form.list.listIndex(), 1);
    EXPECT_TRUE(form.list.selected(1));
    EXPECT_FALSE(form.list.selected(0));
    EXPECT_EQ(form.count("list.mousedown"), 1);
    EXPECT_EQ(form.count("list.click"), 2);
    EXPECT_TRUE(lw->item(1)->isSelected());

    key(lw, Qt::Key_Down);
    EXPECT_EQ(form.list.listIndex(), 2);
    EXPECT_EQ(form.count("list.mousedown"), 1);
    EXPECT_EQ(form.count("list.click"), 3);

    // A press below the last entry picks nothing.
    mousePress(lw->viewport(), QPoint(5, lw->viewport()->height() - 2));
    EXPECT_EQ(form.count("list.mousedown"), 1);

    form.list.setList(0, " 01 03:00 改名");
    EXPECT_EQ(lw->item(0)->text(), " 01 03:00 改名");
    form.list.clear();
    EXPECT_EQ(lw->count(), 0);
}

TEST_F(ViewsTest, MultiListTogglesEntries) {
    QListWidget* lw = view<ListBoxView>(form.multi)->list();
    for (const char* s : {"a", "b", "c"}) form.multi.addItem(s);
    mousePress(lw->viewport(), lw->visualItemRect(lw->item(0)).center());
    mousePress(lw->viewport(), lw->visualItemRect(lw->item(2)).center());
    EXPECT_TRUE(form.multi.selected(0));
    EXPECT_FALSE(form.multi.selected(1));
    EXPECT_TRUE(form.multi.selected(2));
    EXPECT_EQ(form.multi.listIndex(), 2);
    EXPECT_EQ(form.count("multi.click"), 2);
    form.multi.setSelected(0, false);
    EXPECT_FALSE(lw->item(0)->isSelected());
    EXPECT_EQ(form.count("multi.click"), 2);
}

TEST_F(ViewsTest, ComboBoxChoosingAndTyping) {
    QComboBox* cb = view<ComboBoxView>(form.combo)->combo();
    for (const char* s : {"C-46", "C-60", "C-90"}) form.combo.addItem(s);
    form.combo.setText("C-60");
    EXPECT_EQ(cb->count(), 3);
    EXPECT_EQ(cb->currentText(), "C-60");
    const int changes = form.count("combo.change");
    cb->setCurrentIndex(2);
    emit cb->activated(2);
    EXPECT_EQ(form.combo.text(), "C-90");
    EXPECT_EQ(form.count("combo.click"), 1);
    EXPECT_EQ(form.count("combo.change"), changes + 1);
    cb->lineEdit()->setText("C-120");
    EXPECT_EQ(form.combo.text(), "C-120");
    EXPECT_EQ(form.count("combo.change"), changes + 2);
}

TEST_F(ViewsTest, CheckBoxAndOptionButtonsFollowTheModel) {
    QCheckBox* cb = view<CheckBoxView>(form.check)->checkBox();
    form.check.setCaption("曲番号");
    EXPECT_EQ(cb->text(), "曲番号");
    form.check.setValue(1);
    EXPECT_TRUE(cb->isChecked());
    cb->click();
    EXPECT_EQ(form.check.value(), 0);
    EXPECT_FALSE(cb->isChecked());
    EXPECT_EQ(form.count("check.click"), 2);

    QRadioButton* a = view<OptionButtonView>(form.optionA)->radio();
    QRadioButton* b = view<OptionButtonView>(form.optionB)->radio();
    a->click();
    EXPECT_TRUE(form.optionA.value());
    EXPECT_TRUE(a->isChecked());
    b->click();
    EXPECT_FALSE(form.optionA.value());
    EXPECT_TRUE(form.optionB.value());
    EXPECT_FALSE(a->isChecked());
    EXPECT_TRUE(b->isChecked());
    // Clicking the chosen option keeps it chosen.
    b->click();
    EXPECT_TRUE(b->isChecked());
    EXPECT_EQ(form.count("optionB.click"), 2);
}

TEST_F(ViewsTest, SpinButtonRaisesUpAndDown) {
    auto* v = view<SpinButtonView>(form.spin);
    EXPECT_EQ(v->upButton()->arrowType(), Qt::UpArrow);  // taller than wide: stacked
    v->upButton()->click();
    v->upButton()->click();
    v->downButton()->click();
    EXPECT_EQ(form.count("spin.up"), 2);
    EXPECT_EQ(form.count("spin.down"), 1);
}

TEST_F(ViewsTest, ScrollBarProgramMovesDoNotEchoAndUserMovesChange) {
    QScrollBar* bar = view<ScrollBarView>(form.scroll)->bar();
    form.scroll.setRange(0, 100);
    form.scroll.setValue(40);
    EXPECT_EQ(bar->value(), 40);
    EXPECT_EQ(form.count("scroll.change"), 1);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(form.scroll.value(), 50);
    EXPECT_EQ(form.count("scroll.change"), 2);
    // A handler that puts the value back wins.
    form.scroll.onChange = [&] { form.scroll.setValue(0); };
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(form.scroll.value(), 0);
    EXPECT_EQ(bar->value(), 0);
}

TEST_F(ViewsTest, MenusBuildTheBarWithCheckMarksAndSeparators) {
    QMenuBar* bar = window->menuBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 2);
    EXPECT_EQ(bar->actions()[0]->text(), "終了(&Q)");
    QMenu* sizes = bar->actions()[1]->menu();
    ASSERT_NE(sizes, nullptr);
    ASSERT_EQ(sizes->actions().size(), 3);
    EXPECT_TRUE(sizes->actions()[1]->isSeparator());
    QAction* p12 = sizes->actions()[0];
    QAction* p10 = sizes->actions()[2];
    form.p10.setChecked(true);
    EXPECT_TRUE(p10->isChecked());
    p12->trigger();
    EXPECT_EQ(form.count("p12.click"), 1);
    EXPECT_TRUE(p12->isChecked());
    EXPECT_FALSE(p10->isChecked());
    bar->actions()[0]->trigger();
    EXPECT_EQ(form.count("file.click"), 1);
    form.p12.setEnabled(false);
    EXPECT_FALSE(p12->isEnabled());
    form.p12.setCaption("１２ポイント");
    EXPECT_EQ(p12->text(), "１２ポイント");
}

// Pixels of the centre column that are neither transparent nor opaque: the edges a shape's
// antialiasing softens (one pixel per edge when painted at its size, several when scaled up).
int softPixelsDownTheMiddle(const QImage& image) {
    int soft = 0;
    for (int y = 0; y < image.height(); ++y) {
        const int a = qAlpha(image.pixel(image.width() / 2, y));
        if (a > 16 && a < 239) ++soft;
    }
    return soft;
}

TEST_F(ViewsTest, TheEjectSymbolIsPaintedAtTheScreensPixelRatio) {
    auto* v = view<MMControlView>(form.mm);
    const QIcon icon = v->button(5)->icon();
    ASSERT_EQ(v->button(5)->objectName(), "Eject");
    for (const qreal dpr : {1.0, 1.5, 2.0, 3.0}) {
        const QPixmap pm = icon.pixmap(QSize(32, 32), dpr);
        EXPECT_EQ(pm.size(), QSize(32, 32) * dpr) << dpr;
        EXPECT_EQ(pm.devicePixelRatio(), dpr);
    }
    // At 3x the symbol is painted, not a 32-pixel picture scaled up: its four horizontal
    // edges down the middle stay as sharp as at 1x.
    const QImage sharp = icon.pixmap(QSize(32, 32), 3.0).toImage();
    const QImage scaled = icon.pixmap(QSize(32, 32), 1.0)
                              .toImage()
                              .scaled(96, 96, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LE(softPixelsDownTheMiddle(sharp), 4);
    EXPECT_GT(softPixelsDownTheMiddle(scaled), softPixelsDownTheMiddle(sharp));
    // Disabled, it takes the palette's disabled text colour.
    const QImage off = icon.pixmap(QSize(32, 32), 1.0, QIcon::Disabled).toImage();
    const QColor offColour = v->button(5)->palette().color(QPalette::Disabled, QPalette::ButtonText);
    EXPECT_EQ(QColor(off.pixel(16, 25)).rgb(), offColour.rgb());
}

TEST_F(ViewsTest, TransportRowFollowsTheDeviceAndReportsClicks) {
    device::SimulatedDrive drive(scheduler, "sim");
    drive.insertDisc({60000, 90000});
    form.mm.setDevice(&drive);
    (void)form.mm.command(device::Command::Open);
    auto* v = view<MMControlView>(form.mm);
    ASSERT_EQ(v->button(2)->objectName(), "Play");
    EXPECT_TRUE(v->button(2)->isEnabled());   // stopped: play
    EXPECT_FALSE(v->button(3)->isEnabled());  // pause
    EXPECT_FALSE(v->button(4)->isEnabled());  // stop
    EXPECT_FALSE(v->button(5)->icon().isNull());
    v->button(2)->click();
    EXPECT_EQ(form.count("mm.play"), 1);
    EXPECT_FALSE(v->button(3)->isEnabled());  // the handler cancelled the play
    form.cancelPlay = false;
    v->button(2)->click();
    EXPECT_TRUE(v->button(3)->isEnabled());
    EXPECT_FALSE(v->button(2)->isEnabled());
    (void)form.mm.command(device::Command::Stop);
    form.mm.setEnabled(false);
    for (int i = 0; i < MMControlView::kButtons; ++i) EXPECT_FALSE(v->button(i)->isEnabled());
    form.mm.shutdown();
    form.mm.setDevice(nullptr);
}

TEST_F(ViewsTest, TabRowSwitchesPagesAndOnlyTheCurrentPageShows) {
    QTabWidget* tabs = view<TabView>(form.tabs)->tabs();
    QWidget* onTab = view<ButtonView>(form.onTab)->widget();
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), "タイマー");
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(onTab->isHidden());
    // The page's controls lie over the tab control, at its place plus their own.
    EXPECT_EQ(onTab->geometry().topLeft(), tabs->geometry().topLeft() + QPoint(10, 40));
    tabs->tabBar()->setCurrentIndex(1);  // as a click on the tab does
    EXPECT_EQ(form.tabs.tab(), 1);
    EXPECT_EQ(form.count("tabs.click"), 1);
    EXPECT_FALSE(onTab->isHidden());
    EXPECT_GT(onTab->y(), tabs->y());
    form.tabs.setTab(0);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(onTab->isHidden());
    EXPECT_EQ(form.count("tabs.click"), 2);  // the model's own Click, not echoed by the view
    form.tabs.setTabCaption(0, "フォント");
    EXPECT_EQ(tabs->tabText(0), "フォント");
    // A disabled tab control disables what lies on it.
    form.tabs.setTab(1);
    form.tabs.setEnabled(false);
    EXPECT_FALSE(onTab->isEnabled());
    form.tabs.setEnabled(true);
    EXPECT_TRUE(onTab->isEnabled());
}

TEST_F(ViewsTest, FocusMovesRaiseLostAndGotFocus) {
    window->activateWindow();
    QWidget* edit = view<TextBoxView>(form.text)->widget();
    QWidget* button = view<ButtonView>(form.button)->widget();
    edit->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(waitUntil([&] { return form.count("text.gotfocus") == 1; }));
    button->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(waitUntil([&] { return form.count("button.gotfocus") == 1; }));
    EXPECT_EQ(form.count("text.lostfocus"), 1);
}

}  // namespace
}  // namespace lirafok::qt::test
