#include "scenario/runner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "scenario/session.h"

namespace lirafok::scenario {

namespace fs = std::filesystem;

void fail(const std::string& why) {
    throw Fail{why};
}

long toNumber(const std::string& s) {
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end) fail("not a number: " + s);
    return v;
}

bool numericEqual(const std::string& a, const std::string& b) {
    char *ea = nullptr, *eb = nullptr;
    double x = std::strtod(a.c_str(), &ea);
    double y = std::strtod(b.c_str(), &eb);
    if (a.empty() || b.empty() || *ea || *eb) return a == b;
    return std::fabs(x - y) < 1e-9;
}

std::string readAll(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ControlPath parsePath(const std::string& path) {
    ControlPath p;
    auto dot = path.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == path.size())
        fail("bad control path " + path);
    p.form = path.substr(0, dot);
    std::size_t i = dot + 1;
    std::size_t end = path.find_first_of(".(", i);
    p.control = path.substr(i, end == std::string::npos ? std::string::npos : end - i);
    if (end != std::string::npos && path[end] == '(') {
        auto close = path.find(')', end);
        if (close == std::string::npos) fail("bad control path " + path);
        p.index = static_cast<int>(toNumber(path.substr(end + 1, close - end - 1)));
        end = close + 1;
        if (end < path.size() && path[end] != '.') fail("bad control path " + path);
    }
    if (end != std::string::npos && end < path.size()) p.rest = path.substr(end + 1);
    return p;
}

namespace {

std::time_t defaultClock() {
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mday = 1;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

}  // namespace

Session::Session() {
    sched.setWallClock(defaultClock());
    char tmpl[] = "/tmp/lirafok-scn-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("cannot make a sandbox folder");
    sandbox = tmpl;
    char buf[PATH_MAX];
    oldCwd = getcwd(buf, sizeof buf) ? buf : "/";
    host.whileModal = [this](ui::Form& f, const HeadlessHost::OpenTest& open) {
        whileModal(f, open);
    };
    host.onUnload = [this](ui::Form& f) { m_focus.formUnloaded(f); };
}

Session::~Session() {
    host.whileModal = nullptr;
    host.onUnload = nullptr;
    app.reset();
    second.reset();
    if (chdir(oldCwd.c_str()) != 0) {
    }
    std::error_code ec;
    fs::permissions(sandbox, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto& e : fs::recursive_directory_iterator(sandbox, ec))
        fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(sandbox, ec);
}

std::string Session::subst(const std::string& w) const {
    std::string out = w;
    const std::string key = "{SANDBOX}";
    for (std::size_t p; (p = out.find(key)) != std::string::npos;)
        out.replace(p, key.size(), sandbox);
    return out;
}

std::string Session::sandboxPath(const std::string& name) const {
    return name.size() && name[0] == '/' ? name : sandbox + "/" + name;
}

App& Session::running() {
    if (!app) fail("the program has not been started");
    return *app;
}

device::SimulatedDrive& Session::drive() {
    if (app) {
        auto* d = drives.drive(app->currentDriveIndex());
        if (d) return *d;
    }
    return drives.current();
}

void Session::run(const std::vector<Command>& commands) {
    m_commands = &commands;
    m_next = 0;
    while (m_next < commands.size()) exec(commands[m_next++]);
    m_line = 0;
    failOnLeftovers();
}

void Session::exec(const Command& cmd) {
    // A failure keeps the innermost line; a command that returns restores its caller's.
    const int caller = m_line;
    m_line = cmd.line;
    std::vector<std::string> w;
    for (const auto& word : cmd.words) w.push_back(subst(word));
    static const std::set<std::string> machineOps{
        "file",      "font-list",     "mkdir",        "remove",  "readonly",  "clock", "screen",
        "drives",    "default-drive", "disc",         "door",    "device",    "fonts", "answer",
        "clipboard", "start",         "start-second", "advance", "disc-text", "online"};
    if (w[0] == "expect")
        expect(cmd, w);
    else if (machineOps.count(w[0]))
        machine(cmd, w);
    else
        act(w);
    m_line = caller;
}

void Session::whileModal(ui::Form& form, const HeadlessHost::OpenTest& open) {
    for (auto it = m_modalAnswers.begin(); it != m_modalAnswers.end(); ++it) {
        if (it->value.form != form.name()) continue;
        const Queued<ModalAnswer> a = *it;
        m_modalAnswers.erase(it);
        const std::string path = a.value.form + "." + a.value.control;
        const ControlPath p = parsePath(path);
        ui::Control* c = form.findControl(p.control, p.index);
        if (!c)
            throw Fail{"modal window " + form.name() + " has no control " + a.value.control,
                       a.line};
        const std::string why = unreachableWhy(*c);
        if (!why.empty()) throw Fail{path + " is not reachable: " + why, a.line};
        c->userClick();
        break;
    }
    // The user goes on acting inside the modal window until it closes.
    while (open() && m_commands && m_next < m_commands->size()) exec((*m_commands)[m_next++]);
}

std::string Session::commandText(int line) const {
    if (m_commands)
        for (const Command& c : *m_commands)
            if (c.line == line) {
                std::string out;
                for (const auto& w : c.words) out += (out.empty() ? "" : " ") + w;
                return out;
            }
    return "an answer";
}

void Session::failOnLeftovers() {
    std::vector<int> lines;
    auto collect = [&lines](const auto& queue) {
        for (const auto& q : queue) lines.push_back(q.line);
    };
    collect(dialogs.answers);
    collect(dialogs.inputs);
    collect(dialogs.colors);
    collect(dialogs.fonts);
    collect(dialogs.printerAnswers);
    collect(dialogs.files);
    collect(m_modalAnswers);
    collect(online.discAnswers);
    collect(online.lyricsAnswers);
    collect(online.publishAnswers);
    if (lines.empty()) return;
    const int first = *std::min_element(lines.begin(), lines.end());
    throw Fail{"\"" + commandText(first) + "\" was never used: no dialog or request took it",
               first};
}

Outcome runScenario(const std::string& textIn) {
    Outcome o;
    std::vector<Command> commands;
    try {
        commands = parseScenario(textIn);
    } catch (const std::exception& e) {
        o.message = e.what();
        return o;
    }
    Session s;
    try {
        s.run(commands);
    } catch (const Fail& f) {
        o.message = std::to_string(f.line ? f.line : s.line()) + ": " + f.why;
        return o;
    } catch (const std::exception& e) {
        o.message = std::to_string(s.line()) + ": " + e.what();
        return o;
    }
    o.passed = true;
    return o;
}

int runFiles(const std::vector<std::string>& files, std::ostream& out) {
    int passed = 0, failed = 0;
    for (const auto& file : files) {
        std::string name = fs::path(file).stem().string();
        bool ok = false;
        std::string text = readAll(file, ok);
        Outcome r;
        if (!ok)
            r.message = "0: cannot read " + file;
        else
            r = runScenario(text);
        if (r.passed) {
            out << "PASS " << name << "\n";
            ++passed;
        } else {
            out << "FAIL " << name << ":" << r.message << "\n";
            ++failed;
        }
        out.flush();
    }
    out << passed << " passed, " << failed << " failed" << std::endl;
    return failed == 0 ? 0 : 1;
}

}  // namespace lirafok::scenario
