#include "scenario/headless.h"

#include "scenario/control_access.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "ui/control.h"
#include "ui/font_rules.h"

namespace lirafok::scenario {

namespace {

// Whether a message box with this button set has a button for `answer`.
bool fits(int buttons, int answer) {
    using namespace ui::mb;
    switch (buttons) {
        case kOkOnly:
            return answer == kOk;
        case kOkCancel:
            return answer == kOk || answer == kCancel;
        case kYesNoCancel:
            return answer == kYes || answer == kNo || answer == kCancel;
        case kYesNo:
            return answer == kYes || answer == kNo;
        case 5:  // retry, cancel
            return answer == kCancel;
        default:  // abort, retry, ignore: none of the answers a scenario can give
            return false;
    }
}

const char* buttonsName(int buttons) {
    switch (buttons) {
        case ui::mb::kOkOnly:
            return "OK only";
        case ui::mb::kOkCancel:
            return "OK/Cancel";
        case ui::mb::kYesNoCancel:
            return "Yes/No/Cancel";
        case ui::mb::kYesNo:
            return "Yes/No";
        case 5:
            return "Retry/Cancel";
        default:
            return "Abort/Retry/Ignore";
    }
}

template <class T>
T take(std::deque<Queued<T>>& queue) {
    T value = std::move(queue.front().value);
    queue.pop_front();
    return value;
}

}  // namespace

std::string HeadlessDialogs::answerWord(int answer) {
    switch (answer) {
        case ui::mb::kOk:
            return "ok";
        case ui::mb::kYes:
            return "yes";
        case ui::mb::kNo:
            return "no";
        case ui::mb::kCancel:
            return "cancel";
        default:
            return std::to_string(answer);
    }
}

int HeadlessDialogs::messageBox(const std::string& text, int style, const std::string& title) {
    shown.push_back({text, title});
    const int buttons = style & 7;
    if (answers.empty()) {
        if (buttons == ui::mb::kOkOnly) return ui::mb::kOk;
        throw ScenarioFailure(std::string(buttonsName(buttons)) + " message box \"" + text +
                              "\" needs an answer and none was queued");
    }
    const Queued<int>& a = answers.front();
    if (!fits(buttons, a.value))
        throw ScenarioFailure("answer " + answerWord(a.value) + " (line " + std::to_string(a.line) +
                              ") does not fit the " + buttonsName(buttons) + " message box \"" +
                              text + "\"");
    return take(answers);
}

std::optional<std::string> HeadlessDialogs::inputBox(const std::string&, const std::string&,
                                                     const std::string&) {
    if (inputs.empty()) return std::nullopt;
    return take(inputs);
}

std::optional<std::string> HeadlessDialogs::openFileDialog(const std::string& title,
                                                           const std::string&) {
    if (files.empty()) throw ScenarioFailure("file dialog \"" + title + "\" without an answer");
    return take(files);
}

std::optional<std::string> HeadlessDialogs::folderDialog(const std::string& title,
                                                         const std::string&) {
    if (files.empty()) throw ScenarioFailure("file dialog \"" + title + "\" without an answer");
    return take(files);
}

std::optional<std::string> HeadlessDialogs::saveFileDialog(const std::string& title,
                                                           const std::string&, const std::string&) {
    if (files.empty()) throw ScenarioFailure("file dialog \"" + title + "\" without an answer");
    return take(files);
}

std::optional<ui::Color> HeadlessDialogs::colorDialog(ui::Color preset) {
    if (colors.empty()) return std::nullopt;
    return take(colors);
}

std::optional<ui::FontChoice> HeadlessDialogs::fontDialog(const ui::FontDialogRequest& request) {
    if (fonts.empty()) return std::nullopt;
    const int line = fonts.front().line;
    std::optional<ui::FontChoice> pick = take(fonts);
    if (!pick) return std::nullopt;
    std::optional<ui::FontChoice> result = ui::fontDialogResult(request, *pick, m_fonts);
    if (!result)
        throw ScenarioFailure("answer font \"" + pick->name + "\" (line " + std::to_string(line) +
                              ") cannot be picked: the font dialog offers installed fonts only");
    return result;
}

bool HeadlessDialogs::printerSetup() {
    if (printerAnswers.empty()) return true;
    return take(printerAnswers);
}

void HeadlessCues::play(const std::string& wavPath) {
    std::string name = wavPath.substr(wavPath.find_last_of('/') + 1);
    if (name == "LIRAFOK1.WAV")
        played.push_back("ok");
    else if (name == "LIRAFOK2.WAV")
        played.push_back("error");
    else
        played.push_back(name);
}

namespace {
// A position written to the nearest whole twip (571.43 is written 571).
std::string twips(double v) {
    return num(static_cast<double>(std::lround(v)));
}
}  // namespace

void HeadlessPrinter::line(double x1, double y1, double x2, double y2, int width) {
    current.push_back({"line", twips(x1), twips(y1), twips(x2), twips(y2), num(width)});
}

void HeadlessPrinter::box(double x1, double y1, double x2, double y2, int width) {
    current.push_back({"box", twips(x1), twips(y1), twips(x2), twips(y2), num(width)});
}

void HeadlessPrinter::drawText(double x, double y, const ui::Font& font, const std::string& t) {
    std::vector<std::string> op{"text", twips(x), twips(y), font.name, num(font.size)};
    if (font.bold) op.push_back("bold");
    if (font.italic) op.push_back("italic");
    op.push_back(t);
    current.push_back(op);
}

void HeadlessPrinter::printForm(ui::Form& form) {
    current.push_back({"form", form.name()});
}

bool HeadlessPrinter::sendJob() {
    current.push_back({"enddoc"});
    lastJob = std::move(current);
    current.clear();
    return true;
}

ui::Form* HeadlessHost::topModal() const {
    for (auto it = m_modal.rbegin(); it != m_modal.rend(); ++it)
        if (*it && (*it)->shown()) return *it;
    return nullptr;
}

void HeadlessHost::showForm(ui::Form& form, bool modal) {
    m_front = form.name();
    if (!modal) return;
    const std::size_t depth = m_modal.size();
    m_modal.push_back(&form);
    // The show returns however the user's actions end, a failed scenario included.
    struct Pop {
        std::vector<ui::Form*>& stack;
        ~Pop() { stack.pop_back(); }
    } pop{m_modal};
    if (whileModal)
        whileModal(form, [this, depth] { return m_modal[depth] && m_modal[depth]->shown(); });
}

void HeadlessHost::unloadForm(ui::Form& form) {
    for (ui::Form*& f : m_modal)
        if (f == &form) f = nullptr;
    if (onUnload) onUnload(form);
}

SimulatedDrives::SimulatedDrives(ui::Scheduler& scheduler) : m_scheduler(scheduler) {
    setDrives({"Q:"});
}

void SimulatedDrives::setDrives(const std::vector<std::string>& names) {
    // A running program may hold a drive: a drive that stays keeps its disc and state, and a
    // drive taken away lives on unlisted until the runner ends.
    std::vector<std::unique_ptr<device::SimulatedDrive>> next;
    for (const auto& n : names) {
        auto same = std::find_if(m_drives.begin(), m_drives.end(),
                                 [&](const auto& d) { return d && d->name() == n; });
        if (same != m_drives.end())
            next.push_back(std::move(*same));
        else
            next.push_back(std::make_unique<device::SimulatedDrive>(m_scheduler, n));
    }
    for (auto& d : m_drives)
        if (d) m_removed.push_back(std::move(d));
    m_drives = std::move(next);
}

void SimulatedDrives::setDefaultIndex(int index) {
    m_defaultReadable = index >= 0;
    if (index >= 0) m_default[0] = static_cast<char>(index);
}

device::SimulatedDrive* SimulatedDrives::drive(int index) {
    if (index < 0 || index >= static_cast<int>(m_drives.size())) return nullptr;
    return m_drives[static_cast<std::size_t>(index)].get();
}

device::SimulatedDrive& SimulatedDrives::current() {
    int d = m_defaultReadable ? static_cast<unsigned char>(m_default[0]) : 0;
    if (d >= static_cast<int>(m_drives.size())) d = 0;
    if (m_drives.empty()) setDrives({"Q:"});
    return *m_drives[static_cast<std::size_t>(d)];
}

std::vector<std::string> SimulatedDrives::names() {
    std::vector<std::string> out;
    for (auto& d : m_drives) out.push_back(d->name());
    return out;
}

bool SimulatedDrives::readDefault(std::string& data) {
    if (!m_defaultReadable) return false;
    data = m_default;
    return true;
}

bool SimulatedDrives::writeDefault(const std::string& data) {
    if (!m_defaultReadable) return false;
    m_default = data;
    return true;
}

}  // namespace lirafok::scenario
