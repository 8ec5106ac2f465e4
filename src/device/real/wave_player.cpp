#include "device/real/wave_player.h"

#include <algorithm>
#include <chrono>

#include "device/real/audio_file_reader.h"

namespace lirafok::device::real {

namespace {
// Longer files are cut: a cue is a short sound, and decoding must stay quick.
constexpr std::int64_t kMaxFrames = 10 * 44100;
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
}

bool WavePlayer::play(const std::string& path) {
    auto reader = AudioFileReader::open(path, nullptr);
    if (!reader) return false;
    const std::int64_t frames = std::min(reader->frames(), kMaxFrames);
    // A quarter second of silence after the sound lets an output that waits for a full buffer
    // before it starts (a sound server's prebuffering) play even the shortest cue.
    std::vector<std::int16_t> sound(static_cast<std::size_t>(frames + 44100 / 4) * 2, 0);
    if (!reader->read(0, sound.data(), frames)) return false;
    {
        std::lock_guard lk(m_mutex);
        if (m_sink && !m_sinkOpen) {
            m_sinkOpen = m_sink->open();
            if (!m_sinkOpen) m_sink.reset();
        }
        if (m_sink) m_sink->flush();
        m_sound = std::move(sound);
        m_next = 0;
        ++m_generation;
    }
    m_cv.notify_all();
    return true;
}

void WavePlayer::stop() {
    std::lock_guard lk(m_mutex);
    m_sound.clear();
    m_next = 0;
    if (m_sink) m_sink->flush();
}

bool WavePlayer::busy() {
    std::lock_guard lk(m_mutex);
    if (m_next < static_cast<std::int64_t>(m_sound.size() / 2)) return true;
    return m_sink && m_sink->bufferedFrames() > 0;
}

void WavePlayer::loop() {
    std::unique_lock lk(m_mutex);
    while (!m_quit) {
        const std::int64_t total = static_cast<std::int64_t>(m_sound.size() / 2);
        if (!m_sink || m_next >= total) {
            m_cv.wait(lk);
            continue;
        }
        const std::int64_t room = m_sink->writableFrames();
        if (room > 0) {
            const std::int64_t n = std::min(room, total - m_next);
            m_next += m_sink->write(m_sound.data() + m_next * 2, n);
        }
        m_cv.wait_for(lk, std::chrono::milliseconds(10));
    }
}

}  // namespace lirafok::device::real
