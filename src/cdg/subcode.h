#pragma once
// The R-W sub-channel of a CD as drives and disc images hand it over, turned into CD+G packets.
//
// On the disc the 24 symbols of each packet are spread over the following packets: symbols
// 1 and 18, 2 and 5, 3 and 23 change places, and the symbol that lands at place p is delayed
// by p mod 8 packets, so that a scratch damages a few symbols of many packets rather than a
// whole packet. Each packet carries two Reed-Solomon codes over GF(64) (x^6 + x + 1): Q parity
// (symbols 2-3) over symbols 0-1, and P parity (symbols 20-23) over symbols 0-19, which
// corrects up to two wrong symbols in a packet.
//
// Drives return the sub-channel either raw (96 bytes a sector, each the P-W bits of one
// symbol time, R-W interleaved as on the disc) or de-interleaved and corrected (4 packets a
// sector). CloneCD's .sub files hold the raw symbols packed by channel (12 bytes of P, 12 of
// Q, then R-W).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cdg/packet.h"

namespace lirafok::cdg {

// Where symbol `c` of packet `n` sits in the raw symbol stream: n * 24 + interleaveOffset(c).
int interleaveOffset(int c);
// Raw sectors a packet reaches into: its own and the two after it.
inline constexpr int kInterleaveSectors = 3;

// Fills in the Q and P parity symbols of a packet (symbols 2-3 and 20-23).
void addParity(std::uint8_t* packet);

enum class Check {
    Clean,      // both parities held
    Corrected,  // up to two symbols were wrong and are corrected in place
    Damaged,    // beyond correction: the packet must be skipped
};
// Checks and corrects a packet (the two high bits of each symbol are cleared first).
Check correct(std::uint8_t* packet);

// Interleaves `packets` (whole packets) into raw sub-channel symbols as a disc carries them:
// one byte per symbol with the R-W bits in its low six bits, P and Q clear. The result holds
// whole sectors (96 symbols each), long enough for the delays of the last packet.
std::vector<std::uint8_t> interleave(const std::vector<std::uint8_t>& packets);

// CloneCD's .sub layout <-> one byte per symbol (P in bit 7 ... W in bit 0), one sector.
void unpackChannels(const std::uint8_t* packed96, std::uint8_t* symbols96);
void packChannels(const std::uint8_t* symbols96, std::uint8_t* packed96);

// Turns raw symbols into packets, sector after sector.
class Deinterleaver {
public:
    struct Counts {
        std::int64_t corrected = 0;   // packets with wrong symbols put right
        std::int64_t damaged = 0;     // packets beyond correction, skipped
        std::int64_t unreadable = 0;  // sectors the source could not read, skipped
    };

    // The 4 packets of raw sector `s` need sectors s, s+1 and s+2. `window` holds the three
    // (3 * 96 raw symbols; a sector that could not be read is given as zeros, which spoils
    // the packets that reach into it). Writes 4 packets to `out`; a damaged packet is written
    // as zeros (which draw nothing). Returns how many of the 4 were damaged.
    int decodeSector(const std::uint8_t* window, std::uint8_t* out);
    // Checks packets the drive de-interleaved and corrected itself (4 per sector), in place;
    // one beyond correction is zeroed and counted.
    int checkSector(std::uint8_t* packets);
    const Counts& counts() const { return m_counts; }
    void countUnreadable() { ++m_counts.unreadable; }

private:
    int checkOne(std::uint8_t* packet);  // 1 when damaged (then zeroed)

    Counts m_counts;
};

}  // namespace lirafok::cdg
