// The Qt services: scheduler, dialogs, clipboard, single instance, help, printer, fonts.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QColorDialog>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QThread>
#include <atomic>
#include <thread>

#include "core/text.h"
#include "qt/font_dialog.h"
#include "qt/font_resolver.h"
#include "qt/qt_convert.h"
#include "qt/qt_dialogs.h"
#include "qt/qt_printer.h"
#include "qt/qt_services.h"
#include "qt_test_support.h"

namespace lirafok::qt::test {
namespace {

TEST(ConvertTest, ColoursAreBgrIntegers) {
    struct Case {
        ui::Color model;
        QColor qt;
    };
    const Case cases[] = {
        {ui::kRed, QColor(255, 0, 0)},       {ui::kBlue, QColor(0, 0, 255)},
        {ui::kYellow, QColor(255, 255, 0)},  {ui::kBlack, QColor(0, 0, 0)},
        {ui::kWhite, QColor(255, 255, 255)}, {0x00336699, QColor(0x99, 0x66, 0x33)}};
    for (const Case& c : cases) {
        EXPECT_EQ(toQColor(c.model), c.qt) << c.model;
        EXPECT_EQ(fromQColor(c.qt), c.model) << c.model;
    }
}

TEST(ConvertTest, LineBreaksAndPositionsBetweenModelAndWidget) {
    EXPECT_EQ(toWidgetLineBreaks("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(toModelLineBreaks("a\nb\r\nc"), "a\r\nb\r\nc");
    const QString model = QString::fromUtf8("あ\r\n🎵b");  // CR LF = 2 model characters
    struct Case {
        int model, widget;
    };
    // model: あ(0) CR(1) LF(2) 🎵(3) b(4); widget: あ(0) LF(1) 🎵(2,3 surrogates) b(4)
    const Case cases[] = {{0, 0}, {1, 1}, {3, 2}, {4, 4}, {5, 5}};
    for (const Case& c : cases) {
        EXPECT_EQ(modelToWidgetPos(model, c.model), c.widget) << c.model;
        EXPECT_EQ(widgetToModelPos(model, c.widget), c.model) << c.widget;
    }
}

TEST(FontTest, MissingWindowsFacesFallBackToInstalledJapaneseFaces) {
    app();
    struct Case {
        const char* face;
        FontPurpose purpose;
        const char* first;
        bool forcedBold;
    };
    const Case cases[] = {
        {"ＭＳ Ｐゴシック", FontPurpose::Text, "Noto Sans CJK JP", false},
        {"ＭＳ ゴシック", FontPurpose::Text, "Noto Sans Mono CJK JP", false},
        {"ＭＳ 明朝", FontPurpose::Text, "Noto Serif CJK JP", false},
        {"ＭＳ Ｐゴシック", FontPurpose::Digits, "DejaVu Sans Mono", true},
        {"DejaVu Sans", FontPurpose::Text, "DejaVu Sans", false},
        {"DejaVu Sans", FontPurpose::Digits, "DejaVu Sans", false},
    };
    for (const Case& c : cases) {
        QFont f = resolveFont(ui::Font{c.face, 12, false, false}, c.purpose);
        EXPECT_EQ(f.families().value(0), c.first) << c.face;
        EXPECT_EQ(f.bold(), c.forcedBold) << c.face;
        // Whatever the face, Japanese text has a face that can show it.
        EXPECT_TRUE(f.families().contains("Noto Sans CJK JP")) << c.face;
    }
    EXPECT_EQ(pointsToPixels(9), 12);
    EXPECT_EQ(pointsToPixels(12), 16);
    EXPECT_TRUE(isFontInstalled(std::string("Noto Sans CJK JP")));
    EXPECT_FALSE(isFontInstalled(std::string("ＭＳ Ｐゴシック")));
    EXPECT_FALSE(isFontInstalled(std::string("noto sans cjk jp")));  // exact names only
    QtInstalledFonts fonts;
    EXPECT_TRUE(fonts.isInstalled("DejaVu Sans Mono"));
}

TEST(FontTest, CaptionsThatAreTooLongShrinkButNotBeyondALimit) {
    app();
    QFont f = resolveFont(ui::Font{"DejaVu Sans", 12, false, false});
    EXPECT_EQ(fitToWidth(f, "NOR", 200).pixelSize(), 16);
    const int natural = QFontMetrics(f).horizontalAdvance("NORMAL");
    const int room = natural * 4 / 5;
    QFont fitted = fitToWidth(f, "NORMAL", room);
    EXPECT_LT(fitted.pixelSize(), 16);
    EXPECT_LE(QFontMetrics(fitted).horizontalAdvance("NORMAL"), room);
    EXPECT_EQ(fitToWidth(f, "A very long caption indeed", 10).pixelSize(), 10);  // 60 % floor
    EXPECT_TRUE(looksLikeDigits("03:25"));
    EXPECT_TRUE(looksLikeDigits(" 64"));
    EXPECT_FALSE(looksLikeDigits("STOP"));
    EXPECT_FALSE(looksLikeDigits(":"));
}

TEST(SchedulerTest, TasksRunInDueOrderAndCancelledOnesNever) {
    app();
    QtScheduler s;
    std::vector<int> ran;
    s.schedule(30, [&] { ran.push_back(3); });
    s.schedule(0, [&] { ran.push_back(1); });
    s.schedule(0, [&] { ran.push_back(2); });
    ui::TaskId gone = s.schedule(10, [&] { ran.push_back(99); });
    s.cancel(gone);
    s.cancel(12345);  // unknown ids are ignored
    const auto start = s.nowMs();
    ASSERT_TRUE(waitUntil([&] { return ran.size() == 3; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    EXPECT_GE(s.nowMs() - start, 30);
    pump(30);
    EXPECT_EQ(s.pendingTasks(), 0u);
    EXPECT_NEAR(double(s.wallClock()), double(std::time(nullptr)), 2.0);
}

TEST(SchedulerTest, PostedTasksFromOtherThreadsRunOnTheWindowThread) {
    app();
    QtScheduler s;
    std::atomic<int> ran{0};
    bool onMainThread = false;
    std::thread t([&] {
        s.post([&] {
            onMainThread = QThread::currentThread() == QApplication::instance()->thread();
            ++ran;
        });
    });
    t.join();
    ASSERT_TRUE(waitUntil([&] { return ran == 1; }));
    EXPECT_TRUE(onMainThread);
}

TEST(SchedulerTest, ATaskInsideAModalLoopDoesNotHoldUpTheOthers) {
    app();
    QtScheduler s;
    bool otherRan = false;
    bool otherRanWhileNested = false;
    s.schedule(0, [&] {
        s.schedule(20, [&] { otherRan = true; });
        QEventLoop loop;
        QTimer::singleShot(200, &loop, &QEventLoop::quit);
        QTimer::singleShot(100, [&] { otherRanWhileNested = otherRan; });
        loop.exec();
    });
    ASSERT_TRUE(waitUntil([&] { return otherRan; }));
    pump(250);
    EXPECT_TRUE(otherRanWhileNested);
}

// Presses the button with `text` of the modal dialog that opens next.
void pressLater(const QString& text) {
    QTimer::singleShot(50, [text] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        for (QPushButton* b : modal->findChildren<QPushButton*>()) {
            if (b->text() == text) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        modal->close();
    });
}

TEST(DialogsTest, MessageBoxButtonsAreJapaneseAndAnswerWithClassicValues) {
    app();
    QPrinter printer;
    QtDialogs dialogs(printer);
    struct Case {
        int style;
        const char* press;
        int expected;
    };
    const Case cases[] = {
        {ui::mb::kOkOnly + ui::mb::kExclamation, "OK", ui::mb::kOk},
        {ui::mb::kOkCancel, "キャンセル", ui::mb::kCancel},
        {ui::mb::kYesNo + ui::mb::kQuestion, "いいえ", ui::mb::kNo},
        {ui::mb::kYesNo, "はい", ui::mb::kYes},
        {ui::mb::kYesNoCancel, "キャンセル", ui::mb::kCancel},
    };
    for (const Case& c : cases) {
        pressLater(QString::fromUtf8(c.press));
        EXPECT_EQ(dialogs.messageBox("保存しますか？", c.style, "環境設定"), c.expected) << c.press;
    }
}

TEST(DialogsTest, AMessageBoxWhoseWindowIsUnloadedMeanwhileAnswersAsIfClosed) {
    app();
    QtScheduler scheduler;
    QtFormHost host;
    KitchenSink form(host, scheduler);
    form.show();
    QApplication::setActiveWindow(host.windowOf(form));
    ASSERT_TRUE(waitUntil([] { return QApplication::activeWindow() != nullptr; }));
    QPrinter printer;
    QtDialogs dialogs(printer);
    QTimer::singleShot(50, [&] { form.unload(); });
    EXPECT_EQ(dialogs.messageBox("保存しますか？", ui::mb::kYesNo, ""), ui::mb::kNo);
    EXPECT_FALSE(form.loaded());
}

TEST(DialogsTest, InputBoxReturnsTextOrNothing) {
    app();
    QPrinter printer;
    QtDialogs dialogs(printer);
    QTimer::singleShot(50, [] {
        auto* dlg = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->textValue(), "03");
        dlg->setTextValue("05");
        dlg->accept();
    });
    EXPECT_EQ(dialogs.inputBox("曲番号", "曲複写", "03"), std::optional<std::string>("05"));
    pressLater(QString::fromUtf8("キャンセル"));
    EXPECT_EQ(dialogs.inputBox("曲番号", "曲複写", "03"), std::nullopt);
}

TEST(DialogsTest, ColourDialogConvertsBothWays) {
    app();
    QPrinter printer;
    QtDialogs dialogs(printer);
    QTimer::singleShot(50, [] {
        auto* dlg = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->currentColor(), QColor(255, 255, 0));  // preset 65535 is yellow
        dlg->setCurrentColor(QColor(0x10, 0x20, 0x30));
        dlg->accept();
    });
    EXPECT_EQ(dialogs.colorDialog(ui::kYellow), std::optional<ui::Color>(0x302010));
    QTimer::singleShot(50, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(dialogs.colorDialog(ui::kYellow), std::nullopt);
}

TEST(DialogsTest, FontDialogOffersAndReturnsWhatTheSharedRulesAllow) {
    app();
    ui::FontDialogRequest r;
    r.preset = {"Noto Sans CJK JP", 20, true, false};
    r.limitSize = true;
    r.minSize = 10;
    r.maxSize = 14;
    EXPECT_EQ(FontDialog::offeredSizes(r), (std::vector<double>{10, 11, 12, 13, 14}));

    QPrinter printer;
    QtDialogs dialogs(printer);
    // Confirmed unchanged: the preset's size comes back within the limits.
    QTimer::singleShot(50, [] {
        auto* dlg = qobject_cast<FontDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->accept();
    });
    auto choice = dialogs.fontDialog(r);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->name, "Noto Sans CJK JP");
    EXPECT_EQ(choice->size, 14);
    EXPECT_TRUE(choice->bold);

    // A missing preset face is offered first unless the choice must be an existing face.
    r.preset = {"ＭＳ Ｐゴシック", 12, false, false};
    r.limitSize = false;
    for (bool force : {false, true}) {
        r.forceExisting = force;
        FontDialog dlg(r);
        auto* faces = dlg.findChild<QListWidget*>();
        ASSERT_NE(faces, nullptr);
        EXPECT_EQ(!faces->findItems("ＭＳ Ｐゴシック", Qt::MatchExactly).isEmpty(), !force);
        EXPECT_EQ(dlg.choice().name == "ＭＳ Ｐゴシック", !force);
        EXPECT_FALSE(dlg.choice().name.empty());
    }
}

TEST(DialogsTest, HelpFileInTheSystemCodePageOpensAtTheContents) {
    app();
    QTemporaryDir dir;
    const std::string path = dir.filePath("LIRAFOK.HLP").toStdString();
    ASSERT_TRUE(text::writeLines(path, {"<html><body><h1>目次</h1>", "<p>再生ボタンの説明</p>",
                                        "<a name=\"歌詞\"></a><p>歌詞表示</p></body></html>"}));
    QString loaded;
    bool html = false;
    ASSERT_TRUE(loadHelpText(path, loaded, html));
    EXPECT_TRUE(html);
    EXPECT_TRUE(loaded.contains("再生ボタンの説明"));
    QPrinter printer;
    QtDialogs dialogs(printer);
    dialogs.showHelp(path, "目次");
    ASSERT_NE(dialogs.helpBrowser(), nullptr);
    EXPECT_TRUE(dialogs.helpBrowser()->isVisible());
    EXPECT_TRUE(dialogs.helpBrowser()->toPlainText().contains("歌詞表示"));
    dialogs.showHelp(dir.filePath("MISSING.HLP").toStdString(), "目次");
    EXPECT_TRUE(dialogs.helpBrowser()->toPlainText().contains("MISSING.HLP"));
}

TEST(ServicesTest, ClipboardHoldsPlatformLineBreaks) {
    app();
    QtClipboard clip;
    clip.setText("一行目\r\n二行目");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "一行目\n二行目");
    EXPECT_EQ(clip.text(), "一行目\r\n二行目");
}

TEST(ServicesTest, OnlyTheFirstInstanceGetsTheLock) {
    app();
    QTemporaryDir dir;
    const QString path = dir.filePath("lirafok.lock");
    {
        LockFileInstance first(path);
        EXPECT_TRUE(first.acquire());
        EXPECT_TRUE(first.acquire());  // asking again keeps it
        LockFileInstance second(path);
        EXPECT_FALSE(second.acquire());
    }
    LockFileInstance third(path);
    EXPECT_TRUE(third.acquire());
}

TEST(ServicesTest, MissingSoundCuesAndAbsentScreenSaverAreSilent) {
    app();
    QtSoundCues cues;
    cues.play("/nonexistent/LIRAFOK1.WAV");
    DBusScreenSaver saver;
    saver.setSuppressed(true);
    saver.setSuppressed(false);
    EXPECT_FALSE(saver.inhibited());
}

TEST(ServicesTest, PrinterDrawsInTwipsIntoAPdf) {
    app();
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir.filePath("label.pdf");
    printer.setOutputFileName(pdf);
    QtScheduler scheduler;
    QtFormHost host;
    QtPrinter paper(printer, host);
    const ui::Font nine{"ＭＳ Ｐゴシック", 9, false, false};
    // A 9-point line is a little taller than 9 points (180 twips) and less than twice that,
    // kept to the fraction of a twip.
    const double h = paper.textHeight(nine);
    EXPECT_GT(h, 180);
    EXPECT_LT(h, 360);
    paper.line(0, 0, 5660, 0, 8);
    paper.box(0, 0, 5660, 5137, 8);
    paper.text(150, 150, nine, "  DATE  01-02-2024");
    EXPECT_EQ(paper.currentX(), 150);
    EXPECT_DOUBLE_EQ(paper.currentY(), 150 + h);
    paper.setCurrentX(20000.0 / 35);
    paper.print(nine, "一行目\r\n二行目");
    EXPECT_DOUBLE_EQ(paper.currentX(), 20000.0 / 35);
    EXPECT_DOUBLE_EQ(paper.currentY(), 150 + 3 * h);
    KitchenSink form(host, scheduler);
    form.show();
    paper.printForm(form);
    paper.endDoc();
    EXPECT_EQ(paper.currentY(), 0);
    form.destroySilently();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
    EXPECT_GT(f.size(), 1000);
}

}  // namespace
}  // namespace lirafok::qt::test
