#include "qt/qt_audio_sink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>

#include <algorithm>

namespace lirafok::qt {

namespace {
constexpr int kBytesPerFrame = 4;

QAudioFormat cdFormat() {
    QAudioFormat f;
    f.setSampleRate(device::kSinkSampleRate);
    f.setChannelCount(device::kSinkChannels);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}
}  // namespace

QtAudioSink::QtAudioSink(int bufferMs) : m_bufferMs(std::max(bufferMs, 10)) {}

QtAudioSink::~QtAudioSink() {
    close();
}

template <class F>
void QtAudioSink::onAudioThread(F&& f) {
    if (!m_context) return;
    if (QThread::currentThread() == &m_thread) {
        f();
        return;
    }
    QMetaObject::invokeMethod(m_context, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

bool QtAudioSink::startStream() {
    m_sink = new QAudioSink(m_device, cdFormat());
    m_sink->setBufferSize(static_cast<qsizetype>(device::kSinkSampleRate) * m_bufferMs / 1000 *
                          kBytesPerFrame);
    m_io = m_sink->start();
    m_written = 0;
    if (!m_io || m_sink->error() != QAudio::NoError) {
        dropStream();
        return false;
    }
    if (m_paused) m_sink->suspend();
    return true;
}

void QtAudioSink::dropStream() {
    if (m_sink) {
        m_sink->stop();
        delete m_sink;
    }
    m_sink = nullptr;
    m_io = nullptr;
}

bool QtAudioSink::open() {
    if (m_sink) return true;
    if (!QCoreApplication::instance()) return false;
    if (!m_thread.isRunning()) {
        m_thread.setObjectName(QStringLiteral("lirafok-audio"));
        m_thread.start();
    }
    if (!m_context) {
        m_context = new QObject;
        m_context->moveToThread(&m_thread);
    }
    bool ok = false;
    onAudioThread([&] {
        m_device = QMediaDevices::defaultAudioOutput();
        if (m_device.isNull() || !m_device.isFormatSupported(cdFormat())) return;
        ok = startStream();
    });
    if (!ok) close();
    return ok;
}

void QtAudioSink::close() {
    onAudioThread([&] { dropStream(); });
    m_thread.quit();
    m_thread.wait();
    // Its thread has finished: the context can go from here.
    delete m_context;
    m_context = nullptr;
    m_paused = false;
    m_written = 0;
}

std::int64_t QtAudioSink::writableFrames() {
    std::int64_t frames = 0;
    onAudioThread([&] {
        if (m_sink && m_io && !m_paused) frames = m_sink->bytesFree() / kBytesPerFrame;
    });
    return frames;
}

std::int64_t QtAudioSink::write(const std::int16_t* frames, std::int64_t count) {
    std::int64_t taken = 0;
    onAudioThread([&] {
        if (!m_sink || !m_io || m_paused || count <= 0) return;
        const qint64 bytes =
            std::min<qint64>(count, m_sink->bytesFree() / kBytesPerFrame) * kBytesPerFrame;
        if (bytes <= 0) return;
        const qint64 w = m_io->write(reinterpret_cast<const char*>(frames), bytes);
        taken = std::max<qint64>(w, 0) / kBytesPerFrame;
        m_written += taken;
    });
    return taken;
}

std::int64_t QtAudioSink::bufferedFrames() {
    std::int64_t buffered = 0;
    onAudioThread([&] {
        if (!m_sink || !m_io) return;
        // What the server has played (its own output latency already taken off).
        const std::int64_t played = m_sink->processedUSecs() * device::kSinkSampleRate / 1000000;
        buffered = std::clamp<std::int64_t>(m_written - played, 0, m_written);
    });
    return buffered;
}

void QtAudioSink::pause() {
    onAudioThread([&] {
        if (m_paused) return;
        m_paused = true;
        if (m_sink) m_sink->suspend();
    });
}

void QtAudioSink::resume() {
    onAudioThread([&] {
        if (!m_paused) return;
        m_paused = false;
        if (m_sink) m_sink->resume();
    });
}

void QtAudioSink::flush() {
    onAudioThread([&] {
        if (!m_sink) return;
        // A push stream has no "drop what is queued": closing it discards the data at once,
        // and a fresh stream takes the next write. A fresh QAudioSink each time: reusing one
        // across stop() and start() leaves it refusing data after a few rounds.
        dropStream();
        startStream();
    });
}

}  // namespace lirafok::qt
