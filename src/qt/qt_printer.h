#pragma once
// The printer in twips (1440 per inch) from the top-left corner of the printable area. The job
// starts with the first drawing call and is sent by endDoc(). Line widths are in printer
// dots. On a machine without a printer the page goes to a PDF file in the current folder.
#include <QPainter>
#include <QPrinter>

#include "ui/services.h"

namespace lirafok::qt {

class QtFormHost;

class QtPrinter : public ui::Printer {
public:
    QtPrinter(QPrinter& printer, QtFormHost& host);
    ~QtPrinter() override;

    void line(int x1, int y1, int x2, int y2, int width) override;
    void box(int x1, int y1, int x2, int y2, int width) override;
    void text(int x, int y, const ui::Font& font, const std::string& text) override;
    void printForm(ui::Form& form) override;
    void endDoc() override;

    // Height in twips of one line of text in `font` on the printer (the distance the printer's
    // cursor moves down after printing a line).
    int textHeight(const ui::Font& font) const;

    // Where a job goes when there is no printer.
    static QString fallbackPdfPath();

private:
    bool begin();
    static QFont printerFont(const ui::Font& font);
    void setPenWidth(int dots);

    QPrinter& m_printer;
    QtFormHost& m_host;
    QPainter m_painter;
    bool m_failed = false;  // the current job could not start; drop its calls
};

}  // namespace lirafok::qt
