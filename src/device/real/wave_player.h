#pragma once
// Plays short sound files (the ok and error cues) without blocking the caller: the file is
// decoded on the caller's thread (a cue is a few kilobytes) and played by a thread of its own
// through an AudioSink. A new sound replaces the one still playing, as the system's
// asynchronous sound call does. A missing or undecodable file plays nothing.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "device/audio_sink.h"

namespace lirafok::device::real {

class WavePlayer {
public:
    // `sink` is opened on the first play(); nullptr or a sink that cannot open makes every
    // play() silent (but still successful when the file decodes).
    explicit WavePlayer(std::unique_ptr<AudioSink> sink);
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Starts `path` and returns at once. False when the file is missing or cannot be decoded.
    bool play(const std::string& path);
    // Stops the sound now.
    void stop();
    // True while a sound is being played (buffered data included).
    bool busy();

private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::unique_ptr<AudioSink> m_sink;
    bool m_sinkOpen = false;
    bool m_quit = false;
    std::vector<std::int16_t> m_sound;  // interleaved stereo frames
    std::int64_t m_next = 0;            // next frame to write
    std::uint64_t m_generation = 0;
    std::thread m_thread;
};

}  // namespace lirafok::device::real
