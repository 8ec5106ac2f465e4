#pragma once
// The whole program with its real Qt windows on the virtual drive of one disc folder, sound
// going nowhere (a silent sink): what the picture benches (CD+G, karaoke screen) measure.
#include <filesystem>
#include <memory>

#include "bench_program.h"
#include "common/app.h"
#include "device/real/virtual_drive.h"
#include "device/silent_sink.h"
#include "qt/qt_form_host.h"
#include "qt/qt_scheduler.h"

namespace lirafok::bench {

struct GuiMachine {
    qt::QtScheduler scheduler;
    qt::QtFormHost host;
    qt::QtScreen screen;
    scenario::HeadlessDialogs dialogs;
    scenario::HeadlessCues cues;
    scenario::HeadlessSaver saver;
    scenario::HeadlessClipboard clipboard;
    scenario::HeadlessPrinter printer;
    scenario::HeadlessFonts fonts;
    scenario::HeadlessInstance instance;
    std::unique_ptr<device::real::VirtualDrive> drive;
    std::unique_ptr<OneDrive> drives;
    std::unique_ptr<App> app;

    explicit GuiMachine(const std::filesystem::path& disc) {
        drive = std::make_unique<device::real::VirtualDrive>(
            disc.string(), "仮想ドライブ", scheduler,
            [] { return std::make_unique<device::SilentSink>(); });
        drives = std::make_unique<OneDrive>(*drive);
        app = std::make_unique<App>(Services{scheduler, host, dialogs, cues, saver, clipboard,
                                             printer, fonts, screen, instance, *drives});
        registerWindows(*app);
    }
    ~GuiMachine() {
        if (app) app->endProgram();
    }
};

}  // namespace lirafok::bench
