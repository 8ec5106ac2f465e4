#pragma once
// The audio of a disc made of audio files: segments of files and of silence on the disc
// timeline. Files are opened on first use by the reading thread.
#include <memory>
#include <string>
#include <vector>

#include "device/real/audio_file_reader.h"
#include "device/real/pcm_source.h"
#include "device/real/virtual_layout.h"

namespace lirafok::device::real {

class VirtualSource final : public PcmSource {
public:
    VirtualSource(std::vector<std::string> files, std::vector<Segment> segments);
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override;
    std::string lastError() const override { return m_error; }

private:
    AudioFileReader* reader(int file);

    std::vector<std::string> m_files;
    std::vector<Segment> m_segments;
    std::vector<std::unique_ptr<AudioFileReader>> m_readers;
    std::string m_error;
};

}  // namespace lirafok::device::real
