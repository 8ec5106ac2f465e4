#include "common/app.h"

#include <map>
#include <stdexcept>

namespace lirafok {

namespace {

// The look-ups of a program without a network: every request answers Offline, posted as a
// real service would post it.
class OfflineLookup final : public ui::OnlineLookup {
public:
    explicit OfflineLookup(ui::Scheduler& scheduler) : m_scheduler(scheduler) {}
    ~OfflineLookup() override {
        for (const auto& [id, task] : m_tasks) m_scheduler.cancel(task);
    }
    ui::OnlineRequestId lookupDisc(const ui::OnlineServers&, const DiscToc&,
                                   std::function<void(ui::DiscLookupResult)> done) override {
        return answer([done] { done({{ui::OnlineStatus::Offline}, {}}); });
    }
    ui::OnlineRequestId lookupLyrics(const ui::OnlineServers&, const ui::LyricsQuery&,
                                     std::function<void(ui::LyricsResult)> done) override {
        return answer([done] { done({{ui::OnlineStatus::Offline}, {}, {}, false}); });
    }
    ui::OnlineRequestId publishLyrics(const ui::OnlineServers&, const ui::PublishRequest&,
                                      std::function<void(ui::PublishResult)> done) override {
        return answer([done] { done({{ui::OnlineStatus::Offline}}); });
    }
    void cancel(ui::OnlineRequestId id) override {
        if (auto it = m_tasks.find(id); it != m_tasks.end()) {
            m_scheduler.cancel(it->second);
            m_tasks.erase(it);
        }
    }

private:
    ui::OnlineRequestId answer(std::function<void()> done) {
        const ui::OnlineRequestId id = ++m_last;
        m_tasks[id] = m_scheduler.schedule(0, [this, id, done] {
            m_tasks.erase(id);
            done();
        });
        return id;
    }
    ui::Scheduler& m_scheduler;
    ui::OnlineRequestId m_last = 0;
    std::map<ui::OnlineRequestId, ui::TaskId> m_tasks;
};

}  // namespace

ui::OnlineLookup& App::online() {
    if (svc.online) return *svc.online;
    if (!m_offline) m_offline = std::make_unique<OfflineLookup>(svc.scheduler);
    return *m_offline;
}

struct App::Slot {
    std::string name;
    FormFactory make;
    FormKey key = nullptr;  // typed look-ups; null for windows known by name only
    Caster cast = nullptr;
    std::unique_ptr<ui::Form> form;
};

App::App(Services services) : svc(services) {}

App::~App() {
    if (m_tellsUser) svc.drives.tellUser = nullptr;
    for (auto& s : m_slots)
        if (s->form) s->form->destroySilently();
    // The scheduler outlives the program (a runner may start another): nothing of this one
    // may run on it afterwards.
    if (m_clearTask) svc.scheduler.cancel(m_clearTask);
}

void App::registerForm(const std::string& name, FormFactory make) {
    registerForm(name, std::move(make), nullptr, nullptr);
}

void App::registerForm(const std::string& name, FormFactory make, FormKey key, Caster cast) {
    if (find(name)) throw std::logic_error("window registered twice: " + name);
    auto s = std::make_unique<Slot>();
    s->name = name;
    s->make = std::move(make);
    s->key = key;
    s->cast = cast;
    m_slots.push_back(std::move(s));
}

void App::reserveForm(const std::string& name) {
    registerForm(name, nullptr);
}

bool App::isRegistered(const std::string& name) const {
    Slot* s = find(name);
    return s && s->make;
}

App::Slot* App::find(const std::string& name) const {
    for (auto& s : m_slots)
        if (s->name == name) return s.get();
    return nullptr;
}

App::Slot& App::slot(const std::string& name) const {
    if (Slot* s = find(name)) return *s;
    throw std::logic_error("unknown window " + name);
}

App::Slot& App::slot(FormKey key) const {
    for (auto& s : m_slots)
        if (s->key == key) return *s;
    throw std::logic_error("a window class that was not registered");
}

void* App::cast(const Slot& s, ui::Form& f) {
    return s.cast(f);
}

ui::Form& App::form(const std::string& name) {
    return form(slot(name));
}

ui::Form& App::form(Slot& s) {
    if (!s.make) throw std::logic_error("window " + s.name + " is not built");
    if (!s.form) {
        s.form = s.make(*this);
        s.form->onUnloaded = [this](ui::Form& f) { retire(f); };
    }
    // Form_Load may end the program, which retires the window while it loads: keep a plain
    // pointer, the retired object lives until the event in progress returns.
    ui::Form* f = s.form.get();
    if (!f->loaded()) f->load();
    return *f;
}

bool App::show(const std::string& name, bool modal) {
    return show(slot(name), modal);
}

bool App::show(Slot& s, bool modal) {
    if (m_ended || !s.make) return false;
    ui::Form& f = form(s);
    if (m_ended || !f.loaded()) return false;
    if (modal) ++m_modalShows;
    f.show(modal);
    if (modal && --m_modalShows == 0 && !m_retired.empty()) scheduleClearRetired();
    return true;
}

void App::clearRetired() {
    if (m_modalShows == 0) m_retired.clear();
}

void App::scheduleClearRetired() {
    if (m_clearTask) return;
    m_clearTask = svc.scheduler.schedule(0, [this] {
        m_clearTask = 0;
        clearRetired();
    });
}

void App::retire(ui::Form& form) {
    // The window may be unloading from inside one of its own handlers: keep the object alive
    // until the event in progress has returned.
    for (auto& s : m_slots) {
        if (s->form.get() != &form) continue;
        m_retired.push_back(std::move(s->form));
        scheduleClearRetired();
        return;
    }
}

ui::Form* App::loadedForm(const std::string& name) const {
    Slot* s = find(name);
    return s ? loadedForm(*s) : nullptr;
}

ui::Form* App::loadedForm(const Slot& s) const {
    return s.form && s.form->loaded() ? s.form.get() : nullptr;
}

void App::unloadForm(const std::string& name) {
    unloadForm(slot(name));
}

void App::unloadForm(Slot& s) {
    if (s.form && s.form->loaded()) s.form->unload();
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
    // What a drive has to tell (a disc placed that cannot be read) shows as drops do.
    svc.drives.tellUser = [this](const std::string& message) {
        if (!m_ended) msgBox(message, ui::mb::kOkOnly + ui::mb::kExclamation, "LIRAFOK");
    };
    m_tellsUser = true;
    // The device plays from the stored default drive; the first drive when it cannot be read.
    std::string data;
    m_driveIndex = 0;
    if (svc.drives.readDefault(data) && !data.empty()) {
        int d = static_cast<unsigned char>(data[0]);
        if (d < static_cast<int>(svc.drives.names().size())) m_driveIndex = d;
    }
    if (!m_mainKey) throw std::logic_error("no main window");
    ui::Form& main = form(slot(m_mainKey));
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
