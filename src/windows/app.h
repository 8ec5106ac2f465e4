#pragma once
// One running program: the shared state, the services, the drives and every window.
//
// The composition root (the GUI main or the headless runner) builds the services and the
// drive set, constructs the App and calls run(). Windows are created on first use and
// discarded when unloaded; a fresh object is made on the next use.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "player/player_hooks.h"
#include "ui/form.h"
#include "ui/scheduler.h"
#include "ui/services.h"
#include "windows/drive_set.h"

namespace lirafok {

class CDOKE;
class CDKASIF;
class CDKASIF2;

// Fills the lyrics display's routines into the player's hooks.
void installLyricsHooks(App& app);

struct Services {
    ui::Scheduler& scheduler;
    ui::FormHost& host;
    ui::Dialogs& dialogs;
    ui::SoundCues& cues;
    ui::ScreenSaver& saver;
    ui::Clipboard& clipboard;
    ui::Printer& printer;
    ui::InstalledFonts& fonts;
    ui::Screen& screen;
    ui::InstanceLock& instance;
    DriveSet& drives;
};

class App {
public:
    explicit App(Services services);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    AppState state;
    Services svc;
    PlayerHooks playerHooks;

    // Program entry: ends at once (returns false) when another instance runs; otherwise shows
    // the main window, whose Form_Load runs the start-up. `commandLine` is empty or the
    // AutoPlay form "program-directory drive".
    bool run(const std::string& commandLine);
    const std::string& commandLine() const { return m_commandLine; }

    // Ends the program: every window closes without further events; onEnded then fires.
    void endProgram();
    bool ended() const { return m_ended; }
    std::function<void()> onEnded;

    // The device of the current default drive (may change when the default drive changes).
    device::CdAudioDevice* currentDevice();
    int currentDriveIndex() const { return m_driveIndex; }
    void setCurrentDriveIndex(int i) { m_driveIndex = i; }

    // Windows. The accessors create and load a window on first use (like referring to it).
    CDOKE& cdoke();
    CDKASIF& cdkasif();
    CDKASIF2& cdkasif2();

    // A window by name, or nullptr. With load = false only a loaded window is returned.
    ui::Form* findForm(const std::string& name, bool load);
    // Whether the window is loaded, without creating it.
    bool isLoaded(const std::string& name) const;
    // Unloads the window when it is loaded (program-initiated close).
    void unloadForm(const std::string& name);
    std::vector<ui::Form*> loadedForms() const;

    // Sound cues and the screen saver, as every window uses them.
    void PlayOkCue();
    void PlayErrorCue();
    int msgBox(const std::string& text, int style = 0, const std::string& title = "LIRAFOK");

private:
    struct Slot;
    Slot& slot(const std::string& name);
    ui::Form& get(const std::string& name);
    void retire(ui::Form& form);
    void installHooks();

    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::unique_ptr<ui::Form>> m_retired;
    std::string m_commandLine;
    bool m_ended = false;
    int m_driveIndex = 0;
};

}  // namespace lirafok
