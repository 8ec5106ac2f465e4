#include "qt/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileInfo>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/text.h"
#include "qt/font_dialog.h"
#include "qt/printer_setup_dialog.h"
#include "qt/qt_convert.h"

namespace lirafok::qt {

namespace {

QWidget* dialogParent() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) w = QApplication::activeWindow();
    return w;
}

// Runs a modal dialog. A dialog is parented to the window it belongs to, and that window may
// be unloaded while the dialog waits (a timer closes it): then the dialog is gone with it and
// the answer is nullopt. Otherwise the answer is whether the dialog was accepted.
template <class D>
std::optional<bool> execGuarded(QPointer<D>& dlg) {
    const int code = dlg->exec();
    if (!dlg) return std::nullopt;
    return code == QDialog::Accepted;
}

QString titleOr(const std::string& title) {
    return title.empty() ? QStringLiteral("LIRAFOK") : toQ(title);
}

}  // namespace

QtDialogs::QtDialogs(QPrinter& printer) : m_printer(printer) {}

QtDialogs::~QtDialogs() {
    delete m_helpWindow.data();
}

int QtDialogs::messageBox(const std::string& text, int style, const std::string& title) {
    QPointer<QMessageBox> box = new QMessageBox(dialogParent());
    box->setWindowTitle(titleOr(title));
    box->setText(toWidgetLineBreaks(toQ(text)));
    box->setTextFormat(Qt::PlainText);
    switch (style & 0x70) {
        case ui::mb::kCritical:
            box->setIcon(QMessageBox::Critical);
            break;
        case ui::mb::kQuestion:
            box->setIcon(QMessageBox::Question);
            break;
        case ui::mb::kExclamation:
            box->setIcon(QMessageBox::Warning);
            break;
        case ui::mb::kInformation:
            box->setIcon(QMessageBox::Information);
            break;
        default:
            box->setIcon(QMessageBox::NoIcon);
            break;
    }
    struct Choice {
        QPushButton* button;
        int result;
    };
    std::vector<Choice> choices;
    auto add = [&](const char* label, QMessageBox::ButtonRole role, int result) {
        choices.push_back({box->addButton(QString::fromUtf8(label), role), result});
        return choices.back().button;
    };
    QPushButton* escape = nullptr;
    int closeResult;
    switch (style & 7) {
        case ui::mb::kOkCancel:
            add("OK", QMessageBox::AcceptRole, ui::mb::kOk);
            escape = add("キャンセル", QMessageBox::RejectRole, ui::mb::kCancel);
            closeResult = ui::mb::kCancel;
            break;
        case ui::mb::kYesNoCancel:
            add("はい", QMessageBox::YesRole, ui::mb::kYes);
            add("いいえ", QMessageBox::NoRole, ui::mb::kNo);
            escape = add("キャンセル", QMessageBox::RejectRole, ui::mb::kCancel);
            closeResult = ui::mb::kCancel;
            break;
        case ui::mb::kYesNo:
            add("はい", QMessageBox::YesRole, ui::mb::kYes);
            escape = add("いいえ", QMessageBox::NoRole, ui::mb::kNo);
            closeResult = ui::mb::kNo;
            break;
        default:
            escape = add("OK", QMessageBox::AcceptRole, ui::mb::kOk);
            closeResult = ui::mb::kOk;
            break;
    }
    box->setDefaultButton(choices.front().button);
    box->setEscapeButton(escape);
    if (!execGuarded(box)) return closeResult;
    int result = closeResult;
    for (const Choice& c : choices)
        if (box->clickedButton() == c.button) result = c.result;
    delete box.data();
    return result;
}

std::optional<std::string> QtDialogs::openFileDialog(const std::string& title,
                                                     const std::string& filter) {
    const QString path =
        QFileDialog::getOpenFileName(dialogParent(), toQ(title), QString(), toQ(filter));
    if (path.isEmpty()) return std::nullopt;
    return fromQ(path);
}

std::optional<std::string> QtDialogs::folderDialog(const std::string& title,
                                                   const std::string& start) {
    const QString path = QFileDialog::getExistingDirectory(dialogParent(), toQ(title), toQ(start));
    if (path.isEmpty()) return std::nullopt;
    return fromQ(path);
}

std::optional<std::string> QtDialogs::saveFileDialog(const std::string& title,
                                                     const std::string& filter,
                                                     const std::string& suggested) {
    const QString path =
        QFileDialog::getSaveFileName(dialogParent(), toQ(title), toQ(suggested), toQ(filter));
    if (path.isEmpty()) return std::nullopt;
    return fromQ(path);
}

