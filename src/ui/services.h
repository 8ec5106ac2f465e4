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

struct FontDialogRequest {
    FontChoice preset;
    bool screenFontsOnly = true;
    bool forceExisting = false;  // the choice must be an installed face
    bool limitSize = false;
    double minSize = 0, maxSize = 0;
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
    // Font dialog: the choice (its name may be empty), or nullopt when cancelled.
    virtual std::optional<FontChoice> fontDialog(const FontDialogRequest& request) = 0;
    // Printer set-up dialog: true when confirmed.
    virtual bool printerSetup() = 0;
    // Shows the help file at a keyword; returns at once.
    virtual void showHelp(const std::string& helpPath, const std::string& keyword) = 0;
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

// A print job in twips on the page. begin() starts a page; endDoc() sends the job.
class Printer {
public:
    virtual ~Printer() = default;
    virtual void line(int x1, int y1, int x2, int y2, int width) = 0;
    virtual void box(int x1, int y1, int x2, int y2, int width) = 0;
    virtual void text(int x, int y, const Font& font, const std::string& text) = 0;
    virtual void printForm(Form& form) = 0;
    virtual void endDoc() = 0;
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
};

// Single-instance test. acquire() is true for the first running copy only.
class InstanceLock {
public:
    virtual ~InstanceLock() = default;
    virtual bool acquire() = 0;
};

}  // namespace lirafok::ui
