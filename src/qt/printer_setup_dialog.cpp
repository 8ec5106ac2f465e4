#include "qt/printer_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
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

    m_file = new QLineEdit(this);
    m_file->setText(m_printer.outputFileName().isEmpty()
                        ? QDir::home().filePath(QStringLiteral("LIRAFOK.pdf"))
                        : m_printer.outputFileName());
    m_browse = new QPushButton(QString::fromUtf8("参照..."), this);
    connect(m_browse, &QPushButton::clicked, this, &PrinterSetupDialog::browse);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_file, 1);
    fileRow->addWidget(m_browse);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("プリンター"), m_printers);
    form->addRow(QString::fromUtf8("PDF ファイル"), fileRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PrinterSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &PrinterSetupDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addLayout(form);
    box->addWidget(buttons);
    connect(m_printers, &QComboBox::currentTextChanged, this, &PrinterSetupDialog::choiceChanged);
    choiceChanged();
    resize(480, sizeHint().height());
}

void PrinterSetupDialog::choiceChanged() {
    const bool pdf = m_printers->currentText() == pdfChoice();
    m_file->setEnabled(pdf);
    m_browse->setEnabled(pdf);
}

void PrinterSetupDialog::browse() {
    const QString path = QFileDialog::getSaveFileName(this, pdfChoice(), m_file->text(),
                                                      QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty()) m_file->setText(path);
}

void PrinterSetupDialog::accept() {
    if (m_printers->currentText() == pdfChoice()) {
        QString path = m_file->text().trimmed();
        if (path.isEmpty()) {
            QMessageBox::warning(this, windowTitle(),
                                 QString::fromUtf8("PDF のファイル名を入れてください。"));
            return;
        }
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(QFileInfo(path).absoluteFilePath());
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
