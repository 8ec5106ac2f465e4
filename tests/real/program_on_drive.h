#pragma once
// The whole program (its windows and routines, headless) on one real virtual drive: the disc
// folder's rip plays through the PCM pipeline into the given output.
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/app.h"
#include "common/drive_set.h"
#include "device/real/virtual_drive.h"
#include "device/silent_sink.h"
#include "scenario/headless.h"
#include "windows/windows.h"

namespace lirafok::testing {

class OneVirtualDrive final : public DriveSet {
public:
    explicit OneVirtualDrive(device::real::VirtualDrive& d) : m_drive(d) {}
    std::vector<std::string> names() override { return {m_drive.name()}; }
    bool readDefault(std::string& data) override {
        data = std::string(4, '\0');
        return true;
    }
    bool writeDefault(const std::string&) override { return true; }
    device::CdAudioDevice* device(int index) override { return index == 0 ? &m_drive : nullptr; }
    bool loadIntoVirtualDrive(const std::string& path, std::string* error) override {
        return m_drive.loadImage(path, error) == device::errors::kNone;
    }

private:
    device::real::VirtualDrive& m_drive;
};

// The whole program on one virtual drive of `discDir`, run from the program folder `dir`
// (the working directory while it lives).
struct ProgramOnVirtualDrive {
    // `makeSink`: the drive's output; a silent sink when empty.
    ProgramOnVirtualDrive(const std::string& dir, const std::string& discDir,
                          device::real::SinkFactory makeSink = {})
        : drive(
              discDir, "仮想ドライブ", m.sched,
              makeSink ? std::move(makeSink)
                       : [] { return std::make_unique<device::SilentSink>(); }),
          drives(drive) {
        EXPECT_NE(getcwd(old, sizeof old), nullptr);
        EXPECT_EQ(chdir(dir.c_str()), 0);
        drive.setUnreadableHandler([this](const std::string& message) {
            if (drives.tellUser) drives.tellUser(message);
        });
        app =
            std::make_unique<App>(Services{m.sched, m.host, m.dialogs, m.cues, m.saver, m.clipboard,
                                           m.printer, m.fonts, m.screen, m.instance, drives});
        registerWindows(*app);
    }
    ~ProgramOnVirtualDrive() {
        app->endProgram();
        app.reset();
        EXPECT_EQ(chdir(old), 0);
    }
    char old[4096] = {};
    scenario::HeadlessMachine m;
    device::real::VirtualDrive drive;
    OneVirtualDrive drives;
    std::unique_ptr<App> app;
};

}  // namespace lirafok::testing
