#include "device/real/cdio_source.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstring>

#include "device/real/cdio_subcode.h"
#include "device/real/cue_sheet.h"

namespace lirafok::device::real {

namespace {

std::string lowerExtension(const std::string& path) {
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
    std::string e = path.substr(dot);
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

struct CdioHandle {
    CdIo_t* p = nullptr;
    ~CdioHandle() {
        if (p) cdio_destroy(p);
    }
};

// Reading up to this many sectors in one call keeps a read short enough for the pipeline to
// react to commands between reads.
constexpr std::int64_t kMaxSectorsPerRead = 16;

// libcdio hands over whatever an image's table of contents says (a damaged or hand-made NRG
// or cdrdao TOC): every track at one sector, tracks of no length, starts going backwards.
// A CD has 1..99 tracks after the lead-in, each starting after the one before, and a lead-out
// after the last.
bool couldBeACd(const DiscImage& disc) {
    if (disc.toc.empty() || disc.toc.size() > 99) return false;
    std::int64_t previous = kLeadInSectors - 1;
    for (const TocEntry& t : disc.toc) {
        if (t.startSector <= previous) return false;
        previous = t.startSector;
    }
    return disc.leadOutSector > previous;
}

}  // namespace

bool isDevicePath(const std::string& path) {
    return path.rfind("/dev/", 0) == 0;
}

CdIo_t* openCdio(const std::string& path) {
    if (isDevicePath(path)) return cdio_open(path.c_str(), DRIVER_DEVICE);
    const std::string ext = lowerExtension(path);
    if (ext == ".cue" || ext == ".bin") return cdio_open(path.c_str(), DRIVER_BINCUE);
    if (ext == ".nrg") return cdio_open(path.c_str(), DRIVER_NRG);
    if (ext == ".toc") return cdio_open(path.c_str(), DRIVER_CDRDAO);
    return cdio_open(path.c_str(), DRIVER_UNKNOWN);
}

std::optional<DiscImage> readCdioDisc(const std::string& path, bool useParanoia,
                                      std::string* error) {
    CdioHandle h{openCdio(path)};
    if (!h.p) {
        if (error) *error = path + " は読み込めるディスクイメージではありません";
        return std::nullopt;
    }
    const track_t first = cdio_get_first_track_num(h.p);
    const track_t count = cdio_get_num_tracks(h.p);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        if (error) *error = path + " には目次がありません";
        return std::nullopt;
    }
    DiscImage disc;
    for (track_t t = first; t < first + count; ++t) {
        const lsn_t lsn = cdio_get_track_lsn(h.p, t);
        if (lsn == CDIO_INVALID_LSN) {
            if (error) *error = path + " のトラック " + std::to_string(t) + " を読み込めません";
            return std::nullopt;
        }
        disc.toc.push_back(
            {lsn + kLeadInSectors, cdio_get_track_format(h.p, t) == TRACK_FORMAT_AUDIO});
    }
    const lsn_t leadOut = cdio_get_track_lsn(h.p, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LSN) {
        if (error) *error = path + " には目次がありません";
        return std::nullopt;
    }
    disc.leadOutSector = leadOut + kLeadInSectors;
    if (!couldBeACd(disc)) {
        if (error)
            *error = path + " の目次は CD のものではありません（トラックの位置が正しくありません）";
        return std::nullopt;
    }

