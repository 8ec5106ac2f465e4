#pragma once
// The audio of a disc made of files: segments of files and of silence on the disc timeline.
// Audio files are decoded by libsndfile, raw CD image files read as sectors. Files are opened
// on first use by the reading thread.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/real/audio_file_reader.h"
#include "device/real/pcm_source.h"
#include "device/real/raw_sector_reader.h"
#include "device/real/virtual_layout.h"

namespace lirafok::device::real {

class VirtualSource final : public PcmSource {
public:
    // `rawFormats` parallels `files`: set for raw image files; missing entries are audio files.
    VirtualSource(std::vector<std::string> files, std::vector<std::optional<RawFormat>> rawFormats,
                  std::vector<Segment> segments);
    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override;
    std::string lastError() const override { return m_error; }

private:
    struct Reader {
        std::unique_ptr<AudioFileReader> audio;
        std::unique_ptr<RawSectorReader> raw;
    };
    // Reads `count` frames of `file` from its frame `first`; opens the file on first use.
    bool readFile(int file, std::int64_t first, std::int16_t* out, std::int64_t count);

    std::vector<std::string> m_files;
    std::vector<std::optional<RawFormat>> m_rawFormats;
    std::vector<Segment> m_segments;
    std::vector<Reader> m_readers;
    std::string m_error;
};

}  // namespace lirafok::device::real
