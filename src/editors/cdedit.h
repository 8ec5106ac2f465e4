#pragma once
// The lyrics editor: the text of one track's lyrics file in a multi-line box, the size the
// lyric is displayed with, the four clipboard entries, saving, cancelling and copying the
// lyrics of another track. The file's timing lines are carried through a save unchanged.
#include <string>

#include "core/lyric_tables.h"
#include "ui/control.h"
#include "ui/form.h"

namespace lirafok {

class App;

class CDEDIT : public ui::Form {
public:
    static constexpr const char* kName = "CDEDIT";
    explicit CDEDIT(App& app);

    App& app;
    ui::TextBox EDTEXT;
    ui::Menu Quit;
    ui::Menu File_Edit, COPY, Paste, Cut, Delete;
    ui::Menu FONT_R, PHY, P14, P13, P12, P11, P10;
    ui::Menu CANCEL_R;
    ui::Menu COPY_RTN;
    ui::Menu LRC_R, LRC_IN, LRC_OUT;  // lyrics and timings from and to LRC files

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

    // Points of the checked size entry; 0 for PHY (no marker line, the KASIF setting applies).
    int checkedFontSize() const;
    // The text or the size differs from what the file held when the editor opened (always
    // true when there was no file: saving creates it).
    bool modified() const;
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
