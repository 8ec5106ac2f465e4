#include "core/text.h"

#include "core/raw_file.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

namespace lirafok::text {

namespace {

// U+F700 + byte stands for a byte that does not decode. CP932 itself never decodes to this
// range (its user-defined area ends at U+E757), so the mapping is unambiguous.
constexpr char32_t kRawBase = 0xF700;

// Conversion tables built once from glibc's CP932 converter. Table lookups instead of one
// iconv call per line keep a catalogue of 150,000 lines fast to load, and let every
// undecodable byte be handled individually.
struct Cp932Tables {
    // Decoded form of one byte / one lead+trail pair: UTF-8 bytes packed low byte first in
    // the low 24 bits, their count in the top 8 bits; 0 = no character.
    std::array<std::uint32_t, 256> single{};
    std::array<std::uint32_t, 65536> pair{};
    std::array<bool, 256> lead{};
    // BMP code point -> CP932 code (one byte, or lead << 8 | trail); 0 = not in CP932
    // (U+0000 itself is handled before the lookup).
    std::array<std::uint16_t, 65536> encode{};
};

std::uint32_t packUtf8(char32_t c) {
    std::uint32_t b[3];
    int n;
    if (c < 0x80) {
        b[0] = c;
        n = 1;
    } else if (c < 0x800) {
        b[0] = 0xC0 | (c >> 6);
        b[1] = 0x80 | (c & 0x3F);
        n = 2;
    } else {
        b[0] = 0xE0 | (c >> 12);
        b[1] = 0x80 | ((c >> 6) & 0x3F);
        b[2] = 0x80 | (c & 0x3F);
        n = 3;
    }
    std::uint32_t packed = static_cast<std::uint32_t>(n) << 24;
    for (int i = 0; i < n; ++i) packed |= b[i] << (8 * i);
    return packed;
}

// Decodes `len` CP932 bytes that iconv must take as exactly one character; 0 when it does not.
char32_t decodeOne(iconv_t cd, const unsigned char* bytes, std::size_t len) {
    char in[2] = {static_cast<char>(bytes[0]), len > 1 ? static_cast<char>(bytes[1]) : '\0'};
    char32_t outBuf[4] = {};
    char* inPtr = in;
    std::size_t inLeft = len;
    char* outPtr = reinterpret_cast<char*>(outBuf);
    std::size_t outLeft = sizeof(outBuf);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) return 0;
    if (inLeft != 0 || sizeof(outBuf) - outLeft != sizeof(char32_t)) return 0;
    return outBuf[0];
}

std::unique_ptr<Cp932Tables> buildTables() {
    auto t = std::make_unique<Cp932Tables>();
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter only ASCII decodes; everything else survives as raw bytes.
        for (unsigned b = 0; b < 0x80; ++b) {
            t->single[b] = packUtf8(b);
            t->encode[b] = static_cast<std::uint16_t>(b);
        }
        return t;
    }
    for (unsigned b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        const bool isLead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        t->lead[b] = isLead;
        if (isLead) continue;
        const char32_t c = b == 0 ? 0 : decodeOne(cd, &byte, 1);
        if (b != 0 && (c == 0 || c >= 0x10000)) continue;
        t->single[b] = packUtf8(c);
        if (t->encode[c] == 0) t->encode[c] = static_cast<std::uint16_t>(b);
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!t->lead[lead]) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const unsigned char bytes[2] = {static_cast<unsigned char>(lead),
                                            static_cast<unsigned char>(trail)};
            const char32_t c = decodeOne(cd, bytes, 2);
            if (c == 0 || c >= 0x10000) continue;
            const unsigned code = lead << 8 | trail;
            t->pair[code] = packUtf8(c);
            // CP932 has a few characters under two codes; write back the one glibc's
            // encoder prefers, as the system code page does.
            if (t->encode[c] == 0) t->encode[c] = static_cast<std::uint16_t>(code);
        }
    }
    iconv_close(cd);
    iconv_t enc = iconv_open("CP932", "UTF-32LE");
    if (enc != reinterpret_cast<iconv_t>(-1)) {
        // The encoder also accepts characters that never come out of a CP932 file but do come
        // from input methods (U+301C wave dash, U+2212 minus, ...): ask it about the whole BMP.
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            if ((c >= 0xD800 && c <= 0xDFFF) || (c >= kRawBase && c <= kRawBase + 0xFF)) continue;
            char32_t in = c;
            unsigned char out[4] = {};
            char* inPtr = reinterpret_cast<char*>(&in);
            std::size_t inLeft = sizeof(in);
            char* outPtr = reinterpret_cast<char*>(out);
            std::size_t outLeft = sizeof(out);
            iconv(enc, nullptr, nullptr, nullptr, nullptr);
            if (iconv(enc, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
                continue;
            const std::size_t n = sizeof(out) - outLeft;
            if (n == 1) t->encode[c] = out[0];
            if (n == 2) t->encode[c] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
        }
        iconv_close(enc);
    }
    return t;
}

