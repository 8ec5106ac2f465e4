#include "qt/printer_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QVBoxLayout>

namespace lirafok::qt {

QString PrinterSetupDialog::pdfChoice() {
    return QString::fromUtf8("PDF に保存");
}

PrinterSetupDialog::PrinterSetupDialog(QPrinter& printer, QWidget* parent)
    : QDialog(parent), m_printer(printer) {
    setWindowTitle(QString::fromUtf8("プリンターの設定"));
    m_printers = new QComboBox(this);
    const QString defaultName = QPrinterInfo::defaultPrinterName();
    for (const QString& name : QPrinterInfo::availablePrinterNames()) m_printers->addItem(name);
    m_printers->addItem(pdfChoice());
    if (m_printer.outputFormat() == QPrinter::PdfFormat) {
        m_printers->setCurrentText(pdfChoice());
    } else {
        const QString current =
            m_printer.printerName().isEmpty() ? defaultName : m_printer.printerName();
        const int i = m_printers->findText(current);
        if (i >= 0) m_printers->setCurrentIndex(i);
    }

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("プリンター"), m_printers);
    auto* note =
        new QLabel(QString::fromUtf8("「PDF に保存」では、印刷のたびに保存先を聞きます。"), this);
    note->setWordWrap(true);
    form->addRow(QString(), note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PrinterSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PrinterSetupDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(buttons);
    resize(480, sizeHint().height());
}

void PrinterSetupDialog::accept() {
    if (m_printers->currentText() == pdfChoice()) {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
    } else {
        m_printer.setOutputFileName(QString());
        m_printer.setOutputFormat(QPrinter::NativeFormat);
        m_printer.setPrinterName(m_printers->currentText());
        // Paper as the printer has it, not the page of an earlier PDF.
        const QPrinterInfo info = QPrinterInfo::printerInfo(m_printers->currentText());
        m_printer.setFullPage(false);
        if (!info.isNull()) m_printer.setPageSize(info.defaultPageSize());
    }
    QDialog::accept();
}

}  // namespace lirafok::qt
