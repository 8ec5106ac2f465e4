#pragma once
// CD drives and CD images (BIN/CUE, NRG, cdrdao TOC) through libcdio: the table of contents,
// CD-TEXT and the audio sectors.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/real/disc_image.h"

typedef struct _CdIo CdIo_t;
struct cdrom_drive_s;
struct cdrom_paranoia_s;

namespace lirafok::device::real {

// True for a path naming a device node (/dev/sr0) rather than an image file.
bool isDevicePath(const std::string& path);

// Opens `path` with the libcdio driver that fits it. nullptr when nothing can open it.
CdIo_t* openCdio(const std::string& path);

// Reads the table of contents and CD-TEXT of a drive or an image; the disc's audio is read
// through a CdioSource of its own (libcdio handles are not shared between threads).
// `useParanoia`: read with cdparanoia's error correction (the default for drives).
// std::nullopt when no disc can be read, or when its table of contents cannot be a CD's
// (tracks at one sector, of no length, going backwards); `error` then says why in Japanese,
// naming `path`.
std::optional<DiscImage> readCdioDisc(const std::string& path, bool useParanoia,
                                      std::string* error);

class CdioSource final : public PcmSource {
public:
    CdioSource(std::string path, std::vector<TocEntry> toc, std::int64_t leadOutSector,
               bool useParanoia);
    ~CdioSource() override;
    CdioSource(const CdioSource&) = delete;
    CdioSource& operator=(const CdioSource&) = delete;

    bool read(std::int64_t first, std::int16_t* out, std::int64_t count) override;
    std::string lastError() const override { return m_error; }

private:
    bool audioSector(std::int64_t sector) const;
    bool ensureOpen();
    // Reads `count` consecutive audio sectors from absolute sector `sector` into `out`.
    bool readSectors(std::int64_t sector, std::int64_t count, std::int16_t* out);
    void closeHandles();

    std::string m_path;
    std::vector<TocEntry> m_toc;
    std::int64_t m_leadOut;
    bool m_useParanoia;
    CdIo_t* m_cdio = nullptr;
    ::cdrom_drive_s* m_drive = nullptr;
    ::cdrom_paranoia_s* m_paranoia = nullptr;
    std::int64_t m_paranoiaNext = -1;  // sector paranoia delivers next without a seek
    std::vector<std::int16_t> m_buffer;
    std::string m_error;
};

}  // namespace lirafok::device::real
