#include "device/real/raw_sector_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "device/real/cd_time.h"

namespace lirafok::device::real {

namespace {

// Samples are read straight into memory, least significant byte first.
static_assert(std::endian::native == std::endian::little);

// The zone holding `sector` (the last one that starts at or before it), and the sector where
// the next zone starts (-1: none does).
std::pair<const RawZone*, std::int64_t> zoneOf(const RawFormat& format, std::int64_t sector) {
    auto it = std::upper_bound(format.zones.begin(), format.zones.end(), sector,
                               [](std::int64_t s, const RawZone& z) { return s < z.firstSector; });
    const std::int64_t next = it == format.zones.end() ? -1 : it->firstSector;
    return {it == format.zones.begin() ? &format.zones.front() : &*std::prev(it), next};
}

// pread that goes on after a short read; the bytes it could not read (end of file) are zero.
bool readAt(int fd, std::int64_t offset, char* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, out + done, size - done, offset + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    std::memset(out + done, 0, size - done);
    return true;
}

}  // namespace

std::int64_t rawFileSectors(const RawFormat& format, std::int64_t fileBytes) {
    for (std::size_t i = 0; i < format.zones.size(); ++i) {
        const RawZone& z = format.zones[i];
        const std::int64_t left = std::max<std::int64_t>(fileBytes - z.byteOffset, 0);
        const std::int64_t sectors = (left + z.sectorBytes - 1) / z.sectorBytes;
        if (i + 1 == format.zones.size() ||
            z.firstSector + sectors <= format.zones[i + 1].firstSector)
            return z.firstSector + sectors;
    }
    return 0;
}

std::unique_ptr<RawSectorReader> RawSectorReader::open(const std::string& path, RawFormat format,
                                                       std::string* error) {
    if (format.zones.empty()) format.zones.push_back({});
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path + " を読み込めません";
        return nullptr;
    }
    return std::unique_ptr<RawSectorReader>(new RawSectorReader(fd, std::move(format)));
}

RawSectorReader::~RawSectorReader() {
    if (m_fd >= 0) ::close(m_fd);
}

bool RawSectorReader::read(std::int64_t first, std::int16_t* out, std::int64_t count) {
    while (count > 0) {
        const std::int64_t sector = first / kFramesPerSector;
        const std::int64_t inSector = first % kFramesPerSector;
        const auto [zone, nextZone] = zoneOf(m_format, sector);
        const RawZone& z = *zone;
        const std::int64_t at = z.byteOffset + (sector - z.firstSector) * z.sectorBytes;
        std::int64_t n = std::min(count, kFramesPerSector - inSector);
        if (z.sectorBytes == kBytesPerSector) {
            // Sectors of 2352 bytes follow each other without a break: read on to the zone's end.
            n = nextZone < 0 ? count : std::min(count, nextZone * kFramesPerSector - first);
        }
        auto* bytes = reinterpret_cast<char*>(out);
        if (!readAt(m_fd, at + inSector * 4, bytes, static_cast<std::size_t>(n) * 4)) return false;
        if (m_format.bigEndian) {
            for (std::int64_t i = 0; i < n * 4; i += 2) std::swap(bytes[i], bytes[i + 1]);
        }
        out += n * 2;
        first += n;
        count -= n;
    }
    return true;
}

}  // namespace lirafok::device::real
