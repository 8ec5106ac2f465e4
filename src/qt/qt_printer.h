#pragma once
// The printer in twips (1440 per inch) from the top-left corner of the printable area. The job
// starts with the first drawing call and is sent by endDoc(). Line widths are in printer
// dots. Positions stay fractional down to the painter, which works in twips. A printer set to
// PDF writes the file the user named, one page of the document's size; with neither a
// printer nor a file named, the job fails with a message saying so.
#include <QPainter>
#include <QPrinter>
#include <functional>

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
    void setDocumentName(const std::string& name) override { m_docName = name; }
    std::string errorText() const override { return m_error; }
    std::string savedTo() const override { return m_savedTo; }
    bool cancelled() const override { return m_cancelled; }
    double textWidth(const ui::Font& font, const std::string& text) override;

    // Asks where a PDF job goes, proposing `suggested` (a full path): the chosen path, or an
    // empty string when the user cancels. The dialog asks before replacing a file. Unset, a
    // PDF job goes to the file the printer set-up named (tests).
    std::function<QString(const QString& suggested)> askPdfPath;
    // The file a PDF job proposes: the document's name in the user's documents folder.
    QString suggestedPdfPath() const;

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
    bool m_failed = false;     // the current job could not start; drop its calls
    bool m_cancelled = false;  // ... because the user cancelled the choice of its file
    std::string m_docName;
    std::string m_savedTo;
    std::string m_error;                     // why the last job failed
    double m_docWidth = 0, m_docHeight = 0;  // twips; 0: the printer's own page
};

}  // namespace lirafok::qt
