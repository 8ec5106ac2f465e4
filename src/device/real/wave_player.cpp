#include "device/real/wave_player.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "device/real/audio_file_reader.h"
#include "device/real/output_ducking.h"

namespace lirafok::device::real {

namespace {
// Longer files are cut: a cue is a short sound, and decoding must stay quick.
constexpr std::int64_t kMaxFrames = 10 * 44100;
// Silence after the sound, so that an output that starts only once it holds a little data
// plays the shortest cue to its end.
constexpr std::int64_t kTailFrames = 44100 / 20;
// While a sound plays the thread tops up the sink this often.
constexpr auto kRefill = std::chrono::milliseconds(10);
// How long after its last frames were queued (and their playing time) a cue counts as heard
// even when the output still reports them as queued.
constexpr auto kHeardMargin = std::chrono::milliseconds(150);
// The music stays lowered at least this long past the cue's own length from its first write:
// some servers (PipeWire's PulseAudio service) report a stream drained while its last
// frames are still on their way to the speaker.
constexpr auto kOutputLatencyBound = std::chrono::milliseconds(150);
// How long a cue waits for the music to be lowered before it plays anyway.
constexpr auto kDuckingWait = std::chrono::milliseconds(200);

// The file's modification time and size; nullopt when it is missing.
std::optional<std::pair<std::int64_t, std::uintmax_t>> fileStamp(const std::string& path) {
    std::error_code ec;
    const auto time = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    return std::make_pair(static_cast<std::int64_t>(time.time_since_epoch().count()), size);
}

// A cue louder than the ducking allows is turned down to that peak (never up).
void limitPeak(std::vector<std::int16_t>& samples) {
    int peak = 0;
    for (const std::int16_t s : samples) peak = std::max(peak, std::abs(int{s}));
    const double limit = OutputDucking::kCuePeak * 32767.0;
    if (peak <= limit) return;
    const double gain = limit / peak;
    for (std::int16_t& s : samples) s = static_cast<std::int16_t>(s * gain);
}
}  // namespace

WavePlayer::WavePlayer(std::unique_ptr<AudioSink> sink) : m_sink(std::move(sink)) {
    m_thread = std::thread([this] { loop(); });
}

WavePlayer::~WavePlayer() {
    {
        std::lock_guard lk(m_mutex);
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
    if (m_sink && m_sinkOpen) m_sink->close();
    if (m_ducking) OutputDucking::shared().cueEnded();
}

void WavePlayer::play(const std::string& path) {
    {
        std::lock_guard lk(m_mutex);
        m_request = path.empty() ? std::string(1, '\0') : path;
    }
    m_cv.notify_all();
}

void WavePlayer::stop() {
    {
        std::lock_guard lk(m_mutex);
        m_request.clear();
        m_stop = true;
    }
    m_cv.notify_all();
}

bool WavePlayer::busy() {
    std::lock_guard lk(m_mutex);
    if (!m_request.empty()) return true;
    if (m_sound && m_next < static_cast<std::int64_t>(m_sound->frames.size() / 2)) return true;
    return m_sink && m_sinkOpen && m_sink->bufferedFrames() > 0;
}

int WavePlayer::started() {
    std::lock_guard lk(m_mutex);
    return m_started;
}

void WavePlayer::setDucking(bool on) {
    if (on == m_ducking) return;
    m_ducking = on;
    on ? OutputDucking::shared().cueStarted() : OutputDucking::shared().cueEnded();
}

std::shared_ptr<const WavePlayer::Sound> WavePlayer::load(const std::string& path) {
    const auto stamp = fileStamp(path);
    if (!stamp) return nullptr;
    auto it = m_cache.find(path);
    if (it != m_cache.end() && it->second->stamp == stamp) return it->second;
    auto reader = AudioFileReader::open(path, nullptr);
    if (!reader) return nullptr;
    auto sound = std::make_shared<Sound>();
    const std::int64_t frames = std::min(reader->frames(), kMaxFrames);
    sound->frames.assign(static_cast<std::size_t>(frames + kTailFrames) * 2, 0);
    if (!reader->read(0, sound->frames.data(), frames)) return nullptr;
    limitPeak(sound->frames);
    sound->stamp = *stamp;
    m_cache[path] = sound;
    return sound;
}

void WavePlayer::loop() {
    std::unique_lock lk(m_mutex);
    if (m_sink) {
        m_sinkOpen = m_sink->open();
        if (!m_sinkOpen) m_sink.reset();
    }
    while (!m_quit) {
        if (m_stop) {
            m_stop = false;
            m_sound.reset();
            if (m_sink) m_sink->flush();
            setDucking(false);
        }
        if (!m_request.empty()) {
            const std::string path = m_request;
            lk.unlock();
            auto sound = path[0] == '\0' ? nullptr : load(path);
            lk.lock();
            if (m_request != path) continue;  // asked for another sound meanwhile
            m_request.clear();
            if (sound) {
                ++m_started;
                if (m_sink) m_sink->flush();
                m_sound = std::move(sound);
                m_next = 0;
                setDucking(m_sink != nullptr);
                if (m_ducking) {
                    // The cue is sent once the music outputs have been lowered.
                    const auto length = std::chrono::milliseconds(
                        static_cast<std::int64_t>(m_sound->frames.size() / 2) * 1000 / 44100);
                    lk.unlock();
                    OutputDucking::shared().waitApplied(kDuckingWait);
                    lk.lock();
                    m_quietBy = std::chrono::steady_clock::now() + length + kOutputLatencyBound;
                }
                continue;  // the request or a stop may have come while waiting
            }
        }
        const std::int64_t total =
            m_sound ? static_cast<std::int64_t>(m_sound->frames.size() / 2) : 0;
        if (!m_sink || m_next >= total) {
            m_sound.reset();
            const auto asked = [&] { return m_quit || m_stop || !m_request.empty(); };
            // The music stays lowered until the cue's last frame has been heard.
            // A stream that ran dry may go on reporting frames as queued for a while; past
            // the time its last frames take to play the cue has surely been heard.
            const auto now = std::chrono::steady_clock::now();
            if (m_ducking && m_sink &&
                (now < m_quietBy || (m_sink->bufferedFrames() > 0 && now < m_heardBy))) {
                m_cv.wait_for(lk, kRefill, asked);
                continue;
            }
            setDucking(false);
            m_cv.wait(lk, asked);
            continue;
        }
        m_next += m_sink->write(m_sound->frames.data() + m_next * 2, total - m_next);
        m_heardBy = std::chrono::steady_clock::now() + kHeardMargin +
                    std::chrono::milliseconds(m_sink->bufferedFrames() * 1000 / 44100);
        if (m_next < total)
            m_cv.wait_for(lk, kRefill, [&] { return m_quit || m_stop || !m_request.empty(); });
    }
}

}  // namespace lirafok::device::real
