#pragma once
// Services of the headless runner: scripted dialogs, recorded cues, prints and message
// boxes, a scriptable font list and screen, and a drive set of simulated drives.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "device/simulated_drive.h"
#include "scenario/headless_online.h"
#include "ui/form.h"
#include "ui/services.h"
#include "ui/virtual_scheduler.h"
#include "common/app.h"
#include "common/drive_set.h"

namespace lirafok::scenario {

// Thrown from inside the program when the scenario cannot go on (an unanswered question).
struct ScenarioFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct MessageRecord {
    std::string text;
    std::string title;
};

class HeadlessFonts final : public ui::InstalledFonts {
public:
    bool all = true;
    std::set<std::string> installed;
    bool isInstalled(const std::string& name) override { return all || installed.count(name); }
};

// An answer waiting for its dialog, with the scenario line that queued it (0 from tests).
template <class T>
struct Queued {
    T value;
    int line = 0;
};

// Dialogs answered from queues, one per kind of dialog. A message box takes the oldest queued
// answer, which must be one of its buttons; only an OK-only box may go unanswered. A font
// pick obeys the request exactly as in the real dialog (ui/font_rules.h).
class HeadlessDialogs final : public ui::Dialogs {
public:
    // Font picks are checked against `fonts`; without it every face counts as installed.
    explicit HeadlessDialogs(ui::InstalledFonts& fonts) : m_fonts(fonts) {}
    HeadlessDialogs() : m_fonts(m_allFonts) {}

    std::deque<Queued<int>> answers;  // mb::kOk, kYes, kNo, kCancel
    std::deque<Queued<std::optional<std::string>>> inputs;
    std::deque<Queued<std::optional<ui::Color>>> colors;
    std::deque<Queued<std::optional<ui::FontChoice>>> fonts;
    std::deque<Queued<bool>> printerAnswers;               // true: confirmed
    std::deque<Queued<std::optional<std::string>>> files;  // open and save dialogs alike
    std::deque<MessageRecord> shown;                       // not yet checked
    std::vector<std::pair<std::string, std::string>> helpShown;

    int messageBox(const std::string& text, int style, const std::string& title) override;
    std::optional<std::string> inputBox(const std::string&, const std::string&,
                                        const std::string&) override;
    std::optional<ui::Color> colorDialog(ui::Color preset) override;
    std::optional<ui::FontChoice> fontDialog(const ui::FontDialogRequest& request) override;
    bool printerSetup() override;
    // A file dialog with no queued answer fails the scenario: what the user picks is part of
    // what is tested.
    std::optional<std::string> openFileDialog(const std::string& title,
                                              const std::string& filter) override;
    std::optional<std::string> folderDialog(const std::string& title,
                                            const std::string& start) override;
    std::optional<std::string> saveFileDialog(const std::string& title, const std::string& filter,
                                              const std::string& suggested) override;
    void showHelp(const std::string& path, const std::string& keyword) override {
        helpShown.emplace_back(path, keyword);
    }

    // The word of a message box answer ("ok", "yes", "no", "cancel").
    static std::string answerWord(int answer);

private:
    HeadlessFonts m_allFonts;
    ui::InstalledFonts& m_fonts;
};

class HeadlessCues final : public ui::SoundCues {
public:
    std::vector<std::string> played;  // "ok", "error" or the file name
    void play(const std::string& wavPath) override;
};

class HeadlessSaver final : public ui::ScreenSaver {
public:
    bool suppressed = false;
    void setSuppressed(bool s) override { suppressed = s; }
};

class HeadlessClipboard final : public ui::Clipboard {
public:
    std::string value;
    std::string text() override { return value; }
    void setText(const std::string& t) override { value = t; }
};

// Records each job as operations of words, positions rounded to whole twips. Text is
// measured simply, so that positions can be predicted: one line of a font of S points is
// S x 20 twips high.
class HeadlessPrinter final : public ui::Printer {
public:
    std::vector<std::vector<std::string>> current;  // operations as words
    std::vector<std::vector<std::string>> lastJob;
    void line(double x1, double y1, double x2, double y2, int width) override;
    void box(double x1, double y1, double x2, double y2, int width) override;
    double textHeight(const ui::Font& font) override { return font.size * 20; }
    void printForm(ui::Form& form) override;

protected:
    void drawText(double x, double y, const ui::Font& font, const std::string& text) override;
    bool sendJob() override;
};

class HeadlessScreen final : public ui::Screen {
public:
    int width = 19200, height = 14400;
    int widthTwips() override { return width; }
    int heightTwips() override { return height; }
};

// One lock for the machine: the first acquire wins until the program ends.
class HeadlessInstance final : public ui::InstanceLock {
public:
    bool held = false;
    bool acquire() override {
        if (held) return false;
        held = true;
        return true;
    }
};

// Forms have no screen. A modal show hands the form to `whileModal`, with a test that holds
// while that show is still open (the form neither hidden nor unloaded); the runner acts as the
// user until then. The show returns when `whileModal` returns; without it, at once.
class HeadlessHost final : public ui::FormHost {
public:
    using OpenTest = std::function<bool()>;
    std::function<void(ui::Form&, const OpenTest& open)> whileModal;
    std::function<void(ui::Form&)> onUnload;

    // The innermost form whose modal show is still open, or nullptr.
    ui::Form* topModal() const;

    void showForm(ui::Form& form, bool modal) override;
    void hideForm(ui::Form&) override {}
    void raiseForm(ui::Form& form) override { m_front = form.name(); }
    // The window shown or brought forward last (the one in front of the others).
    const std::string& front() const { return m_front; }
    void unloadForm(ui::Form& form) override;
    void formChanged(ui::Form&) override {}

private:
    // One entry per modal show that has not returned, innermost last; nullptr once its form
    // is unloaded (the object may be gone).
    std::vector<ui::Form*> m_modal;
    std::string m_front;
};

class SimulatedDrives final : public DriveSet {
public:
    explicit SimulatedDrives(ui::Scheduler& scheduler);
    void setDrives(const std::vector<std::string>& names);
    // -1: the stored value cannot be read.
    void setDefaultIndex(int index);
    device::SimulatedDrive& current();
    device::SimulatedDrive* drive(int index);

    std::vector<std::string> names() override;
    bool readDefault(std::string& data) override;
    bool writeDefault(const std::string& data) override;
    device::CdAudioDevice* device(int index) override { return drive(index); }

private:
    ui::Scheduler& m_scheduler;
    std::vector<std::unique_ptr<device::SimulatedDrive>> m_drives;
    std::vector<std::unique_ptr<device::SimulatedDrive>> m_removed;  // may still be in use
    bool m_defaultReadable = true;
    std::string m_default = std::string("\0\0\0\0", 4);
};

// Every service of one headless machine, on a virtual clock: what the runner and tests build
// an App on.
struct HeadlessMachine {
    ui::VirtualScheduler sched;
    HeadlessFonts fonts;
    HeadlessDialogs dialogs{fonts};
    HeadlessCues cues;
    HeadlessSaver saver;
    HeadlessClipboard clipboard;
    HeadlessPrinter printer;
    HeadlessScreen screen;
    HeadlessInstance instance;
    HeadlessHost host;
    SimulatedDrives drives{sched};
    HeadlessOnline online{sched};

    Services services() {
        return Services{sched,   host,  dialogs, cues,     saver,  clipboard,
                        printer, fonts, screen,  instance, drives, &online};
    }
};

}  // namespace lirafok::scenario
