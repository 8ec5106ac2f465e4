#include "device/real/audio_file_reader.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "device/real/cd_time.h"

namespace lirafok::device::real {

namespace {
// Ten hours: far beyond a disc, far below the 596 hours that 32-bit milliseconds reach.
constexpr sf_count_t kMaxAudioSeconds = 10 * 3600;
}  // namespace

std::unique_ptr<AudioFileReader> AudioFileReader::open(const std::string& path,
                                                       std::string* error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        if (error) {
            std::error_code ec;
            *error =
                std::filesystem::file_size(path, ec) == 0 && !ec
                    ? path + " は空のファイルです"
                    : path +
                          " を音声ファイルとして読み込めません（形式が分からないか、壊れています）";
        }
        return nullptr;
    }
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        if (error) *error = path + " には音声がありません";
        sf_close(file);
        return nullptr;
    }
    // A stream of unknown length (libsndfile reports the largest count) or one longer than
    // any disc cannot be laid out on the CD timeline, whose times are 32-bit milliseconds.
    if (info.frames > kMaxAudioSeconds * static_cast<sf_count_t>(info.samplerate)) {
        if (error) *error = path + " の長さが分からないか、長すぎます";
        sf_close(file);
        return nullptr;
    }
    std::unique_ptr<AudioFileReader> r(new AudioFileReader);
    r->m_file = file;
    r->m_channels = info.channels;
    r->m_rate = info.samplerate;
    r->m_sourceFrames = info.frames;
    r->m_decodeEnd = info.frames;
    r->m_frames = info.samplerate == kFramesPerSecond
                      ? info.frames
                      : info.frames * kFramesPerSecond / info.samplerate;
    // Floating-point files are read as floats and scaled here: libsndfile's own scaling of
    // floats to integers measures the file's peak first, which decodes the whole file on open.
    const int sub = info.format & SF_FORMAT_SUBMASK;
    r->m_float = sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE;
    return r;
}

AudioFileReader::~AudioFileReader() {
    if (m_file) sf_close(m_file);
}

bool AudioFileReader::readSource(std::int64_t first, std::int64_t count) {
    m_stereo.assign(static_cast<std::size_t>(count) * 2, 0);
    if (first >= m_decodeEnd || count <= 0) return true;
    const std::int64_t n = std::min(count, m_decodeEnd - first);
    if (first != m_sourcePos) {
        // A file cut short (a copy that broke off) keeps the length its header gives, and the
        // decoder cannot reach past the cut: from there on the file is silence.
        if (sf_seek(m_file, first, SEEK_SET) < 0) {
            m_decodeEnd = first;
            return true;
        }
        m_sourcePos = first;
    }
    m_raw.resize(static_cast<std::size_t>(n) * m_channels);
    sf_count_t got = 0;
    if (m_float) {
        m_rawFloat.resize(m_raw.size());
        got = sf_readf_float(m_file, m_rawFloat.data(), n);
        for (std::size_t i = 0; i < static_cast<std::size_t>(std::max<sf_count_t>(got, 0)) *
                                        static_cast<std::size_t>(m_channels);
             ++i) {
            const float v = std::clamp(m_rawFloat[i], -1.0f, 1.0f) * 32767.0f;
            m_raw[i] = static_cast<std::int16_t>(std::lrint(v));
        }
    } else {
        got = sf_readf_short(m_file, m_raw.data(), n);
    }
    if (got < 0) return false;
    // A read that returns nothing and reports an error at a position the file should hold is
    // a failure; a file that merely ends early (truncated) decodes no further, and the rest of
    // its length plays as silence: the disc keeps the length its files declare.
    if (got == 0 && n > 0 && sf_error(m_file) != SF_ERR_NO_ERROR) return false;
    m_sourcePos += got;
    if (got < n) m_decodeEnd = m_sourcePos;
    for (sf_count_t i = 0; i < got; ++i) {
        const std::int16_t* in = &m_raw[static_cast<std::size_t>(i) * m_channels];
        m_stereo[static_cast<std::size_t>(i) * 2] = in[0];
        m_stereo[static_cast<std::size_t>(i) * 2 + 1] = m_channels > 1 ? in[1] : in[0];
    }
    return true;
}

bool AudioFileReader::read(std::int64_t first, std::int16_t* out, std::int64_t count) {
    if (count <= 0) return true;
    if (m_rate == kFramesPerSecond) {
        if (!readSource(first, count)) return false;
        std::memcpy(out, m_stereo.data(), static_cast<std::size_t>(count) * 4);
        return true;
    }
    // Output frame j sits at source position j * rate / 44100; interpolate between the two
    // source frames around it.
    const std::int64_t srcFirst = first * m_rate / kFramesPerSecond;
    const std::int64_t srcLast = (first + count - 1) * m_rate / kFramesPerSecond + 1;
    if (!readSource(srcFirst, srcLast - srcFirst + 1)) return false;
    for (std::int64_t j = 0; j < count; ++j) {
        const std::int64_t num = (first + j) * m_rate;
        const std::int64_t k = num / kFramesPerSecond - srcFirst;
        const double frac = static_cast<double>(num % kFramesPerSecond) / kFramesPerSecond;
        for (int c = 0; c < 2; ++c) {
            const double a = m_stereo[static_cast<std::size_t>(k) * 2 + c];
            const double b = m_stereo[static_cast<std::size_t>(k + 1) * 2 + c];
            out[j * 2 + c] = static_cast<std::int16_t>(a + (b - a) * frac);
        }
    }
    return true;
}

std::int64_t audioFileFrames(const std::string& path, std::string* error) {
    auto r = AudioFileReader::open(path, error);
    return r ? r->frames() : -1;
}

}  // namespace lirafok::device::real
