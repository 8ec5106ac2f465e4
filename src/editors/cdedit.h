#pragma once
// The lyrics editor: the text of one track's lyrics file in a multi-line box, the size the
// lyric is displayed with, the four clipboard entries, saving, cancelling and copying the
// lyrics of another track. The file's timing lines are carried through a save unchanged.
#include <optional>
#include <string>

#include "core/lyric_tables.h"
#include "lyrics/syllables.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/online.h"
#include "ui/scheduler.h"

namespace lirafok {

class App;

// The LRCLIB entry's caption while no look-up runs.
inline constexpr const char* kNetGetCaption = "ネットで歌詞を探す（LRCLIB）(&S)";

class CDEDIT : public ui::Form {
public:
    static constexpr const char* kName = "CDEDIT";
    explicit CDEDIT(App& app);
    ~CDEDIT() override;

    App& app;
    ui::TextBox EDTEXT;
    ui::Menu Quit;
    ui::Menu File_Edit, COPY, Paste, Cut, Delete;
    ui::Menu FONT_R, PHY, P14, P13, P12, P11, P10;
    ui::Menu CANCEL_R;
    ui::Menu COPY_RTN;
    ui::Menu LRC_R, LRC_IN, LRC_OUT;  // lyrics and timings from and to LRC files
    ui::Menu NET_GET, NET_PUB;        // lyrics from LRCLIB; the user's own lyrics to LRCLIB
    // Word-timed lyrics with readings: enhanced LRC and karaoke time tags, in and out.
    ui::Menu KARA_IN, ELRC_OUT, TAGS_OUT;
    ui::Menu RUBY_R, RUBY_SET, RUBY_DEL;  // readings (furigana) over the selected characters

    // The file's timing lines as loaded, written back on save (kNoTiming: no line).
    LyricTimeTable EditorLyricTimes = LyricTables::filledTimes();
    LyricTimeTable EditorPageFlags{};

    void Quit_Click();
    void COPY_Click();
    void Paste_Click();
    void Cut_Click();
    void Delete_Click();
    void PHY_Click();
    void P14_Click();
    void P13_Click();
    void P12_Click();
    void P11_Click();
    void P10_Click();
    void CANCEL_R_Click();
    void COPY_RTN_Click();
    void LRC_IN_Click();
    void LRC_OUT_Click();
    void NET_GET_Click();
    void NET_PUB_Click();

    // What publishing the editor's lyric would send (the track's names and length from the
    // disc's record, the lines with their times); nullopt, with the reason in `why`, when the
    // track has no name or no line has a time.
    std::optional<ui::PublishRequest> publishRequest(std::string* why) const;
    void KARA_IN_Click();
    void ELRC_OUT_Click();
    void TAGS_OUT_Click();
    void RUBY_SET_Click();
    void RUBY_DEL_Click();

    // The syllables and readings of the lyric as they stand (anchored to the text now).
    SyllableTrack currentSyllables() const;
    // Writes the side file when the syllables or readings changed, or the text moved them.
    // False (told) on failure.
    bool saveSyllables();

    // Points of the checked size entry; 0 for PHY (no marker line, the KASIF setting applies).
    int checkedFontSize() const;
    // The text or the size differs from what the file held when the editor opened (always
    // true when there was no file: saving creates it).
    bool modified() const;
    // The text or the size differs (the lyrics file is rewritten only then).
    bool textModified() const;
    // The save prompt could not write the file: the unload that follows the prompt is
    // refused once, so that the text stays on screen to be saved later.
    void keepOpenAfterFailedSave() { m_saveFailed = true; }

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
    void Form_LostFocus() override;

private:
    void wireEvents();
    // Checks `entry` alone and gives EDTEXT its size (`points` 0: KASIF).
    void chooseSize(ui::Menu& entry, int points);
    // The size entry of a marker size (PHY for 0 or a size without a marker).
    ui::Menu& sizeEntry(int points);

    bool m_fileExisted = false;
    std::string m_loadedText;
    int m_loadedSize = 0;
    bool m_saveFailed = false;
    bool m_imported = false;  // an LRC file replaced the lyric: saving writes it

    // Lyrics from LRCLIB (cdedit_online.cpp): by itself when the editor opens on a track
    // without lyrics, or when the user asks (then every outcome is told).
    void startLyricsLookup(bool byUser);
    void lyricsDone(ui::LyricsResult result, bool byUser);
    void stopLyricsLookup();
    std::optional<ui::LyricsQuery> lyricsQuery() const;
    ui::OnlineRequestId m_lyricsLookup = 0;
    ui::TaskId m_autoLookup = 0;  // the look-up the opening starts, until it starts
    std::string m_plainCaption;   // the window's caption without the look-up's note
    // The lyric's syllable side file as loaded, and whether the editor changed it.
    SyllableTrack m_syllables;
    SyllableTrack m_loadedSyllables;
    std::vector<std::string> m_sideUnknown;
    // The selection as a line and a character range in it; false (told) when it is not
    // inside one line.
    bool selectionInLine(std::size_t& line, std::size_t& first, std::size_t& length);
    void loadSyllables();
};

// Writes the editor's text, size marker and timing lines to EditorLyricsPath and closes the
// editor. Also called by the save prompt CDSKASI. A text that is unchanged since the load
// leaves the file as it is, byte for byte. When the file cannot be written the user is told
// and the editor stays open; the result is false then.
bool SaveLyricsText(App& app);

// What the registration window does when the user picks a track to edit: EditorLyricsPath for
// the track, EditorSavePending := 1, then CDEDIT is shown.
void OpenLyricsEditor(App& app, int track);

}  // namespace lirafok
