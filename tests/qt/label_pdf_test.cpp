// The cassette card and the MD label printed through QPrinter into PDF files, as the user's
// "PDF に保存" choice does, and read back with poppler's tools: one page of the label's size,
// the card's texts in it; a file that cannot be written is reported, not printed.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>

#include "catalogue/catalogue_file.h"
#include "common/app.h"
#include "labels/cdmd.h"
#include "labels/cdmdf.h"
#include "labels/cprint.h"
#include "program/cdprg.h"
#include "program/cdtedit.h"
#include "qt/printer_setup_dialog.h"
#include "qt/qt_printer.h"
#include "qt_test_support.h"
#include "scenario/headless.h"

namespace lirafok::qt::test {
namespace {

QString run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(20000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct PdfFacts {
    int pages = 0;
    double width = 0, height = 0;  // points
};

PdfFacts pdfFacts(const QString& pdf) {
    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    PdfFacts f;
    const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    if (pages.hasMatch()) f.pages = pages.captured(1).toInt();
    const auto size =
        QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(info);
    if (size.hasMatch()) {
        f.width = size.captured(1).toDouble();
        f.height = size.captured(2).toDouble();
    }
    return f;
}

class LabelPdf : public ::testing::Test, protected scenario::HeadlessMachine {
protected:
    void SetUp() override {
        // LIRAFOK_KEEP_PDF=1 keeps the files for a look (the folder's path is printed).
        if (qEnvironmentVariableIsSet("LIRAFOK_KEEP_PDF")) {
            dir.setAutoRemove(false);
            std::printf("PDF folder: %s\n", dir.path().toUtf8().constData());
        }
        qprinter.setOutputFormat(QPrinter::PdfFormat);
        program = std::make_unique<App>(Services{sched, qhost, dialogs, cues, saver, clipboard,
                                                 paper, fonts, screen, instance, drives});
        program->registerForm<CDTEDIT>();
        program->registerForm<CPRINT>();
        program->registerForm<CDMD>();
        program->registerForm<CDMDF>();
        program->registerForm<CDPRG>();
        // The demo disc's record and track table.
        AppState& s = program->state;
        s.DiscTitle = buildTitle("リラフォク　デモディスク", "～はじまりの歌～");
        s.DiscArtist = "リラフォク合唱団";
        s.DiscUnregistered = 0;
        s.TrackCount = 4;
        const char* songs[] = {"春風のうた", "夜明けの駅", "青い空へ", "星のオルゴール"};
        const std::int32_t lengths[] = {38426, 38026, 33506, 31506};
        for (int t = 1; t <= 4; ++t) {
            s.TrackLengthMs[t] = lengths[t - 1];
            s.TrackTimeText[t] = "00:" + std::to_string(lengths[t - 1] / 1000);
            s.SongName[t] = songs[t - 1];
        }
        s.GPLEF = 5;
        s.GPTOP = 5;
        s.GPCH2 = 1;
    }
    void TearDown() override {
        for (ui::Form* f : program->loadedForms()) f->destroySilently();
        program.reset();
    }
    template <class W>
    W& window(const char* name) {
        return static_cast<W&>(program->form(name));
    }

    QApplication& qapp = app();  // before the printer
    QTemporaryDir dir;
    QPrinter qprinter{QPrinter::HighResolution};
    QtFormHost qhost;
    QtPrinter paper{qprinter, qhost};
    std::unique_ptr<App> program;
};

TEST_F(LabelPdf, DemoCassetteCardIsOnePageOfTheCardsSizeWithItsTexts) {
    const QString pdf = dir.filePath(QStringLiteral("card.pdf"));
    qprinter.setOutputFileName(pdf);
    program->show("CDTEDIT");
    auto& editor = window<CDTEDIT>("CDTEDIT");
    editor.AI.setValue(1);
    editor.CHECKX.userClick();
    ASSERT_EQ(editor.SEL.listCount(), 2);
    editor.Command3D6.userClick();
    auto& card = window<CPRINT>("CPRINT");
    card.Command3D2.userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text, "PDF を保存しました。\r\n" + pdf.toStdString());

    // 5 mm margins all round a card of 5660 x 5137 twips.
    const PdfFacts facts = pdfFacts(pdf);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_NEAR(facts.width, (5660 + 2 * 285) / 20.0, 0.5);
    EXPECT_NEAR(facts.height, (5137 + 2 * 285) / 20.0, 0.5);
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QString::fromUtf8("リラフォク"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("デモディスク"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("04 星のオルゴール"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("SIDE B"))) << text.toStdString();
}

TEST_F(LabelPdf, MdLabelIsOnePageOfTheLabelsSize) {
    const QString pdf = dir.filePath(QStringLiteral("md.pdf"));
    qprinter.setOutputFileName(pdf);
    program->show("CDPRG");
    auto& prg = program->form<CDPRG>();
    prg.SEL.addItem("03 00:33 青い空へ");
    prg.SEL.addItem("01 00:38 春風のうた");
    program->show("CDMD");
    auto& md = window<CDMD>("CDMD");
    md.Check2.setValue(1);
    md.Check5.setValue(1);
    pump(50);
    md.Command3D2.userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text, "PDF を保存しました。\r\n" + pdf.toStdString());
    if (!dir.autoRemove()) {
        for (const char* name : {"CDMD", "CDMDF"})
            if (FormWindow* w = qhost.windowOf(program->form(name)))
                w->grab().save(dir.filePath(QString::fromLatin1(name) + ".png"));
    }
    const PdfFacts facts = pdfFacts(pdf);
    EXPECT_EQ(facts.pages, 1);
    EXPECT_NEAR(facts.width, kMdLabelSize / 20.0, 1);
    EXPECT_NEAR(facts.height, kMdLabelSize / 20.0, 1);
    // Drawn as text, not as a picture of the window: every line is there, both title lines too.
    const QString text = run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    // (pdftotext gives some kanji as their radical forms: the words avoid them.)
    for (const char* words : {"リラフォク", "デモディスク", "合唱団", "空へ", "のうた"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(words))) << words << "\n" << text.toStdString();
}

TEST_F(LabelPdf, ATitleWiderThanItsFieldIsScaledDownNotCut) {
    const QString pdf = dir.filePath(QStringLiteral("wide.pdf"));
    qprinter.setOutputFileName(pdf);
    program->state.DiscTitle =
        buildTitle("ＷＷＷＷＷＷＷＷＷＷＷＷＷ", "ＭＭＭＭＭＭＭＭＭＭＭＭＭ");
    program->state.GPT1N = "Noto Serif CJK JP";
    program->state.GPT1S = 16;
    program->show("CDTEDIT");
    window<CDTEDIT>("CDTEDIT").Command3D6.userClick();
    window<CPRINT>("CPRINT").Command3D2.userClick();
    // Every word lies inside the card: 5 mm margin plus 5660 twips, in points.
    const QString boxes =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const double right = (285 + 5660) / 20.0;
    int words = 0;
    QRegularExpression word(QStringLiteral("xMax=\"([0-9.]+)\"[^>]*>([^<]*)<"));
    for (auto it = word.globalMatch(boxes); it.hasNext();) {
        const auto m = it.next();
        ++words;
        EXPECT_LE(m.captured(1).toDouble(), right + 0.5) << m.captured(2).toStdString();
    }
    EXPECT_GT(words, 3);
    EXPECT_TRUE(boxes.contains(QString::fromUtf8("ＷＷＷＷＷＷＷＷＷＷＷＷＷ")));
}

TEST_F(LabelPdf, AFileThatCannotBeWrittenIsReportedAndTheCardKept) {
    qprinter.setOutputFileName(QStringLiteral("/nonexistent-folder/card.pdf"));
    program->show("CDTEDIT");
    window<CDTEDIT>("CDTEDIT").Command3D6.userClick();
    auto& card = window<CPRINT>("CPRINT");
    card.Command3D2.userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown.front().text.find("印刷できませんでした。"), std::string::npos);
    EXPECT_NE(dialogs.shown.front().text.find("/nonexistent-folder/card.pdf"), std::string::npos);
    EXPECT_TRUE(card.shown());
    // Without a printer or a file named, the message says what to choose.
    dialogs.shown.clear();
    qprinter.setOutputFileName(QString());
    card.Command3D2.userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown.front().text.find("PDF に保存"), std::string::npos);
    // Once the file can be written, the same card prints.
    dialogs.shown.clear();
    qprinter.setOutputFileName(dir.filePath(QStringLiteral("later.pdf")));
    card.Command3D2.userClick();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown.front().text.find("later.pdf"), std::string::npos);
    EXPECT_EQ(pdfFacts(dir.filePath(QStringLiteral("later.pdf"))).pages, 1);
}

