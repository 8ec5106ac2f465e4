#pragma once
// The printer in twips (1440 per inch) from the top-left corner of the printable area. The job
// starts with the first drawing call and is sent by endDoc(). Line widths are in printer
// dots. Positions stay fractional down to the painter, which works in twips. A printer set to
// PDF writes the file the user named, one page of the document's size; with neither a
// printer nor a file named, the job fails with a message saying so.
#include <QPainter>
#include <QPrinter>

#include "ui/services.h"

namespace lirafok::qt {

class QtFormHost;

class QtPrinter : public ui::Printer {
public:
    QtPrinter(QPrinter& printer, QtFormHost& host);
    ~QtPrinter() override;

    void line(double x1, double y1, double x2, double y2, int width) override;
    void box(double x1, double y1, double x2, double y2, int width) override;
    // The font's line spacing (ascent plus descent) in twips, measured at its printed size.
    double textHeight(const ui::Font& font) override;
    void printForm(ui::Form& form) override;

    void setDocumentSize(double widthTwips, double heightTwips) override;
    std::string errorText() const override { return m_error; }

protected:
    void drawText(double x, double y, const ui::Font& font, const std::string& text) override;
    bool sendJob() override;

private:
    bool begin();
    static QFont printerFont(const ui::Font& font);
    void setPenWidth(int dots);

    QPrinter& m_printer;
    QtFormHost& m_host;
    QPainter m_painter;
    bool m_failed = false;                   // the current job could not start; drop its calls
    std::string m_error;                     // why the last job failed
    double m_docWidth = 0, m_docHeight = 0;  // twips; 0: the printer's own page
};

}  // namespace lirafok::qt
