#include "cdg/subcode.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace lirafok::cdg {

namespace {

// GF(64) with x^6 + x + 1; the primitive element is x (2).
struct Field {
    std::array<std::uint8_t, 128> exp{};
    std::array<int, 64> log{};
    Field() {
        int v = 1;
        for (int i = 0; i < 63; ++i) {
            exp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v);
            log[static_cast<std::size_t>(v)] = i;
            v <<= 1;
            if (v & 0x40) v ^= 0x43;
        }
        for (int i = 63; i < 128; ++i)
            exp[static_cast<std::size_t>(i)] = exp[static_cast<std::size_t>(i - 63)];
    }
    std::uint8_t mul(std::uint8_t a, std::uint8_t b) const {
        if (!a || !b) return 0;
        return exp[static_cast<std::size_t>(log[a] + log[b])];
    }
    std::uint8_t div(std::uint8_t a, std::uint8_t b) const {
        if (!a) return 0;
        return exp[static_cast<std::size_t>(log[a] + 63 - log[b])];
    }
    std::uint8_t pow(int e) const { return exp[static_cast<std::size_t>(((e % 63) + 63) % 63)]; }
};

const Field& gf() {
    static const Field f;
    return f;
}

// A Reed-Solomon code of `n` symbols with `parity` check symbols at its end; symbol 0 is the
// highest power, the generator's roots are 1, a, a^2, ...
struct Code {
    int n;
    int parity;

    // The codeword evaluated at a^j, j = 0 .. parity-1.
    bool syndromes(const std::uint8_t* c, std::uint8_t* s) const {
        bool clean = true;
        for (int j = 0; j < parity; ++j) {
            std::uint8_t v = 0;
            const std::uint8_t x = gf().pow(j);
            for (int i = 0; i < n; ++i) v = static_cast<std::uint8_t>(gf().mul(v, x) ^ c[i]);
            s[j] = v;
            clean = clean && v == 0;
        }
        return clean;
    }

    // Systematic encoding: the parity symbols are the remainder of the data times x^parity
    // divided by the generator.
    void encode(std::uint8_t* c) const {
        std::array<std::uint8_t, 8> g{};  // generator, highest power first, g[0] = 1
        g[0] = 1;
        for (int j = 0; j < parity; ++j) {
            const std::uint8_t root = gf().pow(j);
            for (int i = j + 1; i > 0; --i)
                g[static_cast<std::size_t>(i)] ^=
                    gf().mul(g[static_cast<std::size_t>(i - 1)], root);
        }
        std::array<std::uint8_t, 8> r{};
        for (int i = 0; i < n - parity; ++i) {
            const std::uint8_t f = c[i] ^ r[0];
            for (int k = 0; k + 1 < parity; ++k)
                r[static_cast<std::size_t>(k)] = r[static_cast<std::size_t>(k + 1)] ^
                                                 gf().mul(f, g[static_cast<std::size_t>(k + 1)]);
            r[static_cast<std::size_t>(parity - 1)] =
                gf().mul(f, g[static_cast<std::size_t>(parity)]);
        }
        for (int k = 0; k < parity; ++k) c[n - parity + k] = r[static_cast<std::size_t>(k)];
    }

    // Berlekamp-Massey, Chien search and Forney: corrects up to parity/2 symbols in place.
    // False when the word is beyond correction.
    bool correct(std::uint8_t* c) const {
        std::array<std::uint8_t, 8> s{};
        if (syndromes(c, s.data())) return true;
        std::array<std::uint8_t, 8> lambda{1}, prev{1};
        int length = 0, shift = 1;
        std::uint8_t prevDiscrepancy = 1;
        for (int k = 0; k < parity; ++k) {
            std::uint8_t d = s[static_cast<std::size_t>(k)];
            for (int i = 1; i <= length; ++i)
                d ^= gf().mul(lambda[static_cast<std::size_t>(i)],
                              s[static_cast<std::size_t>(k - i)]);
            if (d == 0) {
                ++shift;
                continue;
            }
            const auto saved = lambda;
            const std::uint8_t f = gf().div(d, prevDiscrepancy);
            for (int i = 0; i + shift < 8; ++i)
                lambda[static_cast<std::size_t>(i + shift)] ^=
                    gf().mul(f, prev[static_cast<std::size_t>(i)]);
            if (2 * length <= k) {
                length = k + 1 - length;
                prev = saved;
                prevDiscrepancy = d;
                shift = 1;
            } else {
                ++shift;
            }
        }
        if (length * 2 > parity) return false;
        // Omega = S(x) * Lambda(x) mod x^parity (lowest power first).
        std::array<std::uint8_t, 8> omega{};
        for (int i = 0; i < parity; ++i)
            for (int j = 0; j <= i; ++j)
                omega[static_cast<std::size_t>(i)] ^= gf().mul(
                    s[static_cast<std::size_t>(j)], lambda[static_cast<std::size_t>(i - j)]);
        auto eval = [](const std::array<std::uint8_t, 8>& p, int degree, std::uint8_t x) {
            std::uint8_t v = 0;
            for (int i = degree; i >= 0; --i)
                v = static_cast<std::uint8_t>(gf().mul(v, x) ^ p[static_cast<std::size_t>(i)]);
            return v;
        };
        int found = 0;
        std::array<std::uint8_t, 24> fixed{};
        std::copy(c, c + n, fixed.begin());
        for (int i = 0; i < n; ++i) {
            const int power = n - 1 - i;  // symbol i is the coefficient of x^power
            const std::uint8_t xInv = gf().pow(-power);
            if (eval(lambda, length, xInv) != 0) continue;
            // Lambda'(x): the odd-power terms, one power down.
            std::uint8_t derivative = 0;
            for (int k = 1; k <= length; k += 2)
                derivative ^=
                    gf().mul(lambda[static_cast<std::size_t>(k)], gf().pow(-power * (k - 1)));
            if (derivative == 0) return false;
            const std::uint8_t e =
                gf().mul(gf().pow(power), gf().div(eval(omega, parity - 1, xInv), derivative));
            fixed[static_cast<std::size_t>(i)] ^= e;
            ++found;
        }
        if (found != length) return false;
        std::array<std::uint8_t, 8> check{};
        if (!syndromes(fixed.data(), check.data())) return false;
        std::copy(fixed.begin(), fixed.begin() + n, c);
        return true;
    }
};

