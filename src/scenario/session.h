#pragma once
// One scenario being run: the headless machine, its sandbox folder, the program and what the
// user can reach. Internal to the runner; the commands live in runner_machine.cpp (sandbox,
// machine, answers, start), runner_actions.cpp (acting as the user) and runner_checks.cpp.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/mm_control.h"
#include "scenario/control_access.h"
#include "scenario/focus.h"
#include "scenario/headless.h"
#include "scenario/script.h"
#include "common/app.h"
#include "windows/windows.h"

namespace lirafok::scenario {

// A failed command or check. `line` 0 stands for the command being run.
struct Fail {
    std::string why;
    int line = 0;
};

[[noreturn]] void fail(const std::string& why);
long toNumber(const std::string& s);
bool numericEqual(const std::string& a, const std::string& b);
std::string readAll(const std::string& path, bool& ok);

// "FORM.CONTROL", "FORM.CONTROL(i)", each optionally followed by ".REST" (a property such as
// "Caption" or "List(3)", or a transport button such as "Play"). "FORM.PROP" has the property
// as its control and no rest.
struct ControlPath {
    std::string form;
    std::string control;
    int index = -1;
    std::string rest;
};
ControlPath parsePath(const std::string& path);

class Session : protected HeadlessMachine {
public:
    Session();
    ~Session();

    // Runs the commands in order, then fails when an answer is left queued. A command that
    // shows a window modally runs the commands after it inside that show until the window is
    // hidden or unloaded, as the user would act inside a modal window. Throws Fail.
    void run(const std::vector<Command>& commands);
    // Line of the command being run (the innermost one while a modal window runs commands).
    int line() const { return m_line; }

private:
    struct ModalAnswer {
        std::string form;
        std::string control;
    };

    void exec(const Command& c);
    void whileModal(ui::Form& form, const HeadlessHost::OpenTest& open);
    void failOnLeftovers();
    std::string commandText(int line) const;

    // Sandbox, machine, answers, start and the clock.
    void machine(const Command& c, const std::vector<std::string>& w);
    void answer(const std::vector<std::string>& w);
    void start(const std::vector<std::string>& w);
    // Scripted online answers (runner_online.cpp).
    void onlineCommand(const std::vector<std::string>& w);
    void expectOnline(const Command& c);

    // Acting as the user.
    void act(const std::vector<std::string>& w);
    ui::Form& reachForm(const std::string& name, const std::string& what);
    void expectKaraoke(const std::vector<std::string>& w);
    ui::Control& reachControl(const std::string& path);
    void reach(const ui::Control& c, const std::string& what);
    void click(const std::vector<std::string>& w);
    void focus(const std::string& path);

    // Checking.
    void expect(const Command& c, const std::vector<std::string>& w);
    ui::Form& loadedForm(const std::string& name);
    Value property(const std::string& path);
    void expectDevice(const std::vector<std::string>& w);
    void expectFile(const Command& c, const std::vector<std::string>& w);
    void expectPrinted(const Command& c);
    void expectEachTrackOnce(const std::vector<std::string>& w);

    std::string subst(const std::string& w) const;
    std::string sandboxPath(const std::string& name) const;
    void settle() { sched.runDue(); }
    App& running();
    device::SimulatedDrive& drive();

    std::unique_ptr<App> app, second;
    std::string sandbox, oldCwd;
    std::size_t cuesChecked = 0;
    const std::vector<Command>* m_commands = nullptr;
    std::size_t m_next = 0;
    int m_line = 0;
    std::deque<Queued<ModalAnswer>> m_modalAnswers;
    FocusHolder m_focus;
    std::vector<ui::ReleaseCandidate> m_releases;  // `online release` lines not yet queued
};

}  // namespace lirafok::scenario