TEST_F(LabelPdf, SetUpDialogOffersPdf) {
    PrinterSetupDialog dlg(qprinter);
    EXPECT_EQ(dlg.printers()->itemText(dlg.printers()->count() - 1),
              PrinterSetupDialog::pdfChoice());
    dlg.printers()->setCurrentText(PrinterSetupDialog::pdfChoice());
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(qprinter.outputFormat(), QPrinter::PdfFormat);
}

TEST_F(LabelPdf, EachPdfAsksWhereItGoesAndSaysWhereItWent) {
    // The proposal: the disc title and the label's kind, in the documents folder.
    std::vector<QString> asked;
    QString answer = dir.filePath(QStringLiteral("mine"));
    paper.askPdfPath = [&](const QString& suggested) {
        asked.push_back(suggested);
        return answer;
    };
    program->show("CDTEDIT");
    window<CDTEDIT>("CDTEDIT").Command3D6.userClick();
    auto& card = window<CPRINT>("CPRINT");
    card.Command3D2.userClick();
    ASSERT_EQ(asked.size(), 1u);
    const QString name =
        QString::fromUtf8("リラフォク　デモディスク ～はじまりの歌～ カセットカード.pdf");
    EXPECT_TRUE(asked[0].endsWith(QStringLiteral("/") + name)) << asked[0].toStdString();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown.front().text,
              "PDF を保存しました。\r\n" + dir.filePath(QStringLiteral("mine.pdf")).toStdString());
    EXPECT_EQ(pdfFacts(dir.filePath(QStringLiteral("mine.pdf"))).pages, 1);
    // The next print asks again (nothing is overwritten behind the user); a cancel prints
    // nothing and tells nothing.
    dialogs.shown.clear();
    answer.clear();
    card.Command3D2.userClick();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(cues.played.empty() || cues.played.back() != "error");
}

}  // namespace
}  // namespace lirafok::qt::test
