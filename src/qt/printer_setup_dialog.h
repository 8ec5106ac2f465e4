#pragma once
// The printer set-up dialog: the system's printers (through CUPS) and "PDF に保存", which
// prints to a PDF file the user names. Confirming puts the choice on the QPrinter that every
// print job uses; cancelling leaves it as it was.
#include <QDialog>

class QComboBox;
class QLineEdit;
class QPrinter;
class QPushButton;

namespace lirafok::qt {

class PrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    PrinterSetupDialog(QPrinter& printer, QWidget* parent = nullptr);

    // The entry that prints to a PDF file.
    static QString pdfChoice();

    // For tests: the choices offered, and choosing one with a file name.
    QComboBox* printers() const { return m_printers; }
    QLineEdit* fileName() const { return m_file; }

    void accept() override;

private:
    void choiceChanged();
    void browse();

    QPrinter& m_printer;
    QComboBox* m_printers;
    QLineEdit* m_file;
    QPushButton* m_browse;
};

}  // namespace lirafok::qt
