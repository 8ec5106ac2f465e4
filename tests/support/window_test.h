#pragma once
// The whole program on the headless machine (virtual clock, simulated drive, scripted dialogs),
// run from a fresh folder of its own: the folder is the program folder (the current directory
// while the test runs) and the lyrics folder. A test writes the settings and files it needs,
// puts a disc in, then start()s the program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/app.h"
#include "core/text.h"
#include "player/cdoke.h"
#include "scenario/headless.h"
#include "temp_folder.h"
#include "windows/windows.h"

namespace lirafok::testing {

class WindowTest : public ::testing::Test, protected scenario::HeadlessMachine {
protected:
    void SetUp() override {
        char buf[PATH_MAX];
        m_oldCwd = getcwd(buf, sizeof buf) ? buf : "/";
        ASSERT_EQ(chdir(tmp.path().c_str()), 0);
        text::writeLines("LIRAFOK.FOT", {"00NＭＳ Ｐゴシック"});
        // A modal window is answered by clicking the control queued for it (answerModal).
        host.whileModal = [this](ui::Form& f, const scenario::HeadlessHost::OpenTest&) {
            ASSERT_FALSE(m_modalAnswers.empty()) << f.name() << " shown without an answer";
            ASSERT_EQ(m_modalAnswers.front().first, f.name());
            if (onModalShown) onModalShown(f);
            ui::Control* c = f.findControl(m_modalAnswers.front().second);
            m_modalAnswers.pop_front();
            ASSERT_NE(c, nullptr);
            c->userClick();
        };
    }
    void TearDown() override {
        app.reset();
        EXPECT_EQ(chdir(m_oldCwd.c_str()), 0);
    }

    // LIRAFOK.INI: the lyrics folder is the test's folder, then `lines`.
    void settings(const std::vector<std::string>& lines) {
        std::vector<std::string> all{"KASID=" + tmp.path() + "/"};
        all.insert(all.end(), lines.begin(), lines.end());
        text::writeLines("LIRAFOK.INI", all);
    }
    // Starts the program and runs what start-up scheduled.
    void start() {
        app = std::make_unique<App>(services());
        registerWindows(*app);
        app->run("");
        sched.runDue();
    }
    // The next modal window must be `form`; the user answers it by clicking `control`.
    void answerModal(const std::string& form, const std::string& control) {
        m_modalAnswers.emplace_back(form, control);
    }
    bool modalAnswersLeft() const { return !m_modalAnswers.empty(); }
    // Checks a modal window as it shows, before it is answered.
    std::function<void(ui::Form&)> onModalShown;
    // The message boxes shown since the last call.
    std::vector<std::string> messages() {
        std::vector<std::string> out;
        for (const scenario::MessageRecord& m : dialogs.shown) out.push_back(m.text);
        dialogs.shown.clear();
        return out;
    }
    CDOKE& main() { return app->form<CDOKE>(); }
    const std::string& dir() const { return tmp.path(); }

    TempFolder tmp{"window"};
    std::unique_ptr<App> app;

private:
    std::string m_oldCwd;
    std::deque<std::pair<std::string, std::string>> m_modalAnswers;  // window, control
};

}  // namespace lirafok::testing
