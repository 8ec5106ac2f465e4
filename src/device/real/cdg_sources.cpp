#include "device/real/cdg_sources.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "cdg/packet.h"
#include "cdg/subcode.h"

namespace fs = std::filesystem;

namespace lirafok::device::real {

namespace {

constexpr std::int64_t kSectorsPerPiece = 750;  // 10 s of packets handed over at a time

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Reads `size` bytes at `offset`; what lies beyond the end of the file reads as zero.
// False on a read error.
bool readAt(int fd, std::int64_t offset, std::uint8_t* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(fd, out + done, size - done, offset + static_cast<std::int64_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    std::memset(out + done, 0, size - done);
    return true;
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};

std::optional<fs::path> sibling(const fs::path& of, bool wantCdg) {
    std::error_code ec;
    const std::string stem = lower(of.stem().string());
    for (const auto& e : fs::directory_iterator(of.parent_path(), ec)) {
        if (!e.is_regular_file(ec) || e.path() == of) continue;
        if (lower(e.path().stem().string()) != stem) continue;
        const std::string ext = lower(e.path().extension().string());
        if (wantCdg && ext == ".cdg") return e.path();
        if (!wantCdg && ext != ".cdg") {
            static const char* const kAudio[] = {".flac", ".wav", ".ogg", ".oga", ".opus", ".aiff",
                                                 ".aif",  ".wv",  ".mp3", ".au",  ".caf",  ".w64"};
            for (const char* a : kAudio)
                if (ext == a) return e.path();
        }
    }
    return std::nullopt;
}

// How many of the first packets that carry anything pass their parity read in `form`.
int passing(const std::vector<std::uint8_t>& symbols, SubcodeForm form) {
    const std::int64_t sectors =
        static_cast<std::int64_t>(symbols.size()) / cdg::kSubcodeBytesPerSector;
    DiscGraphics::Counts counts;
    const auto packets =
        packetsFromSubcode(symbols, std::max<std::int64_t>(sectors - 2, 0), form, &counts);
    int good = 0;
    for (std::size_t i = 0; i + cdg::kPacketBytes <= packets.size(); i += cdg::kPacketBytes)
        if (cdg::isCdgPacket(packets.data() + i)) ++good;
    return good;
}

}  // namespace

std::optional<std::string> cdgBeside(const std::string& audioPath) {
    const auto p = sibling(audioPath, true);
    return p ? std::optional<std::string>(p->string()) : std::nullopt;
}

std::optional<std::string> audioBeside(const std::string& cdgPath) {
    const auto p = sibling(cdgPath, false);
    return p ? std::optional<std::string>(p->string()) : std::nullopt;
}

SubcodeForm guessSubcodeForm(const std::vector<std::uint8_t>& symbols) {
    return passing(symbols, SubcodeForm::Packets) > passing(symbols, SubcodeForm::Interleaved)
               ? SubcodeForm::Packets
               : SubcodeForm::Interleaved;
}

std::vector<std::uint8_t> packetsFromSubcode(const std::vector<std::uint8_t>& symbols,
                                             std::int64_t sectors, SubcodeForm form,
                                             DiscGraphics::Counts* counts) {
    const std::size_t perSector = cdg::kSubcodeBytesPerSector;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(sectors) * perSector);
    cdg::Deinterleaver d;
    std::vector<std::uint8_t> window(perSector * cdg::kInterleaveSectors);
    for (std::int64_t s = 0; s < sectors; ++s) {
        std::uint8_t* dest = out.data() + static_cast<std::size_t>(s) * perSector;
        const std::size_t at = static_cast<std::size_t>(s) * perSector;
        if (form == SubcodeForm::Packets) {
            std::copy(symbols.begin() + static_cast<std::ptrdiff_t>(at),
                      symbols.begin() + static_cast<std::ptrdiff_t>(at + perSector), dest);
            d.checkSector(dest);
            continue;
        }
        const std::size_t available = std::min(window.size(), symbols.size() - at);
        std::fill(window.begin(), window.end(), 0);
        std::copy(symbols.begin() + static_cast<std::ptrdiff_t>(at),
                  symbols.begin() + static_cast<std::ptrdiff_t>(at + available), window.begin());
        d.decodeSector(window.data(), dest);
    }
    if (counts) {
        counts->corrected += d.counts().corrected;
        counts->damaged += d.counts().damaged;
    }
    return out;
}

DiscGraphics::Presence FileGraphics::presence(int track) const {
    if (track < 1 || track > static_cast<int>(m_tracks.size())) return Presence::None;
    return m_tracks[static_cast<std::size_t>(track - 1)].kind == CdgPiece::Kind::None
               ? Presence::None
               : Presence::Present;
}

bool FileGraphics::read(int track, const Sink& sink, Counts* counts, std::string* error) {
    if (presence(track) != Presence::Present) return false;
    const CdgPiece& piece = m_tracks[static_cast<std::size_t>(track - 1)];
    const std::int64_t total = piece.sectors * cdg::kPacketsPerSector;  // packets of the track

    if (piece.kind == CdgPiece::Kind::Packets) {
        std::vector<std::uint8_t> all;
        if (piece.bytes) {
            all = *piece.bytes;
        } else {
            Fd f{::open(piece.path.c_str(), O_RDONLY | O_CLOEXEC)};
            std::error_code ec;
            const auto size = fs::file_size(piece.path, ec);
            if (f.fd < 0 || ec) {
                if (error) *error = piece.path + " を読み込めません";
                return false;
            }
            all.resize(static_cast<std::size_t>(size));
            if (!readAt(f.fd, 0, all.data(), all.size())) {
                if (error) *error = piece.path + " を読み込めません";
                return false;
            }
        }
        const std::int64_t have = static_cast<std::int64_t>(all.size()) / cdg::kPacketBytes;
        const std::int64_t from = std::min(piece.first, have);
        const std::int64_t to = std::min(have, piece.first + total);
        std::vector<std::uint8_t> packets(
            all.begin() + static_cast<std::ptrdiff_t>(from * cdg::kPacketBytes),
            all.begin() + static_cast<std::ptrdiff_t>(to * cdg::kPacketBytes));
        sink(std::move(packets));
        return true;
    }

    Fd f{::open(piece.path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (f.fd < 0) {
        if (error) *error = piece.path + " を読み込めません";
        return false;
    }
    const std::size_t perSector = cdg::kSubcodeBytesPerSector;
    // The sub-channel of sectors [from, from + n), plus the two after for the interleave.
    auto readSymbols = [&](std::int64_t from, std::int64_t n, std::vector<std::uint8_t>& out) {
        out.assign(static_cast<std::size_t>(n + 2) * perSector, 0);
        std::uint8_t packed[cdg::kSubcodeBytesPerSector];
        for (std::int64_t s = 0; s < n + 2; ++s) {
            std::uint8_t* dest = out.data() + static_cast<std::size_t>(s) * perSector;
            const std::int64_t at = piece.first + (from + s) * piece.stride;
            const bool channels = piece.kind == CdgPiece::Kind::ChannelFile;
            if (!readAt(f.fd, at, channels ? packed : dest, perSector)) {
                if (counts && s < n) ++counts->unreadable;
                std::memset(dest, 0, perSector);
                continue;
            }
            if (channels) cdg::unpackChannels(packed, dest);
        }
    };
    std::vector<std::uint8_t> symbols;
    readSymbols(0, std::min<std::int64_t>(piece.sectors, 300), symbols);
    const SubcodeForm form = guessSubcodeForm(symbols);
    for (std::int64_t s = 0; s < piece.sectors; s += kSectorsPerPiece) {
        const std::int64_t n = std::min(kSectorsPerPiece, piece.sectors - s);
        readSymbols(s, n, symbols);
        if (!sink(packetsFromSubcode(symbols, n, form, counts))) break;
    }
    return true;
}

}  // namespace lirafok::device::real
