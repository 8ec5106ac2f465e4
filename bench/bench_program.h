#pragma once
// The whole program for a bench: the real windows and routines on one real drive and a real
// scheduler, with the headless runner's scripted dialogs and recorded cues.
#include <string>
#include <vector>

#include "common/app.h"
#include "common/drive_set.h"
#include "device/cd_audio_device.h"
#include "scenario/headless.h"
#include "windows/windows.h"

namespace lirafok::bench {

// A machine with this one drive as its default.
class OneDrive final : public DriveSet {
public:
    explicit OneDrive(device::CdAudioDevice& d) : m_device(d) {}
    std::vector<std::string> names() override { return {m_device.name()}; }
    bool readDefault(std::string& data) override { return data.assign(4, '\0'), true; }
    bool writeDefault(const std::string&) override { return true; }
    device::CdAudioDevice* device(int index) override { return index == 0 ? &m_device : nullptr; }

private:
    device::CdAudioDevice& m_device;
};

struct BenchProgram {
    BenchProgram(ui::Scheduler& scheduler, device::CdAudioDevice& drive)
        : drives(drive),
          app({scheduler, host, dialogs, cues, saver, clipboard, printer, fonts, screen, instance,
               drives}) {
        registerWindows(app);
    }

    scenario::HeadlessDialogs dialogs;
    scenario::HeadlessCues cues;
    scenario::HeadlessSaver saver;
    scenario::HeadlessClipboard clipboard;
    scenario::HeadlessPrinter printer;
    scenario::HeadlessFonts fonts;
    scenario::HeadlessScreen screen;
    scenario::HeadlessInstance instance;
    scenario::HeadlessHost host;
    OneDrive drives;
    App app;
};

}  // namespace lirafok::bench
