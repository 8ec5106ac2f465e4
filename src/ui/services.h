#pragma once
// The services a window uses besides its controls. Each is an interface with a real
// implementation in the Qt front end and a scripted one in the headless runner.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/control.h"

namespace lirafok::ui {

class Form;

// Message box styles and results, with the classic numeric values the windows pass.
namespace mb {
inline constexpr int kOkOnly = 0;
inline constexpr int kOkCancel = 1;
inline constexpr int kYesNoCancel = 3;
inline constexpr int kYesNo = 4;
inline constexpr int kCritical = 16;
inline constexpr int kQuestion = 32;
inline constexpr int kExclamation = 48;
inline constexpr int kInformation = 64;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kYes = 6;
inline constexpr int kNo = 7;
}  // namespace mb

struct FontChoice {
    std::string name;  // empty when the dialog returned no name
    double size = 0;   // points
    bool bold = false;
    bool italic = false;
};

// What the program asks of a font dialog. The rules that follow from it (which faces are
// offered, which sizes may be picked) are in ui/font_rules.h, shared by every front end.
struct FontDialogRequest {
    FontChoice preset;
    bool screenFontsOnly = true;
    bool forceExisting = false;  // the choice must be an installed face
    bool limitSize = false;
    double minSize = 0, maxSize = 0;  // points; 0 means no limit on that side
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal message box; returns the button pressed (mb::kOk, kYes, ...). Blocks until answered.
    // `style` combines the button set and the icon (e.g. kOkOnly + kExclamation).
    virtual int messageBox(const std::string& text, int style, const std::string& title) = 0;
    // Modal input box: the text entered, or nullopt when cancelled.
    virtual std::optional<std::string> inputBox(const std::string& prompt, const std::string& title,
                                                const std::string& preset) = 0;
    // Colour dialog: the chosen colour, or nullopt when cancelled.
    virtual std::optional<Color> colorDialog(Color preset) = 0;
    // Font dialog: the choice (its name may be empty), or nullopt when cancelled. The choice
    // obeys the request as fontDialogResult (ui/font_rules.h) says.
    virtual std::optional<FontChoice> fontDialog(const FontDialogRequest& request) = 0;
    // Printer set-up dialog: true when confirmed.
    virtual bool printerSetup() = 0;
    // Shows the help file at a keyword; returns at once.
    virtual void showHelp(const std::string& helpPath, const std::string& keyword) = 0;
    // File dialogs: the path picked, or nullopt when cancelled. `filter` names the files
    // offered ("LRC (*.lrc)"); `suggested` is the path or name a save dialog proposes. A front
    // end without file dialogs cancels them.
    virtual std::optional<std::string> openFileDialog(const std::string& title,
                                                      const std::string& filter) {
        return std::nullopt;
    }
    virtual std::optional<std::string> saveFileDialog(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& suggested) {
        return std::nullopt;
    }
    // A folder picked, starting in `start`; nullopt when cancelled.
    virtual std::optional<std::string> folderDialog(const std::string& title,
                                                    const std::string& start) {
        return std::nullopt;
    }
};

// Plays a wave file asynchronously; a missing or unreadable file is silent. Never blocks.
class SoundCues {
public:
    virtual ~SoundCues() = default;
    virtual void play(const std::string& wavPath) = 0;
};

// Switches the screen saver off (suppressed) and on again.
class ScreenSaver {
public:
    virtual ~ScreenSaver() = default;
    virtual void setSuppressed(bool suppressed) = 0;
};

class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual std::string text() = 0;
    virtual void setText(const std::string& t) = 0;
};

// A print job on the current printer, in twips from the top-left corner of the printable
// area. The job starts with the first drawing call; endDoc() sends it and puts the cursor back
// at 0, 0. Line widths are in printer dots. A job that cannot be made (no printer, a printer
// error, a file that cannot be written) draws nothing; endDoc() then returns false and
// errorText() says why in words for the user.
//
// The cursor (currentX, currentY) is kept in exact, fractional twips, as the label layouts
// compute it (a margin of 20000 / 35 twips stays 571.43). A text is printed with its top-left
// corner at the cursor; afterwards the cursor stands at the text's left x and one text height
// lower for each of its lines.
class Printer {
public:
    virtual ~Printer() = default;
    virtual void line(double x1, double y1, double x2, double y2, int width) = 0;
    virtual void box(double x1, double y1, double x2, double y2, int width) = 0;
    // Height in twips of one line of text in `font` on this printer.
    virtual double textHeight(const Font& font) = 0;
    // Width in twips of the widest line of `text` in `font`; 0 when the printer cannot tell
    // (nothing is then fitted to a field).
    virtual double textWidth(const Font& font, const std::string& text) { return 0; }
    // Prints `text` at the cursor and moves the cursor down past it.
    void print(const Font& font, const std::string& text) {
        drawText(m_x, m_y, font, text);
        m_y += textHeight(font) * lineCount(text);
    }
    // Moves the cursor to (x, y), then prints there.
    void text(double x, double y, const Font& font, const std::string& text) {
        m_x = x;
        m_y = y;
        print(font, text);
    }
    // Prints the window's client area as an image at the top-left corner, one screen pixel
    // as 15 twips.
    virtual void printForm(Form& form) = 0;
    // The size in twips of what the next job draws (label and margins), given before its first
    // drawing call. A printer whose page is the document itself (a PDF file) takes it as its
    // page size; a paper printer keeps its paper.
    virtual void setDocumentSize(double widthTwips, double heightTwips) {}
    // What the next job is ("リラフォク　デモディスク カセットカード"): a printer that writes a
    // file proposes it as the file's name.
    virtual void setDocumentName(const std::string& name) {}
    // Where the last job that was sent went when it became a file; empty for paper.
    virtual std::string savedTo() const { return {}; }
    // The last job was not sent because the user cancelled the choice of its file: nothing
    // is wrong and nothing needs telling.
    virtual bool cancelled() const { return false; }
    // Sends the job; false when it could not be printed (see errorText()).
    bool endDoc() {
        const bool sent = sendJob();
        m_x = m_y = 0;
        return sent;
    }
    // Why the last job failed; empty after a job that was sent.
    virtual std::string errorText() const { return {}; }
    double currentX() const { return m_x; }
    double currentY() const { return m_y; }
    void setCurrentX(double x) { m_x = x; }
    void setCurrentY(double y) { m_y = y; }

    // Lines of a text: one more than its line breaks (CR LF, LF or CR each count one).
    static int lineCount(const std::string& text) {
        int n = 1;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (text[i] == '\r' || text[i] == '\n') ++n;
        }
        return n;
    }

protected:
    // Draws `text` with its top-left corner at (x, y); the cursor is the caller's business.
    virtual void drawText(double x, double y, const Font& font, const std::string& text) = 0;
    // Sends the job drawn so far; false when it could not be printed.
    virtual bool sendJob() = 0;

private:
    double m_x = 0, m_y = 0;
};

class InstalledFonts {
public:
    virtual ~InstalledFonts() = default;
    virtual bool isInstalled(const std::string& faceName) = 0;
};

// The screen in twips.
class Screen {
public:
    virtual ~Screen() = default;
    virtual int widthTwips() = 0;
    virtual int heightTwips() = 0;
    // The monitors a window can go full screen on, by name, the primary one first (empty when
    // the front end has no screens).
    virtual std::vector<std::string> monitorNames() { return {}; }
};

// Single-instance test. acquire() is true for the first running copy only.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    virtual bool acquire() = 0;
};

}  // namespace lirafok::ui
