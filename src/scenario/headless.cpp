#include "scenario/headless.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "ui/control.h"

namespace lirafok::scenario {

int HeadlessDialogs::messageBox(const std::string& text, int style, const std::string& title) {
    shown.push_back({text, title});
    int buttons = style & 7;
    if (buttons == ui::mb::kOkOnly) {
        if (!answers.empty() && answers.front() == ui::mb::kOk) answers.pop_front();
        return ui::mb::kOk;
    }
    if (answers.empty())
        throw ScenarioFailure("message box \"" + text + "\" needs an answer and none was queued");
    int a = answers.front();
    answers.pop_front();
    return a;
}

std::optional<std::string> HeadlessDialogs::inputBox(const std::string&, const std::string&,
                                                     const std::string&) {
    if (inputs.empty()) return std::nullopt;
    auto a = inputs.front();
    inputs.pop_front();
    return a;
}

std::optional<ui::Color> HeadlessDialogs::colorDialog(ui::Color preset) {
    if (colors.empty()) return std::nullopt;
    auto a = colors.front();
    colors.pop_front();
    return a;
}

std::optional<ui::FontChoice> HeadlessDialogs::fontDialog(const ui::FontDialogRequest&) {
    if (fonts.empty()) return std::nullopt;
    auto a = fonts.front();
    fonts.pop_front();
    return a;
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
// Exact decimal text: whole numbers without exponent (colours reach 16777215), others with
// every significant digit.
std::string num(double v) {
    std::ostringstream o;
    if (v == std::floor(v) && std::fabs(v) < 1e15)
        o << static_cast<long long>(v);
    else
        o << std::setprecision(15) << v;
    return o.str();
}
}  // namespace

void HeadlessPrinter::line(int x1, int y1, int x2, int y2, int width) {
    current.push_back({"line", num(x1), num(y1), num(x2), num(y2), num(width)});
}

void HeadlessPrinter::box(int x1, int y1, int x2, int y2, int width) {
    current.push_back({"box", num(x1), num(y1), num(x2), num(y2), num(width)});
}

void HeadlessPrinter::text(int x, int y, const ui::Font& font, const std::string& t) {
    std::vector<std::string> op{"text", num(x), num(y), font.name, num(font.size)};
    if (font.bold) op.push_back("bold");
    if (font.italic) op.push_back("italic");
    op.push_back(t);
    current.push_back(op);
}

void HeadlessPrinter::printForm(ui::Form& form) {
    current.push_back({"form", form.name()});
}

void HeadlessPrinter::endDoc() {
    current.push_back({"enddoc"});
    lastJob = std::move(current);
    current.clear();
}

void HeadlessHost::showForm(ui::Form& form, bool modal) {
    if (!modal) return;
    for (auto it = modalAnswers.begin(); it != modalAnswers.end(); ++it) {
        if (it->form != form.name()) continue;
        std::string control = it->control;
        modalAnswers.erase(it);
        std::string name = control;
        int index = -1;
        auto open = name.find('(');
        if (open != std::string::npos) {
            index = std::stoi(name.substr(open + 1));
            name = name.substr(0, open);
        }
        ui::Control* c = form.findControl(name, index);
        if (!c) throw ScenarioFailure("modal window " + form.name() + " has no control " + control);
        c->userClick();
        return;
    }
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
