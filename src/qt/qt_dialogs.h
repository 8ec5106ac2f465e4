#pragma once
// The common dialogs on Qt: message box, input box, colour, font, printer set-up and the help
// viewer. Every dialog but the help viewer is modal and returns the user's answer.
#include <QPointer>
#include <QTextBrowser>
#include <QString>
#include <memory>

#include "ui/services.h"

class QPrinter;

namespace lirafok::qt {

class QtDialogs : public ui::Dialogs {
public:
    explicit QtDialogs(QPrinter& printer);
    ~QtDialogs() override;

    int messageBox(const std::string& text, int style, const std::string& title) override;
    std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                        const std::string& preset) override;
    std::optional<ui::Color> colorDialog(ui::Color preset) override;
    std::optional<ui::FontChoice> fontDialog(const ui::FontDialogRequest& request) override;
    bool printerSetup() override;
    void showHelp(const std::string& helpPath, const std::string& keyword) override;
    std::optional<std::string> openFileDialog(const std::string& title,
                                              const std::string& filter) override;
    std::optional<std::string> folderDialog(const std::string& title,
                                            const std::string& start) override;
    std::optional<std::string> saveFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& suggested) override;

    // The help window, once shown (tests).
    QTextBrowser* helpBrowser() const { return m_help; }

private:
    QPrinter& m_printer;
    QPointer<QWidget> m_helpWindow;
    QPointer<QTextBrowser> m_help;
    std::string m_helpPath;
    QString m_helpText;
};

// Loads a help file for the viewer: HTML or plain text in the system code page. Returns false
// when the file cannot be read.
bool loadHelpText(const std::string& path, QString& text, bool& html);

}  // namespace lirafok::qt
