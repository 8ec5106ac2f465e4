#include "core/text.h"
#include "core/raw_file.h"

#include "../support/temp_folder.h"
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <limits>

namespace lirafok::text {
namespace {

namespace fs = std::filesystem;

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A code point of the raw-byte range, as UTF-8.
std::string raw(unsigned char b) {
    const char32_t c = 0xF700 + b;
    std::string s;
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
    return s;
}

struct CodeCase {
    const char* what;
    std::string cp932;
    std::string utf8;
};

TEST(Cp932, DecodesAndEncodesBothWays) {
    const CodeCase cases[] = {
        {"ascii", "KASIH=1", "KASIH=1"},
        {"full-width font name", "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E",
         "ＭＳ Ｐゴシック"},
        {"half-width katakana", "\xCC\xAB\xDD\xC4\x95\x57\x8F\x80", "ﾌｫﾝﾄ標準"},
        {"ideographic space", "\x81\x40", "　"},
        {"trail byte 0x5C is not a backslash", "\x83\x5C", "ソ"},
        {"user-defined area", "\xF0\x40", "\xEE\x80\x80"},
        {"bytes that never decode", std::string("\x80\xA0\xFD\xFE\xFF", 5),
         raw(0x80) + raw(0xA0) + raw(0xFD) + raw(0xFE) + raw(0xFF)},
        {"lone lead byte at the end", "A\x82", "A" + raw(0x82)},
        {"lead byte before a line's ASCII",
         "\x82\x0D"
         "B",
         raw(0x82) + "\rB"},
        {"undefined double-byte code", "\x85\x40", raw(0x85) + "@"},
    };
    for (const CodeCase& c : cases) {
        EXPECT_EQ(fromCp932(c.cp932), c.utf8) << c.what;
        EXPECT_EQ(toCp932(c.utf8), c.cp932) << c.what;
    }
}

TEST(Cp932, ARawLeadByteNeverSwallowsWhatFollowsIt) {
    // Text cut and joined after reading (a field padded to its width, an edited line) can put
    // a kept raw lead byte before a byte that would complete a character with it.
    EXPECT_EQ(toCp932("A" + raw(0x82) + "ａ"), "A?\x82\x81");  // raw 0x82 + "ａ" (0x82 0x81)
    EXPECT_EQ(toCp932(raw(0x81) + "A"), "?A");                 // 0x81 0x41 reads as "、"
    EXPECT_EQ(toCp932(raw(0x85) + "@"), "\x85@");              // no character: both kept
    EXPECT_EQ(fromCp932(toCp932(raw(0x81) + "ソ")), "?ソ");
}

TEST(Cp932, EncodesInputMethodVariantsAndReplacesTheRest) {
    const CodeCase cases[] = {
        {"wave dash", "\x81\x60", "〜"},
        {"full-width tilde", "\x81\x60", "～"},
        {"minus sign", "\x81\x7C", "−"},
        {"emoji", "?", "\xF0\x9F\x8E\xB5"},
        {"hangul", "?", "한"},
        // Bytes that are not UTF-8 at all go out unchanged.
        {"stray bytes", "\xFF\x82\xA0", "\xFF\x82\xA0"},
        {"cut sequence", "a\xE3\x81", "a\xE3\x81"},
        // A few characters have two codes; the one written back is the system's choice.
        {"NEC duplicate of ≒", "\x81\xE0", "≒"},
    };
    for (const CodeCase& c : cases) EXPECT_EQ(toCp932(c.utf8), c.cp932) << c.what;
    EXPECT_EQ(fromCp932("\x87\x90"), "≒");
}

TEST(Cp1252, DecodesWindowsWesternTextAndUtf8IsToldApart) {
    EXPECT_EQ(fromCp1252("Don\x92t \x80\x96 Caf\xE9\xFF"), "Don’t €– Caféÿ");
    EXPECT_EQ(fromCp1252("\x81\x9D"), "\xC2\x81\xC2\x9D");  // undefined: C1 controls
    const std::pair<std::string, bool> utf8[] = {
        {"テスト €", true},          {"\xF0\x9F\x8E\xB5", true}, {"\xC0\xAF", false},  // overlong
        {"\xED\xA0\x80", false},                                                       // surrogate
        {"\xF4\x90\x80\x80", false}, {"\xE3\x83", false},        {"Don\x92t", false},
    };
    for (const auto& [bytes, valid] : utf8) EXPECT_EQ(validUtf8(bytes), valid) << bytes;
}

TEST(Cp932, LengthsAndSlicesCountBytes) {
    EXPECT_EQ(byteLength("ＭＳ Ｐゴシック"), 15u);
    EXPECT_EQ(byteLength("ｶﾀｶﾅ"), 4u);
    EXPECT_EQ(byteLength("abc" + raw(0x82)), 4u);
    EXPECT_EQ(byteLength("\xF0\x9F\x8E\xB5"), 1u);  // written as "?"

    struct SliceCase {
        std::string in;
        std::size_t start;
        long count;
        std::string out;
    };
    const SliceCase cases[] = {
        {"あいう", 3, 2, "い"},
        {"あいう", 3, -1, "いう"},
        {"aあb", 1, 2, "a" + raw(0x82)},          // cut after the lead byte
        {"aあb", 3, 2, raw(0xA0) + "b"},          // cut before the trail byte
        {"あいう", 2, 2, raw(0xA0) + raw(0x82)},  // cut through two characters
        {"abc", 5, 2, ""},
        {"abc", 2, 0, ""},
        {"ｶﾀｶﾅ", 2, 2, "ﾀｶ"},
    };
    for (const SliceCase& c : cases)
        EXPECT_EQ(byteMid(c.in, c.start, c.count), c.out) << c.in << " " << c.start;

    EXPECT_EQ(padBytes("あ", 4), "あ  ");
    EXPECT_EQ(padBytes("ab", 1), "ab");
    EXPECT_EQ(byteLength(padBytes("曲名", 26)), 26u);
}

TEST(Text, CharacterSlices) {
    EXPECT_EQ(charLength("ＭＳ Ｐゴシック"), 8u);
    EXPECT_EQ(charLength(""), 0u);
    EXPECT_EQ(mid("FONTN=ＭＳ Ｐゴシック", 7), "ＭＳ Ｐゴシック");
    EXPECT_EQ(mid("GMNSN=10135000585", 8, 5), "01350");
    EXPECT_EQ(mid("あいう", 2, 1), "い");
    EXPECT_EQ(mid("KASIF=", 7, 2), "");
    EXPECT_EQ(mid("abc", 9), "");
    EXPECT_EQ(left("曲名一覧", 2), "曲名");
    EXPECT_EQ(left("ab", 5), "ab");
    EXPECT_EQ(firstChar("ﾌｫﾝﾄ"), U'ﾌ');
    EXPECT_EQ(firstChar(""), 0u);
}

TEST(Text, LenientNumbers) {
    struct NumberCase {
        const char* in;
        double asDouble;
        std::int32_t asInt;
    };
    const NumberCase cases[] = {
        {"12", 12, 12},
        {"  12abc", 12, 12},
        {"\t7", 7, 7},
        {"00100", 100, 100},
        {"-01", -1, -1},
        {"+5", 5, 5},
        {"", 0, 0},
        {"abc", 0, 0},
        {"-", 0, 0},
        {"- 5", 0, 0},
        {"1.5", 1.5, 2},
        {"2.5", 2.5, 2},
        {"-2.5", -2.5, -2},
        {"3.7pt", 3.7, 4},
        {".5", 0.5, 0},
        {"5.", 5, 5},
        {"１２", 0, 0},  // full-width digits are not digits
        {"99999999999", 99999999999.0, std::numeric_limits<std::int32_t>::max()},
        {"-99999999999", -99999999999.0, std::numeric_limits<std::int32_t>::min()},
    };
    for (const NumberCase& c : cases) {
        EXPECT_DOUBLE_EQ(valDouble(c.in), c.asDouble) << c.in;
        EXPECT_EQ(val(c.in), c.asInt) << c.in;
    }
}

TEST(Text, ZeroPadding) {
    struct PadCase {
        std::int64_t n;
        int digits;
        const char* out;
    };
    const PadCase cases[] = {
        {7, 3, "007"},
        {-1, 2, "-01"},
        {123, 2, "123"},
        {0, 2, "00"},
        {-5, 5, "-00005"},
        {51200, 6, "051200"},
        {8, 2, "08"},
        {5, 0, "5"},
        {std::numeric_limits<std::int64_t>::min(), 1, "-9223372036854775808"},
    };
    for (const PadCase& c : cases) EXPECT_EQ(pad(c.n, c.digits), c.out) << c.n;
}

TEST(TextFile, SplitsLines) {
    const lirafok::testing::TempFolder tmp{"text"};
    const std::string dir = tmp.path();
    struct SplitCase {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const SplitCase cases[] = {
        {"", {}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r\n", {"a\rb"}},
        {"\r\n", {""}},
        {"a\r\n\r\n", {"a", ""}},
        {"x\r", {"x\r"}},
        {"\x82\xA0\r\n\x82\r\n", {"あ", raw(0x82)}},
    };
    for (const SplitCase& c : cases) {
        writeBytes(dir + "/f.txt", c.bytes);
        const auto lines = readLines(dir + "/f.txt");
        ASSERT_TRUE(lines.has_value());
        EXPECT_EQ(*lines, c.lines) << c.bytes;
    }
    EXPECT_FALSE(readLines(dir + "/missing.txt").has_value());
    EXPECT_FALSE(readLines(dir).has_value());  // a folder is not a file
    fs::remove_all(dir);
}

TEST(TextFile, LinesAcrossTheReadBuffer) {
    // Line breaks and double-byte characters that straddle 1 MiB boundaries (several of the
    // reader's chunks), and a line longer than a chunk.
    const lirafok::testing::TempFolder tmp{"text"};
    const std::string dir = tmp.path();
    const std::size_t chunk = std::size_t{1} << 20;
    std::string bytes(chunk - 1, 'a');
    bytes += "\r\n";  // CR is the chunk's last byte
    bytes += std::string(chunk - 2, 'b');
    bytes += "\x82\xA0";  // straddles the next boundary
    bytes += "\r\n";
    bytes += std::string(3 * chunk, 'c');
    writeBytes(dir + "/big.txt", bytes);
    const auto lines = readLines(dir + "/big.txt");
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), 3u);
    EXPECT_EQ((*lines)[0], std::string(chunk - 1, 'a'));
    EXPECT_EQ((*lines)[1], std::string(chunk - 2, 'b') + "あ");
    EXPECT_EQ((*lines)[2].size(), 3 * chunk);

    std::size_t seen = 0;
    EXPECT_TRUE(forEachLine(dir + "/big.txt", [&](std::string_view) { ++seen; }));
    EXPECT_EQ(seen, 3u);
    EXPECT_FALSE(forEachLine(dir + "/none.txt", [&](std::string_view) {}));
    fs::remove_all(dir);
}

TEST(TextFile, AFileReadsWholeWhateverItsSizeSaid) {
    // The reader sizes its buffer from the file's size: a file that grows after it was
    // opened, and a file that says it is empty but is not (as /proc files do), still read to
    // their end.
    const lirafok::testing::TempFolder tmp{"text"};
    const std::string path = tmp.path() + "/growing.txt";
    writeBytes(path, "first\r\n");
    lirafok::rawfile::ChunkReader reader(path);
    {
        std::ofstream grow(path, std::ios::binary | std::ios::app);
        grow << std::string(10000, 'x') << "\r\nlast";
    }
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.nextLine(line)) lines.emplace_back(line);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(lines, (std::vector<std::string>{"first", std::string(10000, 'x'), "last"}));