const Cp932Tables& tables() {
    static const std::unique_ptr<Cp932Tables> t = buildTables();
    return *t;
}

// Next code point of a UTF-8 string starting at `i`; advances `i`. A byte that is not valid
// UTF-8 is taken as the raw-byte character of its value, so it is written out unchanged.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const unsigned char b0 = static_cast<unsigned char>(s[i]);
    int n = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 1;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 2;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 3;
        c = b0 & 0x07;
    } else {
        ++i;
        return kRawBase + b0;
    }
    if (i + n >= s.size()) {
        ++i;
        return kRawBase + b0;
    }
    for (int k = 1; k <= n; ++k) {
        const unsigned char b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kRawBase + b0;
        }
        c = c << 6 | (b & 0x3F);
    }
    i += n + 1;
    return c;
}

// CP932 bytes of one code point: 1 or 2 bytes written to `out`; returns the count.
int encodeCodePoint(char32_t c, unsigned char out[2]) {
    if (c < 0x80) {
        out[0] = static_cast<unsigned char>(c);
        return 1;
    }
    if (c >= kRawBase && c <= kRawBase + 0xFF) {
        out[0] = static_cast<unsigned char>(c - kRawBase);
        return 1;
    }
    const std::uint16_t code = c < 0x10000 ? tables().encode[c] : 0;
    if (code == 0) {
        out[0] = '?';
        return 1;
    }
    if (code < 0x100) {
        out[0] = static_cast<unsigned char>(code);
        return 1;
    }
    out[0] = static_cast<unsigned char>(code >> 8);
    out[1] = static_cast<unsigned char>(code & 0xFF);
    return 2;
}

// Decodes CP932 bytes into `dst`, which must have room for 3 * n bytes (the largest growth:
// a half-width katakana byte becomes three UTF-8 bytes). Returns the bytes written.
std::size_t decodeRaw(char* dst, const unsigned char* p, std::size_t n) {
    const Cp932Tables& t = tables();
    char* o = dst;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            *o++ = static_cast<char>(b);
            ++i;
            continue;
        }
        std::uint32_t packed = 0;
        if (t.lead[b]) {
            // A lead byte without a valid trail keeps only itself raw; the next byte is read
            // afresh (it may be a line's ASCII text).
            if (i + 1 < n) packed = t.pair[b << 8 | p[i + 1]];
            if (packed != 0) ++i;
        } else {
            packed = t.single[b];
        }
        if (packed == 0) packed = packUtf8(kRawBase + b);
        const int len = static_cast<int>(packed >> 24);
        for (int k = 0; k < len; ++k) *o++ = static_cast<char>((packed >> (8 * k)) & 0xFF);
        ++i;
    }
    return static_cast<std::size_t>(o - dst);
}

}  // namespace

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string fromCp932(std::string_view bytes) {
    std::string out(bytes.size() * 3, '\0');
    out.resize(
        decodeRaw(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
    return out;
}

std::string fromCp1252(std::string_view bytes) {
    // 0x80..0x9F; the rest of the upper half is Latin-1.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    }
    return out;
}

bool validUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // The second byte's range rules out overlong forms, surrogates and code points past
        // U+10FFFF; the later ones are plain continuation bytes.
        std::size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (n - i < len || p[i + 1] < lo || p[i + 1] > hi) return false;
        for (std::size_t k = 2; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
        }
        i += len;
    }
    return true;
}

std::string toCp932(std::string_view utf8) {
    const Cp932Tables& t = tables();
    std::string out;
    out.reserve(utf8.size());
    // Where the last byte written is a raw lead byte kept from a read; npos otherwise.
    std::size_t rawLead = std::string::npos;
    auto append = [&](const unsigned char* bytes, int n, bool raw) {
        // A raw lead byte followed by a byte that completes a character would be read back
        // as that character, swallowing the first byte of what follows: the raw byte gives
        // way to "?" so that the following text survives.
        if (rawLead != std::string::npos) {
            const unsigned char lead = static_cast<unsigned char>(out[rawLead]);
            if (t.pair[lead << 8 | bytes[0]] != 0) out[rawLead] = '?';
            rawLead = std::string::npos;
        }
        out.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(n));
        if (raw && n == 1 && t.lead[bytes[0]]) rawLead = out.size() - 1;
    };
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            append(&b, 1, false);
            ++i;
            continue;
        }
        unsigned char enc[2];
        const std::size_t at = i;
        const char32_t c = nextCodePoint(utf8, i);
        const int n = encodeCodePoint(c, enc);
        // A kept raw byte is a three-byte character; a stray byte that is not UTF-8 at all
        // goes out unchanged, as it came.
        append(enc, n, i - at == 3 && c >= kRawBase && c <= kRawBase + 0xFF);
    }
    return out;
}

bool inCp932(char32_t c) {
    if (c < 0x80) return true;
    return c < 0x10000 && (c < kRawBase || c > kRawBase + 0xFF) && tables().encode[c] != 0;
}

