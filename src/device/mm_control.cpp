#include "device/mm_control.h"

#include <algorithm>

namespace lirafok::device {

namespace {
int spanEndCode(SpanEnd e) {
    switch (e) {
        case SpanEnd::Reached:
            return kNotifySuccessful;
        case SpanEnd::Superseded:
            return kNotifySuperseded;
        case SpanEnd::Aborted:
            return kNotifyAborted;
        case SpanEnd::Failed:
            return kNotifyFailure;
    }
    return kNotifyFailure;
}
}  // namespace

MMControl::MMControl(ui::Form& form, ui::Scheduler& scheduler, std::string name)
    : ui::Control(form, ui::ControlKind::MultimediaControl, std::move(name)),
      m_scheduler(scheduler),
      m_alive(std::make_shared<bool>(true)) {}

MMControl::~MMControl() {
    shutdown();
}

void MMControl::shutdown() {
    m_dead = true;
    *m_alive = false;
    if (m_statusTask) m_scheduler.cancel(m_statusTask);
    m_statusTask = 0;
}

void MMControl::setDevice(CdAudioDevice* device) {
    m_device = device;
}

DeviceMode MMControl::Mode() {
    if (!m_device || !m_device->isOpen()) {
        // A closed device still knows whether the tray is open.
        if (m_device && m_device->mode() == DeviceMode::DoorOpen) return DeviceMode::DoorOpen;
        return DeviceMode::NotReady;
    }
    return m_device->mode();
}

std::int32_t MMControl::Position() {
    if (!m_device || !m_device->isOpen()) return 0;
    return m_device->positionMs();
}

TrackInfo MMControl::trackInfo(int n) {
    if (!m_device || !m_device->isOpen()) return {};
    auto toc = m_device->tracks();
    if (n < 1 || n > static_cast<int>(toc.size())) return {};
    return toc[static_cast<std::size_t>(n - 1)];
}

std::int32_t MMControl::TrackPosition() {
    return trackInfo(m_track).startMs;
}
std::int32_t MMControl::TrackLength() {
    return trackInfo(m_track).lengthMs;
}

int MMControl::Tracks() {
    if (!m_device || !m_device->isOpen()) return 0;
    return static_cast<int>(m_device->tracks().size());
}

std::int32_t MMControl::Start() {
    if (!m_device || !m_device->isOpen()) return 0;
    return m_device->discStartMs();
}

std::int32_t MMControl::Length() {
    if (!m_device || !m_device->isOpen()) return 0;
    return m_device->discLengthMs();
}

void MMControl::setSilent(bool s) {
    m_silent = s;
    if (m_device) m_device->setSilent(s);
}

void MMControl::setVolumeWord(std::uint32_t word) {
    if (m_device) m_device->setVolumeWord(word);
}

bool MMControl::CanPlay() {
    return m_device && m_device->isOpen() && m_device->mediaPresent();
}

bool MMControl::CanEject() {
    return CanPlay();
}

void MMControl::setUpdateInterval(int ms) {
    m_updateInterval = ms < 0 ? 0 : ms;
    rearmStatus();
}

void MMControl::rearmStatus() {
    if (m_statusTask) m_scheduler.cancel(m_statusTask);
    m_statusTask = 0;
    ++m_statusGeneration;
    if (m_dead || m_updateInterval <= 0) return;
    unsigned gen = m_statusGeneration;
    m_statusTask = m_scheduler.schedule(m_updateInterval, [this, gen] {
        if (gen != m_statusGeneration) return;
        m_statusTask = 0;
        statusTick();
    });
}

void MMControl::statusTick() {
    unsigned before = m_statusGeneration;
    changed(ui::Prop::Buttons);
    if (onStatusUpdate) onStatusUpdate();
    if (!m_dead && before == m_statusGeneration) rearmStatus();
}

MMControl::OneShot MMControl::takeOneShot() {
    OneShot o{m_from, m_to, m_wait, m_notify, m_loop};
    m_from.reset();
    m_to.reset();
    m_loop.reset();
    m_wait = false;
    m_notify = false;
    return o;
}

void MMControl::postDone(int code) {
    std::weak_ptr<bool> alive = m_alive;
    m_scheduler.schedule(0, [this, alive, code] {
        auto a = alive.lock();
        if (!a || !*a) return;
        if (onDone) onDone(code);
    });
}

int MMControl::doPlay(const OneShot& o) {
    if (!m_device || !m_device->isOpen()) return errors::kDeviceNotOpen;
    if (!o.from && !o.to && m_device->mode() == DeviceMode::Paused) return m_device->resume();
    std::int32_t from = o.from ? *o.from : m_device->positionMs();
    std::int32_t to = o.to ? *o.to : -1;
    if (o.loop) {
        const int err = m_device->playLoop(from, o.loop->first, o.loop->second);
        if (err != errors::kUnsupportedFunction) {
            if (err == errors::kNone) m_deviceLoop = o.loop;
            return err;
        }
    }
    SpanEndHandler handler;
    if (o.notify) {
        std::weak_ptr<bool> alive = m_alive;
        handler = [this, alive](SpanEnd e) {
            auto a = alive.lock();
            if (!a || !*a) return;
            postDone(spanEndCode(e));
        };
    }
    return m_device->play(from, to, std::move(handler));
}

int MMControl::eject() {
    if (m_device->isOpen()) return m_device->eject();
    // The player closes the device before it ejects (the no-disc reset comes first); the tray
    // still opens, through a short-lived session that leaves the device closed again.
    if (int err = m_device->open()) return err;
    int err = m_device->eject();
    m_device->close();
    return err;
}

int MMControl::doSkip(bool next, const OneShot& o) {
    if (!m_device || !m_device->isOpen()) return errors::kDeviceNotOpen;
    auto toc = m_device->tracks();
    if (toc.empty()) return errors::kDeviceNotReady;
    std::int32_t pos = m_device->positionMs();
    int current = 1;
    for (int i = static_cast<int>(toc.size()); i >= 1; --i) {
        if (toc[static_cast<std::size_t>(i - 1)].startMs <= pos) {
            current = i;
            break;
        }
    }
    int target = current;
    if (next) {
        if (current >= static_cast<int>(toc.size())) return 0;  // no track after the last
        target = current + 1;
    } else if (pos - toc[static_cast<std::size_t>(current - 1)].startMs < 3000 && current > 1) {
        // Within the first three seconds of a track, Prev goes to the track before.
        target = current - 1;
    }
    std::int32_t start = toc[static_cast<std::size_t>(target - 1)].startMs;
    DeviceMode mode = m_device->mode();
    m_track = target;
    if (mode == DeviceMode::Playing) {
        OneShot play = o;
        play.from = start;
        play.to.reset();
        return doPlay(play);
    }
    return m_device->seek(start);
}

bool MMControl::queueNext(std::int32_t atMs, std::int32_t fromMs, std::int32_t toMs,
                          bool everyPass) {
    return m_device && m_device->isOpen() &&
           m_device->queueJump(atMs, fromMs, toMs, everyPass) == 0;
}

bool MMControl::WakeWhenHeard(std::int32_t atMs, std::function<void()> onHeard) {
    if (!m_device || !m_device->isOpen()) return false;
    if (!onHeard) return m_device->wakeWhenHeard(atMs, nullptr);
    std::weak_ptr<bool> alive = m_alive;
    return m_device->wakeWhenHeard(atMs, [alive, onHeard = std::move(onHeard)] {
        auto a = alive.lock();
        if (a && *a) onHeard();
    });
}

std::optional<std::pair<std::int32_t, std::int32_t>> MMControl::Loop() {
    if (m_deviceLoop && !(m_device && m_device->looping())) m_deviceLoop.reset();
    return m_deviceLoop;
}

int MMControl::command(Command c) {
    OneShot o = takeOneShot();
    // Any command but Pause (which holds and resumes the same span) ends a loop.
    if (c != Command::Pause) m_deviceLoop.reset();
    int err = 0;
    if (!m_device) {
        err = errors::kDeviceNotOpen;
    } else {
        switch (c) {
            case Command::Open:
                err = m_device->open();
                break;
            case Command::Close:
                err = m_device->close();
                break;
            case Command::Eject:
                err = eject();
                break;
            case Command::Stop:
                err = m_device->isOpen() ? m_device->stop() : errors::kDeviceNotOpen;
                break;
            case Command::Play:
                err = doPlay(o);
                m_error = err;
                if (err && o.notify) postDone(kNotifyFailure);
                return err;
            case Command::Seek:
                if (!m_device->isOpen())
                    err = errors::kDeviceNotOpen;
                else
                    err =
                        m_device->seek(o.to ? *o.to : (o.from ? *o.from : m_device->discStartMs()));
                break;
            case Command::Pause:
                if (!m_device->isOpen())
                    err = errors::kDeviceNotOpen;
                else if (m_device->mode() == DeviceMode::Paused)
                    err = m_device->resume();
                else
                    err = m_device->pause();
                break;
            case Command::Next:
            case Command::Prev:
                err = doSkip(c == Command::Next, o);
                break;
        }
    }
    m_error = err;
    if (o.notify) postDone(err ? kNotifyFailure : kNotifySuccessful);
    changed(ui::Prop::Buttons);
    return err;
}

bool MMControl::buttonEnabled(TransportButton b) {
    if (!enabled()) return false;
    DeviceMode mode = Mode();
    bool disc =
        mode == DeviceMode::Stopped || mode == DeviceMode::Playing || mode == DeviceMode::Paused;
    switch (b) {
        case TransportButton::Prev:
        case TransportButton::Next:
            return disc;
        case TransportButton::Play:
            return mode == DeviceMode::Stopped || mode == DeviceMode::Paused;
        case TransportButton::Pause:
            return mode == DeviceMode::Playing;
        case TransportButton::Stop:
            return mode == DeviceMode::Playing || mode == DeviceMode::Paused;
        case TransportButton::Eject:
            // With no disc in, Eject closes the tray (puts the ejected disc back).
            return m_device != nullptr;
    }
    return false;
}

void MMControl::userButton(TransportButton b) {
    bool cancel = false;
    std::function<void(bool&)>* click = nullptr;
    std::function<void(int)>* done = nullptr;
    Command what = Command::Play;
    switch (b) {
        case TransportButton::Play:
            click = &onPlayClick;
            done = &onPlayCompleted;
            what = Command::Play;
            break;
        case TransportButton::Pause:
            click = &onPauseClick;
            done = &onPauseCompleted;
            what = Command::Pause;
            break;
        case TransportButton::Stop:
            click = &onStopClick;
            done = &onStopCompleted;
            what = Command::Stop;
            break;
        case TransportButton::Next:
            click = &onNextClick;
            done = &onNextCompleted;
            what = Command::Next;
            break;
        case TransportButton::Prev:
            click = &onPrevClick;
            done = &onPrevCompleted;
            what = Command::Prev;
            break;
        case TransportButton::Eject:
            click = &onEjectClick;
            done = &onEjectCompleted;
            what = Command::Eject;
            break;
    }
    std::weak_ptr<bool> alive = m_alive;
    if (*click) (*click)(cancel);
    if (alive.expired() || !*m_alive) return;
    if (cancel) {
        takeOneShot();
    } else {
        const int err = command(what);
        // A pressed Stop keeps the focus: the window refreshes its times when it loses it
        // (onStopLostFocus, raised by the front end's focus model), not here.
        if (*done) (*done)(err);
        if (alive.expired() || !*m_alive) return;
    }
    if (onButtonDone) onButtonDone();
}

}  // namespace lirafok::device
