#pragma once
// Reads an audio file (WAV, FLAC, Ogg Vorbis, AIFF, ... whatever libsndfile decodes) as
// 44.1 kHz stereo 16-bit frames: mono is doubled, channels past the second are dropped, and
// other sample rates are converted by linear interpolation.
//
// Opening reads the file's header only, so it takes the same time for a three-minute track as
// for a seventy-minute image; reading seeks with sf_seek and decodes only what is asked for.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

namespace lirafok::device::real {

class AudioFileReader {
public:
    // nullptr when the file cannot be opened or decoded; `error` then says why.
    static std::unique_ptr<AudioFileReader> open(const std::string& path, std::string* error);
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    // Length in 44.1 kHz frames.
    std::int64_t frames() const { return m_frames; }
    int sourceRate() const { return m_rate; }
    // Reads `count` frames from 44.1 kHz frame `first`; frames past the end, and past the
    // point where a file cut short stops decoding, are silence. False on a read failure.
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count);

private:
    AudioFileReader() = default;
    // Reads `count` source frames from source frame `first` as stereo into m_stereo.
    bool readSource(std::int64_t first, std::int64_t count);

    sf_private_tag* m_file = nullptr;
    int m_channels = 0;
    int m_rate = 0;
    std::int64_t m_sourceFrames = 0;
    std::int64_t m_decodeEnd = 0;  // source frames that decode; less than the length when cut short
    std::int64_t m_frames = 0;
    std::int64_t m_sourcePos = 0;  // where the decoder stands, to avoid needless seeks
    bool m_float = false;          // floating-point samples, scaled here
    std::vector<std::int16_t> m_raw;
    std::vector<float> m_rawFloat;
    std::vector<std::int16_t> m_stereo;
};

// Length of an audio file in 44.1 kHz frames, or -1 when it cannot be decoded.
std::int64_t audioFileFrames(const std::string& path, std::string* error = nullptr);

}  // namespace lirafok::device::real
