#pragma once
// The CD+G graphics of a disc in a real drive, read from its sub-channel with the MMC READ CD
// command (libcdio's mmc_read_cd). A drive offers the R-W sub-channel de-interleaved and
// corrected, or raw (de-interleaved and corrected here), or not at all; which one is found out
// once per drive, on the first read, and remembered. A drive that offers neither is told once
// (the first read() says why; later ones fail silently) and the audio plays on.
#include <cstdint>
#include <string>
#include <vector>

#include "device/disc_graphics.h"
#include "device/real/disc_image.h"

namespace lirafok::device::real {

class DriveGraphics final : public DiscGraphics {
public:
    DriveGraphics(std::string device, std::vector<TocEntry> toc, std::int64_t leadOutSector)
        : m_device(std::move(device)), m_toc(std::move(toc)), m_leadOut(leadOutSector) {}
    // Any audio track may carry graphics; only reading tells.
    Presence presence(int track) const override;
    bool read(int track, const Sink& sink, Counts* counts, std::string* error) override;

private:
    std::string m_device;
    std::vector<TocEntry> m_toc;
    std::int64_t m_leadOut;
};

}  // namespace lirafok::device::real