std::optional<std::string> QtDialogs::inputBox(const std::string& prompt, const std::string& title,
                                               const std::string& preset) {
    QPointer<QInputDialog> dlg = new QInputDialog(dialogParent());
    dlg->setWindowTitle(titleOr(title));
    dlg->setLabelText(toWidgetLineBreaks(toQ(prompt)));
    dlg->setTextValue(toQ(preset));
    dlg->setOkButtonText(QStringLiteral("OK"));
    dlg->setCancelButtonText(QString::fromUtf8("キャンセル"));
    auto accepted = execGuarded(dlg);
    if (!accepted) return std::nullopt;
    std::optional<std::string> result;
    if (*accepted) result = fromQ(dlg->textValue());
    delete dlg.data();
    return result;
}

std::optional<ui::Color> QtDialogs::colorDialog(ui::Color preset) {
    QPointer<QColorDialog> dlg = new QColorDialog(toQColor(preset), dialogParent());
    dlg->setWindowTitle(QString::fromUtf8("色の設定"));
    auto accepted = execGuarded(dlg);
    if (!accepted) return std::nullopt;
    std::optional<ui::Color> result;
    if (*accepted && dlg->selectedColor().isValid()) result = fromQColor(dlg->selectedColor());
    delete dlg.data();
    return result;
}

std::optional<ui::FontChoice> QtDialogs::fontDialog(const ui::FontDialogRequest& request) {
    QPointer<FontDialog> dlg = new FontDialog(request, dialogParent());
    auto accepted = execGuarded(dlg);
    if (!accepted) return std::nullopt;
    std::optional<ui::FontChoice> result;
    if (*accepted) result = dlg->choice();
    delete dlg.data();
    return result;
}

bool QtDialogs::printerSetup() {
    QPointer<PrinterSetupDialog> dlg = new PrinterSetupDialog(m_printer, dialogParent());
    auto accepted = execGuarded(dlg);
    if (!accepted) return false;
    delete dlg.data();
    return *accepted;
}

bool loadHelpText(const std::string& path, QString& text, bool& html) {
    auto lines = lirafok::text::readLines(path);
    if (!lines) return false;
    std::string joined;
    for (const std::string& l : *lines) {
        joined += l;
        joined += '\n';
    }
    text = toQ(joined);
    html = Qt::mightBeRichText(text) || text.contains(QStringLiteral("<html"), Qt::CaseInsensitive);
    return true;
}

void QtDialogs::showHelp(const std::string& helpPath, const std::string& keyword) {
    if (!m_helpWindow) {
        auto* win = new QWidget(nullptr, Qt::Window);
        win->setWindowTitle(QString::fromUtf8("LIRAFOK ヘルプ"));
        auto* layout = new QVBoxLayout(win);
        layout->setContentsMargins(0, 0, 0, 0);
        m_help = new QTextBrowser(win);
        m_help->setOpenExternalLinks(true);
        layout->addWidget(m_help);
        win->resize(640, 560);
        m_helpWindow = win;
        m_helpPath.clear();
    }
    if (helpPath != m_helpPath) {
        QString text;
        bool html = false;
        if (loadHelpText(helpPath, text, html)) {
            m_help->setSearchPaths({QFileInfo(toQ(helpPath)).absolutePath()});
            if (html)
                m_help->setHtml(text);
            else
                m_help->setPlainText(text);
            m_helpPath = helpPath;
            m_helpText = text;
        } else {
            m_help->setPlainText(QString::fromUtf8("ヘルプファイルが見つかりません。\n") +
                                 toQ(helpPath));
            m_helpPath.clear();
            m_helpText.clear();
        }
    }
    // The contents keyword (or none) opens the help at its top; another keyword jumps to the
    // anchor of that name, or else to the first place the word appears.
    const QString key = toQ(keyword);
    m_help->moveCursor(QTextCursor::Start);
    if (!key.isEmpty() && key != QString::fromUtf8("目次")) {
        const bool anchor = m_helpText.contains(QStringLiteral("name=\"%1\"").arg(key)) ||
                            m_helpText.contains(QStringLiteral("id=\"%1\"").arg(key));
        if (anchor)
            m_help->scrollToAnchor(key);
        else
            m_help->find(key);
    } else {
        m_help->verticalScrollBar()->setValue(0);
    }
    m_helpWindow->show();
    m_helpWindow->raise();
    m_helpWindow->activateWindow();
}

}  // namespace lirafok::qt