std::size_t byteLength(std::string_view utf8) {
    std::size_t len = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned char enc[2];
        len += static_cast<std::size_t>(encodeCodePoint(nextCodePoint(utf8, i), enc));
    }
    return len;
}

std::string byteMid(std::string_view utf8, std::size_t start, long count) {
    if (start < 1) start = 1;
    const std::size_t first = start - 1;  // 0-based byte offset of the slice
    const std::size_t end = count < 0 ? std::numeric_limits<std::size_t>::max()
                                      : first + static_cast<std::size_t>(count);
    std::string out;
    std::size_t pos = 0;  // CP932 byte offset of the current code point
    std::size_t i = 0;
    while (i < utf8.size() && pos < end) {
        const std::size_t from = i;
        unsigned char enc[2];
        const int n = encodeCodePoint(nextCodePoint(utf8, i), enc);
        const std::size_t cpEnd = pos + static_cast<std::size_t>(n);
        if (pos >= first && cpEnd <= end) {
            out.append(utf8.substr(from, i - from));
        } else {
            // A double-byte character cut by the slice keeps its byte inside as a raw byte.
            for (int k = 0; k < n; ++k) {
                const std::size_t at = pos + static_cast<std::size_t>(k);
                if (at >= first && at < end) appendUtf8(out, kRawBase + enc[k]);
            }
        }
        pos = cpEnd;
    }
    return out;
}

std::string padBytes(std::string_view utf8, std::size_t bytes) {
    std::string out(utf8);
    const std::size_t len = byteLength(utf8);
    if (len < bytes) out.append(bytes - len, ' ');
    return out;
}

std::size_t charLength(std::string_view utf8) {
    std::size_t n = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        nextCodePoint(utf8, i);
        ++n;
    }
    return n;
}

std::string mid(std::string_view utf8, std::size_t start, long count) {
    if (start < 1) start = 1;
    std::size_t i = 0;
    for (std::size_t skipped = 1; skipped < start && i < utf8.size(); ++skipped)
        nextCodePoint(utf8, i);
    if (count < 0) return std::string(utf8.substr(i));
    const std::size_t from = i;
    for (long taken = 0; taken < count && i < utf8.size(); ++taken) nextCodePoint(utf8, i);
    return std::string(utf8.substr(from, i - from));
}

std::string left(std::string_view utf8, std::size_t count) {
    return mid(utf8, 1, static_cast<long>(count));
}

char32_t firstChar(std::string_view utf8) {
    if (utf8.empty()) return 0;
    std::size_t i = 0;
    return nextCodePoint(utf8, i);
}

double valDouble(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') number += '-';
        ++i;
    }
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        number += s[i++];
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        std::string fraction;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') fraction += s[j++];
        if (!fraction.empty()) {
            if (!digits) number += '0';
            number += '.';
            number += fraction;
            digits = true;
        }
    }
    if (!digits) return 0.0;
    double value = 0.0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    return value == 0.0 ? 0.0 : value;  // no negative zero from "-0"
}

std::int32_t val(std::string_view s) {
    const double v = std::nearbyint(valDouble(s));  // default rounding: halves to even
    if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

std::string pad(std::int64_t n, int digits) {
    const bool negative = n < 0;
    const std::uint64_t magnitude =
        negative ? static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(n)
                 : static_cast<std::uint64_t>(n);
    std::string body = std::to_string(magnitude);
    if (static_cast<int>(body.size()) < digits)
        body.insert(0, static_cast<std::size_t>(digits) - body.size(), '0');
    return negative ? "-" + body : body;
}

bool forEachLine(const std::string& path, const std::function<void(std::string_view)>& onLine) {
    // The file streams through the reader's fixed buffer so that a large catalogue is never
    // held whole; LF never occurs inside a CP932 double-byte character, so the reader's line
    // split on raw bytes is exact.
    rawfile::ChunkReader reader(path);
    if (!reader.isOpen()) return false;
    std::string scratch;
    std::string_view line;
    while (reader.nextLine(line)) {
        if (scratch.size() < 3 * line.size()) scratch.resize(3 * line.size());
        onLine(std::string_view(
            scratch.data(),
            decodeRaw(scratch.data(), reinterpret_cast<const unsigned char*>(line.data()),
                      line.size())));
    }
    return !reader.failed();
}

std::optional<std::vector<std::string>> readLines(const std::string& path) {
    std::vector<std::string> lines;
    struct stat st {};
    // Capacity only reserves address space; pages are touched as lines arrive.
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        lines.reserve(static_cast<std::size_t>(st.st_size) / 16 + 16);
    if (!forEachLine(path, [&](std::string_view line) { lines.emplace_back(line); }))
        return std::nullopt;
    return lines;
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string data;
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    data.reserve(size);
    for (const std::string& line : lines) {
        data += toCp932(line);
        data += "\r\n";
    }
    return rawfile::writeBytes(path, data);
}

bool copyFile(const std::string& from, const std::string& to) {
    std::optional<std::string> data = rawfile::readBytes(from);
    if (!data) return false;
    return rawfile::writeBytes(to, *data);
}

}  // namespace lirafok::text
