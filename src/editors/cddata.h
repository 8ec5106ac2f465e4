#pragma once
// The disc data registration window: the catalogue record of the disc in the drive (two title
// lines, the disc artist or one artist per song, the song names, the font set), ten tracks a
// page. The rows are edited in working copies of the song names and per-song artists that
// live as long as the window; only a save hands them to the catalogue. From a row's track
// number the lyrics editor or the timing setter opens for that track.
#include <array>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "player/disc_display.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/online.h"
#include "ui/scheduler.h"

namespace lirafok {

class App;

inline constexpr int kDataRows = 10;

class CDDATA : public ui::Form {
public:
    static constexpr const char* kName = "CDDATA";
    explicit CDDATA(App& app);
    ~CDDATA() override;

    App& app;

    ui::TextBox TITLE1, TITLE2, ARTIST;
    std::array<ui::Button, kDataRows> KYOKUNO;
    std::array<ui::Panel, kDataRows> TRKLEN;
    std::array<ui::TextBox, kDataRows> KYOKU;
    ui::Panel Panel3D1, Panel3D2, Panel3D3;
    ui::Button FONTNO;
    ui::Button Command3D1, Command3D2, Command3D3, Command3D4;
    ui::Button Command3D5, Command3D6, Command3D7, Command3D8;
    ui::Button KUBUN, KUBUNS;
    ui::Button NETGET;  // titles from the online databases; "中止" while a look-up runs
    ui::Label NETMSG;   // what the online look-up is doing or found

    // Working copies, tracks 1..TrackCount.
    std::array<std::string, kTrackSlots> WorkSongName;
    std::array<std::string, kTrackSlots> WorkSongArtist;
    int WorkFontSet = 0;  // 0..5
    int EditTrack = 0;    // the track last clicked in KYOKUNO

    void Command3D1_Click();
    void Command3D2_Click();
    void Command3D3_Click();
    void Command3D4_Click();
    void Command3D5_Click();
    void Command3D6_Click();
    void Command3D7_Click();
    void Command3D8_Click();
    void FONTNO_Click();
    void KUBUN_Click();
    void KUBUNS_Click();
    void KYOKU_GotFocus(int index);
    void KYOKUNO_Click(int index);
    void NETGET_Click();

    // The releases the last online look-up found (several: the choice window lists them).
    const std::vector<ui::ReleaseCandidate>& onlineReleases() const { return m_releases; }
    // Fills the window (and the main window, as the disc's own titles would) from release
    // `index` of the last look-up; nothing is stored until the user saves. Work typed since
    // the window was filled is replaced only when the user agrees.
    void applyRelease(int index);

    // The record as the window holds it, the rows on screen taken into the working tables
    // first: what a save writes (the save button and the save prompt at disc removal).
    DiscRecordEntry recordEntry();
    // Fills the window again from the shared catalogue state (the opening steps): after the
    // record was re-keyed from another disc's.
    void FillFromDisc();

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
    void Form_LostFocus() override;

private:
    void layoutDesign();
    void wireEvents();
    // The first track of the page: the number shown in the first row (0 for a disc without
    // tracks).
    int firstTrack() const;
    bool showsArtists() const;  // the rows show per-song artists
    bool perSongArtists() const;
    // The ten boxes into the working table the rows show, for tracks first..first+9.
    void storeRows();
    // The rows of the page that starts at track `first`, from the table the rows show.
    void fillRows(int first);
    void showFontSet();
    // The view of the rows: per-song artists (true) or song names.
    void switchView(bool artists);
    // Cancel and frame close: the working copies are dropped.
    void discardWork();

    // Online titles (cddata_online.cpp). A look-up the user asked for tells every outcome in
    // a message box; one that started by itself only in NETMSG.
    void startLookup(bool byUser);
    void lookupDone(ui::DiscLookupResult result, bool byUser);
    void stopLookup();
    // Before a save: a text still holding the replacement mark is saved only when the user
    // agrees.
    bool marksAccepted();

    ui::OnlineRequestId m_lookup = 0;
    ui::TaskId m_autoLookup = 0;  // the look-up the opening starts, until it starts
    std::string m_lookupKey;      // the disc key the running look-up is for
    std::vector<ui::ReleaseCandidate> m_releases;
    DiscRecordEntry m_filled;  // what the window held after it was last filled
    bool m_hasMarks = false;   // an online fill replaced characters
};

}  // namespace lirafok
