// One lyrics reader, chosen at build time (LIRAFOK_FUZZ_READER 0 display, 1 timing setter,
// 2 editor), followed by the writer that saves what that reader's window holds, so that the
// formatting of whatever was read is exercised too.
#include "core/raw_file.h"
#include "core/text.h"
#include "fuzz_input.h"
#include "lyrics/lyrics_file.h"

using namespace lirafok;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::inputFile("lyrics.001", data, size);
#if LIRAFOK_FUZZ_READER == 0
    LyricTables t;
    const DisplayLyrics d = readDisplayLyrics(path, t);
    if (d.ok && t.count > kLyricSlots) __builtin_trap();
#elif LIRAFOK_FUZZ_READER == 1
    LyricTables t;
    const SetterLyrics d = readSetterLyrics(path, t);
    if (d.ok && t.count > kLyricSlots) __builtin_trap();
    if (d.ok) saveLyricsTimings(path, fuzz::workFolder() + "lyrics.bak", t);
#else
    const EditorLyrics e = readEditorLyrics(path);
    if (e.exists) {
        const std::string out = fuzz::workFolder() + "saved.001";
        if (!saveLyricsText(out, e.fontSize, e.text, e.times, e.pageFlags)) __builtin_trap();
        // What the editor saves reads back with every character in place (see fuzz_text), and
        // saving that again writes the same bytes.
        const EditorLyrics again = readEditorLyrics(out);
        if (!again.exists || text::charLength(again.text) != text::charLength(e.text))
            __builtin_trap();
        const std::string first = *rawfile::readBytes(out);
        const std::string out2 = fuzz::workFolder() + "saved.002";
        if (!saveLyricsText(out2, again.fontSize, again.text, again.times, again.pageFlags))
            __builtin_trap();
        // A time of seven characters (a negative time or one of seven digits, from a foreign
        // file; the timing setter makes neither) pushes the page flag out of its column, as
        // the file format has it: no fixpoint then.
        bool longTime = false;
        for (std::int32_t t : e.times) longTime = longTime || t > 999999 || t < 0;
        if (!longTime && *rawfile::readBytes(out2) != first) __builtin_trap();
    }
#endif
    return 0;
}
