#pragma once
// The printer set-up dialog: the system's printers (through CUPS) and "PDF に保存", which
// prints to a PDF file that each print asks for. Confirming puts the choice on the QPrinter
// that every print job uses; cancelling leaves it as it was.
#include <QDialog>

class QComboBox;
class QPrinter;

namespace lirafok::qt {

class PrinterSetupDialog : public QDialog {
    Q_OBJECT
public:
    PrinterSetupDialog(QPrinter& printer, QWidget* parent = nullptr);

    // The entry that prints to a PDF file.
    static QString pdfChoice();

    // For tests: the choices offered.
    QComboBox* printers() const { return m_printers; }

    void accept() override;

private:
    QPrinter& m_printer;
    QComboBox* m_printers;
};

}  // namespace lirafok::qt
