#pragma once
// One running program: the shared state, the services, the drives and the windows by name.
//
// The front end (the GUI main or the headless runner) builds the services and the drive set,
// constructs the App, lets the composition root register every window's factory and calls
// run(). Windows are created on first use and discarded when unloaded; a fresh object is made
// on the next use. The App knows windows only by their names.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/drive_set.h"
#include "core/app_state.h"
#include "ui/form.h"
#include "ui/online.h"
#include "ui/scheduler.h"
#include "ui/services.h"

namespace lirafok {

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
    // Online look-ups; without one every look-up answers Offline (a build or a test that has
    // no network).
    ui::OnlineLookup* online = nullptr;
};

// A window class's identity for the typed look-ups: one address per class. It needs only a
// declaration of the class, so a window may show one that lives in a folder above its own.
template <class W>
inline constexpr char kFormKey = 0;
using FormKey = const char*;

class App {
public:
    using FormFactory = std::function<std::unique_ptr<ui::Form>(App&)>;

    explicit App(Services services);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    AppState state;
    Services svc;

    // Makes window class W known under W::kName, made as an `Impl` (W itself, or a class
    // derived from it). The typed look-ups below find it. Registering a name twice is a
    // programming error.
    template <class W, class Impl = W>
    void registerForm() {
        registerForm(
            W::kName, [](App& a) -> std::unique_ptr<ui::Form> { return std::make_unique<Impl>(a); },
            &kFormKey<W>,
            [](ui::Form& f) -> void* { return static_cast<W*>(static_cast<Impl*>(&f)); });
    }
    // A window known by its name only (tests, and windows the typed look-ups never ask for).
    void registerForm(const std::string& name, FormFactory make);
    bool isRegistered(const std::string& name) const;
    // Makes a name known as a window of the program that this build does not have yet: showing
    // it does nothing (show() is false) and closing it is no error, but asking for the window
    // itself is.
    void reserveForm(const std::string& name);

    // The main window, shown first by run(); registered before run() is called.
    template <class W>
    void setMainForm() {
        m_mainKey = &kFormKey<W>;
    }

    // --- typed look-ups: the window of class W (registered with registerForm<W>) ---
    // Created and loaded on first use.
    template <class W>
    W& form() {
        Slot& s = slot(&kFormKey<W>);
        ui::Form& f = form(s);
        return *static_cast<W*>(cast(s, f));
    }
    // The window when it is loaded, else nullptr; never creates one.
    template <class W>
    W* loaded() const {
        Slot& s = slot(&kFormKey<W>);
        ui::Form* f = loadedForm(s);
        return f ? static_cast<W*>(cast(s, *f)) : nullptr;
    }
    // The same window as its base, for code that knows the class only by its declaration.
    template <class W>
    ui::Form* loadedForm() const {
        return loadedForm(slot(&kFormKey<W>));
    }
    template <class W>
    bool isLoaded() const {
        return loadedForm(slot(&kFormKey<W>)) != nullptr;
    }
    // As show(name, modal).
    template <class W>
    bool show(bool modal = false) {
        return show(slot(&kFormKey<W>), modal);
    }
    // As unloadForm(name).
    template <class W>
    void unload() {
        unloadForm(slot(&kFormKey<W>));
    }

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

    // --- look-ups by name, for the scenario runner and the front end ---
    // The window `name`, created and loaded on first use (like referring to it). An unknown
    // name throws std::logic_error.
    ui::Form& form(const std::string& name);
    // Shows the window (modal: returns when it is closed). False, and nothing happens, for a
    // reserved window or once the program has ended; an unknown name throws std::logic_error.
    bool show(const std::string& name, bool modal = false);
    // The window when it is loaded, else nullptr; never creates one. Unknown names give nullptr.
    ui::Form* loadedForm(const std::string& name) const;
    bool isLoaded(const std::string& name) const { return loadedForm(name) != nullptr; }
    // Unloads the window when it is loaded (program-initiated close). An unknown name throws
    // std::logic_error: closing a window the program does not have is a programming error.
    void unloadForm(const std::string& name);
    std::vector<ui::Form*> loadedForms() const;

    // The online look-ups of this program (the service given, or one that is always offline).
    ui::OnlineLookup& online();

    // Sound cues and the message box, as every window uses them.
    void PlayOkCue();
    void PlayErrorCue();
    int msgBox(const std::string& text, int style = 0, const std::string& title = "LIRAFOK");

private:
    struct Slot;
    using Caster = void* (*)(ui::Form&);
    void registerForm(const std::string& name, FormFactory make, FormKey key, Caster cast);
    Slot* find(const std::string& name) const;
    Slot& slot(const std::string& name) const;
    Slot& slot(FormKey key) const;
    static void* cast(const Slot& s, ui::Form& f);
    ui::Form& form(Slot& s);
    bool show(Slot& s, bool modal);
    ui::Form* loadedForm(const Slot& s) const;
    void unloadForm(Slot& s);
    void retire(ui::Form& form);

    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::unique_ptr<ui::Form>> m_retired;
    // Modal windows being shown: while one is, its own loop runs the scheduler, and retired
    // windows (the modal one among them) must outlive the show that is still on the stack.
    int m_modalShows = 0;
    void clearRetired();
    // At most one pending clearRetired() at a time; cancelled when the App ends.
    void scheduleClearRetired();
    ui::TaskId m_clearTask = 0;
    std::string m_commandLine;
    bool m_ended = false;
    bool m_tellsUser = false;  // the drive set's tellUser is this program's
    int m_driveIndex = 0;
    FormKey m_mainKey = nullptr;
    std::unique_ptr<ui::OnlineLookup> m_offline;
};

}  // namespace lirafok