    const auto status = lirafok::rawfile::readBytes("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(status->find("\nVmRSS:"), std::string::npos);
}

TEST(TextFile, WriteReadRoundTripKeepsEveryByte) {
    const lirafok::testing::TempFolder tmp{"text"};
    const std::string dir = tmp.path();
    std::string original = "000012345-00-夜空のムコウ          \r\n";
    original += "ﾌｫﾝﾄ01\r\n";
    original += "\x80\xFD\xFF\x82 lone\r\n";
    original += "\x81\x40\x81\x40\r\n";
    writeBytes(dir + "/cat.txt", original);
    const auto lines = readLines(dir + "/cat.txt");
    ASSERT_TRUE(lines.has_value());
    ASSERT_TRUE(writeLines(dir + "/copy.txt", *lines));
    EXPECT_EQ(readBytes(dir + "/copy.txt"), original);
    fs::remove_all(dir);
}

TEST(TextFile, FailedWriteLeavesNothingBehind) {
    const lirafok::testing::TempFolder tmp{"text"};
    const std::string dir = tmp.path();
    // The target is a folder: the rename cannot replace it.
    fs::create_directory(dir + "/LIRAFOK.TXT");
    EXPECT_FALSE(writeLines(dir + "/LIRAFOK.TXT", {"x"}));
    EXPECT_TRUE(fs::is_directory(dir + "/LIRAFOK.TXT"));
    // The folder does not exist.
    EXPECT_FALSE(writeLines(dir + "/no/such/LIRAFOK.TXT", {"x"}));
    EXPECT_FALSE(copyFile(dir + "/none", dir + "/copy"));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
    EXPECT_EQ(entries, 1u) << "a temporary file was left behind";
    fs::remove_all(dir);
}

TEST(TextFile, RewriteReplacesContentAndKeepsPermissions) {
    const lirafok::testing::TempFolder tmp{"text"};
    const std::string dir = tmp.path();
    const std::string path = dir + "/LIRAFOK.INI";
    writeBytes(path, "old line that is longer than the new one\r\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeLines(path, {"KASIH=1", "FONTN=ＭＳ Ｐゴシック"}));
    EXPECT_EQ(readBytes(path),
              "KASIH=1\r\nFONTN=\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_TRUE(rawfile::fileExists(path));
    EXPECT_FALSE(rawfile::fileExists(dir));
    EXPECT_FALSE(rawfile::fileExists(dir + "/none"));

    ASSERT_TRUE(writeLines(path, {}));
    EXPECT_EQ(readBytes(path), "");

    // copyFile is byte for byte, lone LFs included.
    writeBytes(dir + "/src", std::string("a\nb\r\n\x80"));
    ASSERT_TRUE(copyFile(dir + "/src", path));
    EXPECT_EQ(readBytes(path), std::string("a\nb\r\n\x80"));
    fs::remove_all(dir);
}

TEST(TextFile, RewriteFollowsLinksAndClearsWhatAKilledSaveLeft) {
    const lirafok::testing::TempFolder tmp{"text"};
    const std::string dir = tmp.path();
    // A settings file kept elsewhere and linked in stays linked after a save.
    fs::create_directory(dir + "/dotfiles");
    writeBytes(dir + "/dotfiles/LIRAFOK.INI", "old\r\n");
    fs::create_symlink("dotfiles/LIRAFOK.INI", dir + "/LIRAFOK.INI");
    ASSERT_TRUE(writeLines(dir + "/LIRAFOK.INI", {"new"}));
    EXPECT_TRUE(fs::is_symlink(dir + "/LIRAFOK.INI"));
    EXPECT_EQ(readBytes(dir + "/dotfiles/LIRAFOK.INI"), "new\r\n");

    // A save killed before its rename left its temporary file; the next save of that file
    // removes it, and leaves other files alone.
    writeBytes(dir + "/CDOKE.DAT.tmpAbC123", std::string(1000, 'x'));
    writeBytes(dir + "/CDOKE.DAT.tmp", "not ours");
    writeBytes(dir + "/OTHER.DAT.tmpAbC123", "another file's");
    ASSERT_TRUE(writeLines(dir + "/CDOKE.DAT", {"x"}));
    EXPECT_FALSE(fs::exists(dir + "/CDOKE.DAT.tmpAbC123"));
    EXPECT_TRUE(fs::exists(dir + "/CDOKE.DAT.tmp"));
    EXPECT_TRUE(fs::exists(dir + "/OTHER.DAT.tmpAbC123"));
}

}  // namespace
}  // namespace lirafok::text