constexpr Code kQ{4, 2};
constexpr Code kP{24, 4};

// The place symbol c takes inside its packet on the disc.
int placeOf(int c) {
    switch (c) {
        case 1:
            return 18;
        case 18:
            return 1;
        case 2:
            return 5;
        case 5:
            return 2;
        case 3:
            return 23;
        case 23:
            return 3;
        default:
            return c;
    }
}

}  // namespace

int interleaveOffset(int c) {
    const int place = placeOf(c);
    return place + kPacketBytes * (place % 8);
}

void addParity(std::uint8_t* p) {
    for (int i = 0; i < kPacketBytes; ++i) p[i] &= kSymbolMask;
    kQ.encode(p);
    kP.encode(p);
}

Check correct(std::uint8_t* p) {
    for (int i = 0; i < kPacketBytes; ++i) p[i] &= kSymbolMask;
    std::array<std::uint8_t, 8> s{};
    const bool clean = kP.syndromes(p, s.data());
    if (!clean && !kP.correct(p)) return Check::Damaged;
    // Q parity is checked after P's correction: a miscorrection rarely leaves it whole.
    if (!kQ.syndromes(p, s.data())) return Check::Damaged;
    return clean ? Check::Clean : Check::Corrected;
}

std::vector<std::uint8_t> interleave(const std::vector<std::uint8_t>& packets) {
    const std::size_t count = packets.size() / kPacketBytes;
    // Up to 7 packets of delay: two sectors more cover the last packet's symbols.
    const std::size_t sectors = (count + kPacketsPerSector - 1) / kPacketsPerSector + 2;
    std::vector<std::uint8_t> raw(sectors * kSubcodeBytesPerSector, 0);
    for (std::size_t n = 0; n < count; ++n)
        for (int c = 0; c < kPacketBytes; ++c)
            raw[n * kPacketBytes + static_cast<std::size_t>(interleaveOffset(c))] =
                packets[n * kPacketBytes + static_cast<std::size_t>(c)] & kSymbolMask;
    return raw;
}

void unpackChannels(const std::uint8_t* packed, std::uint8_t* symbols) {
    for (int i = 0; i < kSubcodeBytesPerSector; ++i) {
        std::uint8_t v = 0;
        for (int ch = 0; ch < 8; ++ch) {
            const int bit = (packed[ch * 12 + i / 8] >> (7 - i % 8)) & 1;
            v = static_cast<std::uint8_t>(v | bit << (7 - ch));
        }
        symbols[i] = v;
    }
}

void packChannels(const std::uint8_t* symbols, std::uint8_t* packed) {
    std::memset(packed, 0, kSubcodeBytesPerSector);
    for (int i = 0; i < kSubcodeBytesPerSector; ++i)
        for (int ch = 0; ch < 8; ++ch)
            if ((symbols[i] >> (7 - ch)) & 1) packed[ch * 12 + i / 8] |= 1 << (7 - i % 8);
}

int Deinterleaver::decodeSector(const std::uint8_t* window, std::uint8_t* out) {
    int damaged = 0;
    for (int k = 0; k < kPacketsPerSector; ++k) {
        std::uint8_t* p = out + k * kPacketBytes;
        for (int c = 0; c < kPacketBytes; ++c)
            p[c] = window[k * kPacketBytes + interleaveOffset(c)] & kSymbolMask;
        damaged += checkOne(p);
    }
    return damaged;
}

int Deinterleaver::checkSector(std::uint8_t* packets) {
    int damaged = 0;
    for (int k = 0; k < kPacketsPerSector; ++k) damaged += checkOne(packets + k * kPacketBytes);
    return damaged;
}

int Deinterleaver::checkOne(std::uint8_t* p) {
    switch (correct(p)) {
        case Check::Clean:
            return 0;
        case Check::Corrected:
            ++m_counts.corrected;
            return 0;
        case Check::Damaged:
            break;
    }
    ++m_counts.damaged;
    std::memset(p, 0, kPacketBytes);
    return 1;
}

}  // namespace lirafok::cdg