    if (const cdtext_t* ct = cdio_get_cdtext(h.p)) {
        auto get = [&](cdtext_field_t f, track_t t) {
            const char* raw = cdtext_get_const(ct, f, t);
            return raw ? cueTextToUtf8(raw) : std::string();
        };
        disc.text.title = get(CDTEXT_FIELD_TITLE, 0);
        disc.text.performer = get(CDTEXT_FIELD_PERFORMER, 0);
        for (track_t t = first; t < first + count; ++t) {
            disc.text.trackTitles.push_back(get(CDTEXT_FIELD_TITLE, t));
            disc.text.trackPerformers.push_back(get(CDTEXT_FIELD_PERFORMER, t));
        }
    }
    disc.source = std::make_shared<CdioSource>(path, disc.toc, disc.leadOutSector, useParanoia);
    // A real drive may deliver the CD+G graphics from the sub-channel.
    if (isDevicePath(path))
        disc.graphics = std::make_shared<DriveGraphics>(path, disc.toc, disc.leadOutSector);
    return disc;
}

CdioSource::CdioSource(std::string path, std::vector<TocEntry> toc, std::int64_t leadOutSector,
                       bool useParanoia)
    : m_path(std::move(path)),
      m_toc(std::move(toc)),
      m_leadOut(leadOutSector),
      m_useParanoia(useParanoia) {}

CdioSource::~CdioSource() {
    closeHandles();
}

void CdioSource::closeHandles() {
    if (m_paranoia) cdio_paranoia_free(m_paranoia);
    if (m_drive) cdio_cddap_close_no_free_cdio(m_drive);
    if (m_cdio) cdio_destroy(m_cdio);
    m_paranoia = nullptr;
    m_drive = nullptr;
    m_cdio = nullptr;
    m_paranoiaNext = -1;
}

bool CdioSource::ensureOpen() {
    if (m_cdio) return true;
    m_cdio = openCdio(m_path);
    if (!m_cdio) {
        m_error = m_path + ": cannot open";
        return false;
    }
    if (m_useParanoia) {
        m_drive = cdio_cddap_identify_cdio(m_cdio, CDDA_MESSAGE_FORGETIT, nullptr);
        if (!m_drive || cdio_cddap_open(m_drive) != 0) {
            m_error = m_path + ": cdparanoia cannot use the drive";
            closeHandles();
            return false;
        }
        m_paranoia = cdio_paranoia_init(m_drive);
        // Full correction, but a sector that stays unreadable is skipped rather than retried
        // forever: playback must go on.
        cdio_paranoia_modeset(m_paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    }
    return true;
}

bool CdioSource::audioSector(std::int64_t sector) const {
    if (sector < kLeadInSectors || sector >= m_leadOut || m_toc.empty()) return false;
    if (sector < m_toc.front().startSector) return m_toc.front().audio;
    auto it = std::upper_bound(m_toc.begin(), m_toc.end(), sector,
                               [](std::int64_t s, const TocEntry& e) { return s < e.startSector; });
    return std::prev(it)->audio;
}

bool CdioSource::readSectors(std::int64_t sector, std::int64_t count, std::int16_t* out) {
    if (!ensureOpen()) return false;
    if (!m_paranoia) {
        const auto rc = cdio_read_audio_sectors(
            m_cdio, out, static_cast<lsn_t>(sector - kLeadInSectors), static_cast<uint32_t>(count));
        if (rc != DRIVER_OP_SUCCESS) {
            m_error = m_path + ": read error at sector " + std::to_string(sector);
            return false;
        }
        return true;
    }
    for (std::int64_t i = 0; i < count; ++i) {
        if (m_paranoiaNext != sector + i) {
            cdio_paranoia_seek(m_paranoia, static_cast<int32_t>(sector + i - kLeadInSectors),
                               SEEK_SET);
        }
        const std::int16_t* data = cdio_paranoia_read_limited(m_paranoia, nullptr, 3);
        if (!data) {
            m_error = m_path + ": read error at sector " + std::to_string(sector + i);
            m_paranoiaNext = -1;
            return false;
        }
        std::memcpy(out + i * kFramesPerSector * 2, data, kBytesPerSector);
        m_paranoiaNext = sector + i + 1;
    }
    return true;
}

bool CdioSource::read(std::int64_t first, std::int16_t* out, std::int64_t count) {
    while (count > 0) {
        const std::int64_t sector = first >= 0 ? first / kFramesPerSector : -1;
        const std::int64_t offset = first >= 0 ? first % kFramesPerSector : 0;
        if (!audioSector(sector)) {
            const std::int64_t n = std::min(count, first >= 0 ? kFramesPerSector - offset : -first);
            std::memset(out, 0, static_cast<std::size_t>(n) * 4);
            out += n * 2;
            first += n;
            count -= n;
            continue;
        }
        // A run of audio sectors, read in one go.
        std::int64_t run = 1;
        const std::int64_t need = framesToSectorsCeil(offset + count);
        while (run < need && run < kMaxSectorsPerRead && audioSector(sector + run)) ++run;
        m_buffer.resize(static_cast<std::size_t>(run * kFramesPerSector * 2));
        if (!readSectors(sector, run, m_buffer.data())) return false;
        const std::int64_t n = std::min(count, run * kFramesPerSector - offset);
        std::memcpy(out, m_buffer.data() + offset * 2, static_cast<std::size_t>(n) * 4);
        out += n * 2;
        first += n;
        count -= n;
    }
    return true;
}

}  // namespace lirafok::device::real
