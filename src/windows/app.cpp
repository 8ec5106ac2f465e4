#include "windows/app.h"

#include "catalogue/catalogue_routines.h"
#include "lyrics/cdkasif.h"
#include "lyrics/cdkasif2.h"
#include "player/cdoke.h"
#include "player/layout.h"
#include "player/player_routines.h"
#include "settings/font_routines.h"

namespace lirafok {

struct App::Slot {
    std::string name;
    std::function<std::unique_ptr<ui::Form>()> make;
    std::unique_ptr<ui::Form> form;
};

App::App(Services services) : svc(services) {
    auto add = [this](std::string name, std::function<std::unique_ptr<ui::Form>()> make) {
        auto s = std::make_unique<Slot>();
        s->name = std::move(name);
        s->make = std::move(make);
        m_slots.push_back(std::move(s));
    };
    add("CDOKE", [this] { return std::make_unique<CDOKE>(*this); });
    add("CDKASIF", [this] { return std::make_unique<CDKASIF>(*this); });
    add("CDKASIF2", [this] { return std::make_unique<CDKASIF2>(*this); });
    installHooks();
}

void App::installHooks() {
    PlayerHooks& h = playerHooks;
    auto none = [](App&) {};
    for (auto* f :
         {&h.AutoPlayStart,     &h.LookupDisc,        &h.ShowTrackLyrics,   &h.PlayNextListEntry,
          &h.ToggleLayout,      &h.ShowDiscFonts,     &h.RepeatChecks,      &h.ScanStep,
          &h.ConfirmLyricsSave, &h.ConfirmDataSave,   &h.ConfirmTimingSave, &h.OpenDataWindow,
          &h.OpenTapeEditor,    &h.OpenProgramEditor, &h.OpenSettings,      &h.OpenRepeatWindow,
          &h.NormalClick,       &h.RandomClick,       &h.ScanClick,         &h.PrivateClick,
          &h.ResetToNormalPlay})
        *f = none;
    h.LookupDisc = [](App& a) { LookupDisc(a); };
    h.ToggleLayout = [](App& a) { ToggleLayout(a); };
    h.ShowDiscFonts = [](App& a) { ShowDiscFonts(a); };
    h.NormalClick = [](App& a) { NormalClick(a); };
    h.ResetToNormalPlay = [](App& a) { ResetToNormalPlay(a); };
    installLyricsHooks(*this);
}

PlayerHooks& hooks(App& app) {
    return app.playerHooks;
}

App::~App() {
    for (auto& s : m_slots)
        if (s->form) s->form->destroySilently();
}

App::Slot& App::slot(const std::string& name) {
    for (auto& s : m_slots)
        if (s->name == name) return *s;
    throw std::logic_error("unknown window " + name);
}

ui::Form& App::get(const std::string& name) {
    Slot& s = slot(name);
    if (!s.form) {
        s.form = s.make();
        s.form->onUnloaded = [this](ui::Form& f) { retire(f); };
    }
    // Form_Load may end the program, which retires the window while it loads: keep a plain
    // pointer, the retired object lives until the event in progress returns.
    ui::Form* f = s.form.get();
    if (!f->loaded()) f->load();
    return *f;
}

void App::retire(ui::Form& form) {
    // The window may be unloading from inside one of its own handlers: keep the object alive
    // until the event in progress has returned.
    for (auto& s : m_slots) {
        if (s->form.get() != &form) continue;
        m_retired.push_back(std::move(s->form));
        if (m_retired.size() == 1) svc.scheduler.schedule(0, [this] { m_retired.clear(); });
        return;
    }
}

CDOKE& App::cdoke() {
    return static_cast<CDOKE&>(get("CDOKE"));
}
CDKASIF& App::cdkasif() {
    return static_cast<CDKASIF&>(get("CDKASIF"));
}
CDKASIF2& App::cdkasif2() {
    return static_cast<CDKASIF2&>(get("CDKASIF2"));
}

ui::Form* App::findForm(const std::string& name, bool load) {
    for (auto& s : m_slots) {
        if (s->name != name) continue;
        if (load && !m_ended) return &get(name);
        return s->form && s->form->loaded() ? s->form.get() : nullptr;
    }
    return nullptr;
}

bool App::isLoaded(const std::string& name) const {
    for (auto& s : m_slots)
        if (s->name == name) return s->form && s->form->loaded();
    return false;
}

void App::unloadForm(const std::string& name) {
    for (auto& s : m_slots)
        if (s->name == name && s->form && s->form->loaded()) s->form->unload();
}

std::vector<ui::Form*> App::loadedForms() const {
    std::vector<ui::Form*> out;
    for (auto& s : m_slots)
        if (s->form && s->form->loaded()) out.push_back(s->form.get());
    return out;
}

bool App::run(const std::string& commandLine) {
    if (!svc.instance.acquire()) {
        m_ended = true;
        return false;
    }
    m_commandLine = commandLine;
    // The device plays from the stored default drive; the first drive when it cannot be read.
    std::string data;
    m_driveIndex = 0;
    if (svc.drives.readDefault(data) && !data.empty()) {
        int d = static_cast<unsigned char>(data[0]);
        if (d < static_cast<int>(svc.drives.names().size())) m_driveIndex = d;
    }
    CDOKE& main = cdoke();
    if (!m_ended) main.show();
    return !m_ended;
}

void App::endProgram() {
    if (m_ended) return;
    m_ended = true;
    for (auto& s : m_slots)
        if (s->form) s->form->destroySilently();
    if (onEnded) onEnded();
}

device::CdAudioDevice* App::currentDevice() {
    return svc.drives.device(m_driveIndex);
}

void App::PlayOkCue() {
    if (state.SOUND == 1) svc.cues.play(state.AppDir + "LIRAFOK1.WAV");
}

void App::PlayErrorCue() {
    if (state.SOUND == 1) svc.cues.play(state.AppDir + "LIRAFOK2.WAV");
}

int App::msgBox(const std::string& text, int style, const std::string& title) {
    return svc.dialogs.messageBox(text, style, title);
}

}  // namespace lirafok
