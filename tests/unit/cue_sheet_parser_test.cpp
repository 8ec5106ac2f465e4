// The CUE sheet parser on the text alone: what rippers write, in the encodings they write it,
// and what cannot describe a CD.
#include "device/real/cue_sheet.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

namespace lirafok::device::real {
namespace {

const char* name(CueEncoding e) {
    switch (e) {
        case CueEncoding::Utf8:
            return "utf8";
        case CueEncoding::Utf16:
            return "utf16";
        case CueEncoding::Cp932:
            return "cp932";
        case CueEncoding::Cp1252:
            return "cp1252";
    }
    return "?";
}

// The sheet on one line: encoding, disc text, files, and per track its mode, sector size,
// indexes (number@file:sector), gaps and text.
std::string describe(const CueSheet& s) {
    std::string out = name(s.encoding);
    auto text = [&](const char* key, const std::string& v) {
        if (!v.empty()) out += std::string(" ") + key + "=" + v;
    };
    text("title", s.title);
    text("performer", s.performer);
    for (const CueFile& f : s.files) {
        out += " file=" + f.name;
        if (f.kind == CueFileKind::Binary) out += "(bin)";
        if (f.kind == CueFileKind::Motorola) out += "(motorola)";
    }
    for (const CueTrack& t : s.tracks) {
        out.append(" track").append(std::to_string(t.number)).append(":");
        out.append(t.audio ? "audio/" : "data/").append(std::to_string(t.sectorBytes));
        for (const CueIndex& i : t.indexes) {
            out.append(" ").append(std::to_string(i.number)).append("@");
            out.append(std::to_string(i.file)).append(":").append(std::to_string(i.sector));
        }
        if (t.pregap) out.append(" pregap=").append(std::to_string(t.pregap));
        if (t.postgap) out.append(" postgap=").append(std::to_string(t.postgap));
        text("title", t.title);
        text("performer", t.performer);
    }
    return out;
}

const std::string kOne = "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n";
struct ReadCase {
    const char* what;
    std::string bytes;
    std::string sheet;
};

// What reading a sheet through files adds (gaps across files, BIN images, UTF-16, files named
// in CP932) is checked by tests/real/cue_sheet_test.cpp; here, the text alone.
TEST(CueSheetParser, ReadsWhatRippersWrite) {
    const ReadCase cases[] = {
        {"a sheet with every kind of line",
         "REM GENRE Pop\nPERFORMER \"Singer\"\nTITLE \"Album\"\nCATALOG 4988001234567\n"
         "CDTEXTFILE \"x.cdt\"\nFILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"One\"\n"
         "    PERFORMER \"Singer\"\n    SONGWRITER \"Writer\"\n    ISRC JPAB09900001\n"
         "    FLAGS DCP PRE\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 03:00:00\n"
         "    INDEX 01 03:02:00\n    INDEX 02 03:10:00\n    POSTGAP 00:02:00\n",
         "utf8 title=Album performer=Singer file=a.wav track1:audio/2352 1@0:0 title=One "
         "performer=Singer track2:audio/2352 0@0:13500 1@0:13650 2@0:14250 postgap=150"},
        {"keywords in any case, CR or LF line ends, tabs, short times",
         "file \"a.wav\" wave\rtrack 1 audio\rindex 1 0\rTrack 2 Audio\rIndex 0 1:00\r"
         "index 01 99\r\t TRACK\t3\tAUDIO \r\nINDEX 1 120:00:00\n\n",
         "utf8 file=a.wav track1:audio/2352 1@0:0 track2:audio/2352 0@0:75 1@0:99 "
         "track3:audio/2352 1@0:540000"},
        {"stray and missing quotes in text",
         "TITLE \"12\" Single\"\nPERFORMER \"A\" B's\n" + kOne +
             "  TITLE \"left open\n  PERFORMER plain words\nREM COMMENT 'x\n",
         "utf8 title=12\" Single performer=A file=a.wav track1:audio/2352 1@0:0 "
         "title=left open performer=plain words"},
        {"file names unquoted, with blanks, without a type",
         "FILE My Song.wav WAVE\nTRACK 1 AUDIO\nINDEX 1 0\nFILE \"b.flac\"\nTRACK 2 AUDIO\n"
         "INDEX 1 0\nFILE c.wav\nTRACK 3 AUDIO\nINDEX 1 0\n",
         "utf8 file=My Song.wav file=b.flac file=c.wav track1:audio/2352 1@0:0 "
         "track2:audio/2352 1@1:0 track3:audio/2352 1@2:0"},
        {"track modes and their sector sizes",
         "FILE \"d.bin\" binary\nTRACK 1 MODE1/2048\nINDEX 1 0\nTRACK 2 MODE2/2336\nINDEX 1 1\n"
         "TRACK 3 CDG\nINDEX 1 2\nTRACK 4 MODE2/2352\nINDEX 1 3\nTRACK 5 WEIRD\nINDEX 1 4\n"
         "TRACK 6\nINDEX 1 5\nTRACK 7 MODE1/99999\nINDEX 1 6\n",
         "utf8 file=d.bin(bin) track1:data/2048 1@0:0 track2:data/2336 1@0:1 "
         "track3:audio/2448 1@0:2 track4:data/2352 1@0:3 track5:data/2352 1@0:4 "
         "track6:data/2352 1@0:5 track7:data/2352 1@0:6"},
        {"PREGAP and INDEX 00 together; INDEX 00 at INDEX 01",
         kOne + " TRACK 02 AUDIO\n  PREGAP 00:02:00\n  INDEX 00 00:10:00\n  INDEX 01 00:11:00\n"
                " TRACK 03 AUDIO\n  INDEX 00 00:20:00\n  INDEX 01 00:20:00\n",
         "utf8 file=a.wav track1:audio/2352 1@0:0 track2:audio/2352 0@0:750 1@0:825 pregap=150 "
         "track3:audio/2352 0@0:1500 1@0:1500"},
        {"a CP932 trail byte that is a backslash",
         text::toCp932("FILE \"ソ\\ソ.wav\" WAVE\n") + kOne.substr(18),
         "cp932 file=ソ\\ソ.wav track1:audio/2352 1@0:0"},
        {"a kanji standing alone", text::toCp932("TITLE \"愛\"\n") + kOne,
         "cp932 title=愛 file=a.wav track1:audio/2352 1@0:0"},
        {"kana between letters", text::toCp932("TITLE \"AあB\"\n") + kOne,
         "cp932 title=AあB file=a.wav track1:audio/2352 1@0:0"},
        {"half-width katakana", text::toCp932("TITLE \"ﾃｽﾄ\"\n") + kOne,
         "cp932 title=ﾃｽﾄ file=a.wav track1:audio/2352 1@0:0"},
        {"a CP1252 apostrophe before a letter", "TITLE \"Don\x92t Stop\"\n" + kOne,
         "cp1252 title=Don’t Stop file=a.wav track1:audio/2352 1@0:0"},
        {"CP1252 letters that make CP932 pairs",
         "PERFORMER \"Mot\xF6rhead\"\nTITLE \"Caf\xE9s \x93"
         "Best\x94\"\n" +
             kOne,
         "cp1252 title=Cafés “Best” performer=Motörhead file=a.wav track1:audio/2352 1@0:0"},
        {"one accented capital is no katakana",
         "TITLE \"\xC7"
         "a va\"\n" +
             kOne,
         "cp1252 title=Ça va file=a.wav track1:audio/2352 1@0:0"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        CueRefusal refusal;
        const auto sheet = parseCueSheet(c.bytes, &refusal);
        ASSERT_TRUE(sheet) << refusal.why;
        EXPECT_EQ(describe(*sheet), c.sheet);
    }
}

struct RefusalCase {
    const char* what;
    std::string bytes;
    std::string why;
    bool notASheet = false;
};

// The refusals that reach the user through a sheet on disk (more than 99 tracks, overlaps,
// times out of range, ...) are in tests/real/disc_layout_test.cpp.
TEST(CueSheetParser, RefusesWhatCannotBeACdNamingTheLine) {
    const std::string f1 = "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n";
    const std::string t2 = " TRACK 02 AUDIO\n";
    const RefusalCase cases[] = {
        {"a TRACK without a number", "FILE a.wav\n TRACK AUDIO\n",
         " の 2 行目の TRACK が正しくありません"},
        {"TRACK 100", "FILE a.wav\n TRACK 100 AUDIO\n", " の 2 行目の TRACK が正しくありません"},
        {"an INDEX outside a track", "FILE a.wav\nINDEX 01 00:00:00\n",
         " の 2 行目の INDEX がトラックの外にあります"},
        {"a PREGAP outside a track", "FILE a.wav\nPREGAP 00:02:00\n",
         " の 2 行目の PREGAP がトラックの外にあります"},
        {"INDEX 100", f1 + "INDEX 100 00:00:00\n", " の 3 行目の INDEX 番号が正しくありません"},
        {"frames past 74", f1 + "INDEX 01 1:75\n",
         " の 3 行目の INDEX の時間「1:75」が正しくありません"},
        {"four fields", f1 + "INDEX 01 1:2:3:4\n",
         " の 3 行目の INDEX の時間「1:2:3:4」が正しくありません"},
        {"an empty field", f1 + "INDEX 01 00::00\n",
         " の 3 行目の INDEX の時間「00::00」が正しくありません"},
        {"no time", f1 + "INDEX 01\n", " の 3 行目の INDEX の時間「」が正しくありません"},
        {"a PREGAP time", f1 + "PREGAP -1\n", " の 3 行目の PREGAP の時間「-1」が正しくありません"},
        {"INDEX 02 without INDEX 01 at the end", f1 + "INDEX 01 0\n" + t2 + "INDEX 02 9\n",
         " の 4 行目のトラック 2 に INDEX 01 がありません"},
        {"INDEX 01 before INDEX 00", f1 + "INDEX 00 0:20\nINDEX 01 0:10\n",
         " の 4 行目のトラック 1 の INDEX 00 が INDEX 01 より後にあります"},
        {"INDEX 01 twice", f1 + "INDEX 01 0:10\nINDEX 01 0:20\n",
         " の 4 行目のトラック 1 の INDEX 番号が順番どおりではありません"},
        {"INDEX 02 at INDEX 01", f1 + "INDEX 01 0:10\nINDEX 02 0:10\n",
         " の 4 行目のトラック 1 の INDEX 02 が前の INDEX より前にあります"},
        {"a track at the previous one's INDEX 02",
         f1 + "INDEX 01 0\nINDEX 02 9\n" + t2 + "INDEX 01 9\n",
         " の 6 行目のトラック 2 の INDEX が前のトラックと重なっています"},
        {"a FILE without a name", "FILE \"\" WAVE\n", " の 1 行目の FILE が正しくありません"},
        {"nothing", "", " にはトラックがありません"},
        {"UTF-16 without its byte-order mark", std::string("F\0I\0L\0E\0", 8),
         " は CUE シートではありません", true},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        CueRefusal refusal;
        const auto sheet = parseCueSheet(c.bytes, &refusal);
        ASSERT_FALSE(sheet) << describe(*sheet);
        EXPECT_EQ(refusal.why, c.why);
        EXPECT_EQ(refusal.notASheet, c.notASheet);
    }
}

TEST(CueSheetParser, DecodesLoneTextAsAWholeSheetWouldBe) {
    EXPECT_EQ(cueTextToUtf8("テスト"), "テスト");
    EXPECT_EQ(cueTextToUtf8(text::toCp932("テスト")), "テスト");
    EXPECT_EQ(cueTextToUtf8("Don\x92t"), "Don’t");
}

}  // namespace
}  // namespace lirafok::device::real
