// Windows by name: what the App does with a built window, a reserved one and an unknown name.
#include <gtest/gtest.h>

#include <stdexcept>

#include "common/app.h"
#include "scenario/headless.h"

namespace lirafok {
namespace {

class Probe : public ui::Form {
public:
    explicit Probe(App& app) : ui::Form(app.svc.host, "PROBE") {}
    int loads = 0;

protected:
    void Form_Load() override { ++loads; }
};

class WindowsByName : public ::testing::Test, protected scenario::HeadlessMachine {
protected:
    App app{services()};
    void SetUp() override {
        app.registerForm("PROBE", [](App& a) { return std::make_unique<Probe>(a); });
        app.reserveForm("LATER");
    }
};

TEST_F(WindowsByName, BuiltReservedAndUnknownWindows) {
    // A built window: not loaded until used, loaded once, unloaded by name.
    EXPECT_FALSE(app.isLoaded("PROBE"));
    EXPECT_TRUE(app.show("PROBE"));
    auto* probe = static_cast<Probe*>(app.loadedForm("PROBE"));
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(probe->shown());
    EXPECT_EQ(probe->loads, 1);
    EXPECT_EQ(&app.form("PROBE"), probe);
    EXPECT_EQ(probe->loads, 1);
    app.unloadForm("PROBE");
    EXPECT_FALSE(app.isLoaded("PROBE"));

    // A reserved window: showing and closing do nothing, asking for the window is an error.
    EXPECT_FALSE(app.show("LATER"));
    EXPECT_NO_THROW(app.unloadForm("LATER"));
    EXPECT_FALSE(app.isLoaded("LATER"));
    EXPECT_FALSE(app.isRegistered("LATER"));
    EXPECT_THROW(app.form("LATER"), std::logic_error);

    // An unknown name is a programming error wherever it is used to act on a window.
    EXPECT_THROW(app.show("CDNONE"), std::logic_error);
    EXPECT_THROW(app.unloadForm("CDNONE"), std::logic_error);
    EXPECT_THROW(app.form("CDNONE"), std::logic_error);
    EXPECT_THROW(app.registerForm("PROBE", nullptr), std::logic_error);
    EXPECT_EQ(app.loadedForm("CDNONE"), nullptr);
}

// A runner starts a program again on the same scheduler: a program that is gone, with windows
// closed just before its end, leaves nothing on it that would run into the freed App.
TEST(AppLifetime, NothingOfAnEndedProgramRunsAfterIt) {
    scenario::HeadlessMachine machine;
    for (bool ended : {false, true}) {
        {
            App app{machine.services()};
            app.registerForm("PROBE", [](App& a) { return std::make_unique<Probe>(a); });
            app.show("PROBE");
            app.unloadForm("PROBE");
            if (ended) app.endProgram();
        }
        EXPECT_EQ(machine.sched.nextDue(), -1) << "ended " << ended;
        machine.sched.advance(10);
    }
}

}  // namespace
}  // namespace lirafok
