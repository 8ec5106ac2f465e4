#include "device/real/disc_ids.h"

#include <discid/discid.h>

#include <cstdio>
#include <memory>

namespace lirafok::device::real {

namespace {

// Sectors between the last audio session's lead-out and a data session after it.
constexpr std::int64_t kEnhancedCdGap = 11400;

}  // namespace

std::string musicBrainzDiscId(const DiscImage& disc) {
    std::size_t count = disc.toc.size();
    std::int64_t leadOut = disc.leadOutSector;
    if (count > 1 && !disc.toc.back().audio && disc.toc[count - 2].audio) {
        leadOut = disc.toc.back().startSector - kEnhancedCdGap;
        --count;
    }
    if (count == 0 || count > 99) return {};
    int offsets[100] = {};
    offsets[0] = static_cast<int>(leadOut);
    for (std::size_t i = 0; i < count; ++i)
        offsets[i + 1] = static_cast<int>(disc.toc[i].startSector);
    std::unique_ptr<DiscId, void (*)(DiscId*)> id(discid_new(), discid_free);
    if (!id || !discid_put(id.get(), 1, static_cast<int>(count), offsets)) return {};
    return discid_get_id(id.get());
}

std::uint32_t freedbDiscId(const DiscImage& disc) {
    if (disc.toc.empty()) return 0;
    std::uint32_t digits = 0;
    for (const TocEntry& t : disc.toc) {
        for (std::int64_t s = t.startSector / kSectorsPerSecond; s > 0; s /= 10)
            digits += static_cast<std::uint32_t>(s % 10);
    }
    const auto seconds = static_cast<std::uint32_t>(
        disc.leadOutSector / kSectorsPerSecond - disc.toc.front().startSector / kSectorsPerSecond);
    return (digits % 255) << 24 | seconds << 8 | static_cast<std::uint32_t>(disc.toc.size());
}

std::string freedbDiscIdText(const DiscImage& disc) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", freedbDiscId(disc));
    return text;
}

}  // namespace lirafok::device::real
