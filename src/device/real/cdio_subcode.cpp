#include "device/real/cdio_subcode.h"

#include <cdio/cdio.h>
#include <cdio/mmc.h>
#include <cdio/mmc_ll_cmds.h>

#include <map>
#include <mutex>

#include "cdg/packet.h"
#include "device/real/cdg_sources.h"
#include "device/real/cdio_source.h"

namespace lirafok::device::real {

namespace {

// The sub-channel selection of READ CD.
enum class Offer { Unknown, Formatted, Raw, None };
constexpr std::uint8_t kRaw = 1;        // raw P-W, 96 bytes
constexpr std::uint8_t kFormatted = 4;  // R-W de-interleaved and corrected, 96 bytes
constexpr int kBlock = kBytesPerSector + 96;
constexpr std::int64_t kSectorsPerRead = 25;

std::mutex g_offersMutex;
std::map<std::string, Offer> g_offers;  // by device node, for the program's life

bool readCd(CdIo_t* cdio, std::int64_t sector, std::int64_t count, std::uint8_t selection,
            std::uint8_t* out) {
    return mmc_read_cd(cdio, out, static_cast<lsn_t>(sector - kLeadInSectors),
                       CDIO_MMC_READ_TYPE_CDDA, false, false, 0, true, false, 0, selection, kBlock,
                       static_cast<uint32_t>(count)) == DRIVER_OP_SUCCESS;
}

struct Handle {
    CdIo_t* p = nullptr;
    ~Handle() {
        if (p) cdio_destroy(p);
    }
};

}  // namespace

DiscGraphics::Presence DriveGraphics::presence(int track) const {
    if (track < 1 || track > static_cast<int>(m_toc.size())) return Presence::None;
    return m_toc[static_cast<std::size_t>(track - 1)].audio ? Presence::Unknown : Presence::None;
}

bool DriveGraphics::read(int track, const Sink& sink, Counts* counts, std::string* error) {
    if (presence(track) == Presence::None) return false;
    Handle cdio{openCdio(m_device)};
    if (!cdio.p) {
        if (error) *error = m_device + " を開けません";
        return false;
    }
    const std::int64_t first = m_toc[static_cast<std::size_t>(track - 1)].startSector;
    const std::int64_t end = static_cast<std::size_t>(track) < m_toc.size()
                                 ? m_toc[static_cast<std::size_t>(track)].startSector
                                 : m_leadOut;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(kBlock * kSectorsPerRead));

    Offer offer;
    {
        std::lock_guard lock(g_offersMutex);
        offer = g_offers[m_device];
    }
    if (offer == Offer::Unknown) {
        offer = readCd(cdio.p, first, 1, kFormatted, block.data()) ? Offer::Formatted
                : readCd(cdio.p, first, 1, kRaw, block.data())     ? Offer::Raw
                                                                   : Offer::None;
        std::lock_guard lock(g_offersMutex);
        g_offers[m_device] = offer;
        if (offer == Offer::None && error)
            *error = "ドライブ " + m_device +
                     " はサブチャンネルを読めないため、CD+G のグラフィックスは表示できません";
    }
    if (offer == Offer::None) return false;
    const std::uint8_t selection = offer == Offer::Formatted ? kFormatted : kRaw;
    const SubcodeForm form =
        offer == Offer::Formatted ? SubcodeForm::Packets : SubcodeForm::Interleaved;

    // Raw sub-channel needs two sectors beyond each piece: the tail of one piece is kept as
    // the head of the next.
    std::vector<std::uint8_t> symbols;
    const std::size_t perSector = cdg::kSubcodeBytesPerSector;
    for (std::int64_t at = first; at < end;) {
        const std::int64_t n = std::min(kSectorsPerRead, end - at);
        const std::int64_t want =
            form == SubcodeForm::Interleaved ? std::min(n + 2, m_leadOut - at) : n;
        std::vector<std::uint8_t> piece(static_cast<std::size_t>(n + 2) * perSector, 0);
        auto take = [&](std::int64_t count, std::size_t into) {
            for (std::int64_t s = 0; s < count; ++s)
                std::copy_n(block.data() + s * kBlock + kBytesPerSector, perSector,
                            piece.data() + into + static_cast<std::size_t>(s) * perSector);
        };
        if (readCd(cdio.p, at, want, selection, block.data())) {
            take(want, 0);
        } else {
            // One sector at a time: those that cannot be read are skipped and counted.
            for (std::int64_t s = 0; s < want; ++s) {
                if (readCd(cdio.p, at + s, 1, selection, block.data()))
                    take(1, static_cast<std::size_t>(s) * perSector);
                else if (counts && s < n)
                    ++counts->unreadable;
            }
        }
        if (!sink(packetsFromSubcode(piece, n, form, counts))) break;
        at += n;
    }
    return true;
}

}  // namespace lirafok::device::real
