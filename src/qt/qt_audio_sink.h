#pragma once
// An AudioSink on Qt Multimedia's QAudioSink (the system's default output, through the sound
// server). The QAudioSink lives on a thread of its own with its own event loop; every call
// is handed to that thread and waits for it, so the sink may be driven from any thread.
// Needs a Q(Core)Application; open() fails without one, and the caller then plays silently.
#include <QAudioDevice>
#include <QThread>

#include <cstdint>

#include "device/audio_sink.h"

class QAudioSink;
class QIODevice;

namespace lirafok::qt {

class QtAudioSink final : public device::AudioSink {
public:
    // `bufferMs`: how much audio the sound server holds ahead of the listener. Smaller reacts
    // faster to pause and seek; larger survives a busy machine. 100 ms by default.
    explicit QtAudioSink(int bufferMs = 200);
    ~QtAudioSink() override;

    bool open() override;
    void close() override;
    std::int64_t writableFrames() override;
    std::int64_t write(const std::int16_t* frames, std::int64_t count) override;
    std::int64_t bufferedFrames() override;
    void pause() override;
    void resume() override;
    void flush() override;

private:
    // Runs `f` on the audio thread and waits for it.
    template <class F>
    void onAudioThread(F&& f);
    // On the audio thread: makes a new QAudioSink on m_device and starts its push stream.
    bool startStream();
    // On the audio thread: stops and deletes the QAudioSink.
    void dropStream();

    int m_bufferMs;
    QThread m_thread;
    QObject* m_context = nullptr;  // lives on m_thread
    QAudioDevice m_device;
    QAudioSink* m_sink = nullptr;
    QIODevice* m_io = nullptr;
    bool m_paused = false;
    std::int64_t m_written = 0;  // frames given to the current stream
};

}  // namespace lirafok::qt
