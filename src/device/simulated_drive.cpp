#include "device/simulated_drive.h"

#include <algorithm>
#include <cctype>

namespace lirafok::device {

namespace {
std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
}  // namespace

SimulatedDrive::SimulatedDrive(ui::Scheduler& scheduler, std::string name)
    : m_scheduler(scheduler), m_name(std::move(name)) {}

SimulatedDrive::~SimulatedDrive() {
    if (m_endTask) m_scheduler.cancel(m_endTask);
}

void SimulatedDrive::insertDisc(const std::vector<std::int32_t>& lengths,
                                std::optional<std::int32_t> lengthOverride) {
    endSpan(SpanEnd::Failed);
    m_ejected.reset();
    m_tracks.clear();
    m_text = {};
    m_graphics = nullptr;
    std::int32_t start = 2000, sum = 0;
    for (std::int32_t len : lengths) {
        m_tracks.push_back({start, len});
        start += len;
        sum += len;
    }
    m_length = lengthOverride ? *lengthOverride : sum;
    m_hasDisc = true;
    m_doorOpen = false;
    m_state = State::Stopped;
    m_position = m_tracks.empty() ? 0 : m_tracks.front().startMs;
}

void SimulatedDrive::insertEmptyDisc() {
    insertDisc({});
    m_length = 0;
}

void SimulatedDrive::removeDisc() {
    endSpan(SpanEnd::Failed);
    m_hasDisc = false;
    m_tracks.clear();
    m_length = 0;
    m_doorOpen = false;
    m_state = State::Stopped;
    m_position = 0;
}

void SimulatedDrive::openDoor() {
    endSpan(SpanEnd::Failed);
    m_doorOpen = true;
    m_hasDisc = false;
    m_tracks.clear();
    m_length = 0;
    m_state = State::Stopped;
    m_position = 0;
}

void SimulatedDrive::closeDoor() {
    m_doorOpen = false;
}

void SimulatedDrive::failNext(const std::string& command) {
    m_failNext.insert(lower(command));
}

bool SimulatedDrive::failing(const std::string& command) {
    auto it = m_failNext.find(lower(command));
    if (it == m_failNext.end()) return false;
    m_failNext.erase(it);
    return true;
}

int SimulatedDrive::ready(const std::string& command) {
    if (failing(command)) return errors::kHardware;
    if (!m_open) return errors::kDeviceNotOpen;
    if (m_doorOpen || !m_hasDisc) return errors::kDeviceNotReady;
    return 0;
}

int SimulatedDrive::open() {
    if (m_failOpen || failing("open")) return errors::kCannotLoadDriver;
    m_open = true;
    return 0;
}

int SimulatedDrive::close() {
    if (failing("close")) return errors::kHardware;
    endSpan(SpanEnd::Aborted);
    if (m_state != State::Stopped) {
        m_position = positionMs();
        m_state = State::Stopped;
    }
    m_open = false;
    return 0;
}

bool SimulatedDrive::mediaPresent() {
    return m_open && m_hasDisc && !m_doorOpen;
}

std::vector<TrackInfo> SimulatedDrive::tracks() {
    if (!mediaPresent()) return {};
    return m_tracks;
}

std::int32_t SimulatedDrive::discStartMs() {
    return mediaPresent() && !m_tracks.empty() ? m_tracks.front().startMs : 0;
}

std::int32_t SimulatedDrive::discLengthMs() {
    return mediaPresent() ? m_length : 0;
}

std::int32_t SimulatedDrive::discEnd() const {
    if (m_tracks.empty()) return 0;
    return m_tracks.back().startMs + m_tracks.back().lengthMs;
}

void SimulatedDrive::settle() {
    if (m_state != State::Playing) return;
    for (std::int64_t pos; m_jump && (pos = m_spanFrom + discElapsed()) >= m_jump->at;) {
        // The disc time played past the jump's frame goes on in the new span.
        const std::int64_t over = pos - m_jump->at;
        m_spanFrom = m_jump->from;
        m_spanTo = m_jump->to;
        m_startedAt = m_scheduler.nowMs() - over * 100 / m_keyTempo.tempo;
        ++m_jumpsHeard;
        if (!m_jump->everyPass) m_jump.reset();
        armEnd();
    }
    std::int64_t pos = m_spanFrom + discElapsed();
    if (pos >= m_spanTo) {
        m_position = m_spanTo;
        m_state = State::Stopped;
        endSpan(SpanEnd::Reached);
    }
}

DeviceMode SimulatedDrive::mode() {
    if (m_doorOpen) return DeviceMode::DoorOpen;
    if (!m_open || !m_hasDisc) return DeviceMode::NotReady;
    settle();
    switch (m_state) {
        case State::Playing:
            return DeviceMode::Playing;
        case State::Paused:
            return DeviceMode::Paused;
        case State::Stopped:
            break;
    }
    return DeviceMode::Stopped;
}

std::int32_t SimulatedDrive::positionMs() {
    if (!m_open || !m_hasDisc || m_doorOpen) return 0;
    settle();
    if (m_state == State::Playing)
        return static_cast<std::int32_t>(m_spanFrom +
                                         std::max<std::int64_t>(0, discElapsed() - m_lagMs));
    return m_position;
}

void SimulatedDrive::endSpan(SpanEnd why) {
    if (m_endTask) m_scheduler.cancel(m_endTask);
    m_endTask = 0;
    m_jump.reset();
    if (!m_onEnd) return;
    SpanEndHandler h = std::move(m_onEnd);
    m_onEnd = nullptr;
    h(why);
}

void SimulatedDrive::armEnd() {
    if (m_endTask) m_scheduler.cancel(m_endTask);
    m_endTask = 0;
    // At another tempo the span's disc time takes longer or shorter to play.
    const std::int64_t target = m_jump ? std::min(m_jump->at, m_spanTo) : m_spanTo;
    const std::int64_t since = m_scheduler.nowMs() - m_startedAt;
    std::int64_t due = (target - m_spanFrom) * 100 / m_keyTempo.tempo - since;
    while (m_spanFrom + (since + due) * m_keyTempo.tempo / 100 < target) ++due;
    m_endTask = m_scheduler.schedule(due < 0 ? 0 : due, [this] {
        m_endTask = 0;
        settle();
    });
}

int SimulatedDrive::play(std::int32_t fromMs, std::int32_t toMs, SpanEndHandler onEnd) {
    if (int e = ready("play")) return e;
    settle();
    std::int32_t end = discEnd();
    std::int32_t requestedTo = toMs;
    if (toMs < 0 || toMs > end) toMs = end;
    if (fromMs < 0 || fromMs > end) return errors::kOutOfRange;
    if (m_state == State::Playing || m_state == State::Paused) endSpan(SpanEnd::Superseded);
    m_jump.reset();
    m_lastPlay = {fromMs, requestedTo < 0 ? -1 : toMs};
    m_spanFrom = fromMs;
    m_spanTo = toMs;
    m_startedAt = m_scheduler.nowMs();
    m_onEnd = std::move(onEnd);
    m_state = State::Playing;
    if (toMs <= fromMs) {
        settle();
        return 0;
    }
    armEnd();
    return 0;
}

int SimulatedDrive::queueJump(std::int32_t atMs, std::int32_t fromMs, std::int32_t toMs,
                              bool everyPass) {
    if (!m_canJump) return errors::kUnsupportedFunction;
    if (int e = ready("jump")) return e;
    settle();
    if (m_state != State::Playing && m_state != State::Paused) return errors::kOutOfRange;
    if (fromMs < 0) {
        m_jump.reset();
    } else {
        if (toMs < 0 || toMs > discEnd()) toMs = discEnd();
        if (atMs < 0) atMs = m_spanTo;
        const std::int64_t heard =
            m_state == State::Playing ? m_spanFrom + discElapsed() : m_position;
        if (atMs <= heard || atMs > m_spanTo || fromMs >= toMs ||
            (everyPass && !(fromMs < atMs && atMs <= toMs)))
            return errors::kOutOfRange;
        m_jump = Jump{atMs, fromMs, toMs, everyPass};
    }
    if (m_state == State::Playing) armEnd();
    return errors::kNone;
}

int SimulatedDrive::seek(std::int32_t ms) {
    if (int e = ready("seek")) return e;
    settle();
    std::int32_t end = discEnd();
    m_position = std::clamp(ms, 0, end);
    m_state = State::Stopped;
    endSpan(SpanEnd::Aborted);
    return 0;
}

int SimulatedDrive::stop() {
    if (int e = ready("stop")) return e;
    m_position = positionMs();
    m_state = State::Stopped;
    endSpan(SpanEnd::Aborted);
    return 0;
}

int SimulatedDrive::pause() {
    if (int e = ready("pause")) return e;
    settle();
    if (m_state != State::Playing) return 0;
    m_position = positionMs();
    m_state = State::Paused;
    if (m_endTask) m_scheduler.cancel(m_endTask);
    m_endTask = 0;
    return 0;
}

int SimulatedDrive::resume() {
    if (int e = ready("resume")) return e;
    if (m_state != State::Paused) return 0;
    m_spanFrom = m_position;
    m_startedAt = m_scheduler.nowMs();
    m_state = State::Playing;
    armEnd();
    return 0;
}

std::int64_t SimulatedDrive::discElapsed() const {
    return (m_scheduler.nowMs() - m_startedAt) * m_keyTempo.tempo / 100;
}

int SimulatedDrive::setKeyTempo(const KeyTempo& settings) {
    KeyTempo wanted = settings.clamped();
    if (wanted.stretches() && failing("keytempo")) {
        m_keyTempoError = "キーとテンポを変えるための処理を始められません（メモリーが足りません）";
        wanted.semitones = 0;
        wanted.tempo = 100;
    }
    if (m_state == State::Playing) {
        // Disc time so far at the old tempo; from here on at the new one.
        m_spanFrom = positionMs();
        m_startedAt = m_scheduler.nowMs();
        m_keyTempo = wanted;
        armEnd();
    } else {
        m_keyTempo = wanted;
    }
    return errors::kNone;
}

int SimulatedDrive::eject() {
    if (failing("eject")) return errors::kHardware;
    if (!m_open) return errors::kDeviceNotOpen;
    if (m_hasDisc) m_ejected = Ejected{m_tracks, m_length, m_text};
    openDoor();
    return 0;
}

int SimulatedDrive::closeTray() {
    if (!m_doorOpen) return 0;
    m_doorOpen = false;
    if (m_ejected && !m_hasDisc) {
        m_tracks = m_ejected->tracks;
        m_length = m_ejected->length;
        m_text = m_ejected->text;
        m_hasDisc = true;
    }
    m_ejected.reset();
    return 0;
}

}  // namespace lirafok::device
