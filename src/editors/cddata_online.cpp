// The registration window's online titles: a look-up by the disc's table of contents (by
// itself when the window opens for a disc without titles, or when the user asks), the choice
// among several releases, and the fill of the window from the one chosen, through the same
// path as the disc's own CD-TEXT. Nothing reaches the catalogue before the user saves.
#include <utility>

#include "catalogue/online_titles.h"
#include "common/app.h"
#include "common/online_use.h"
#include "editors/cddata.h"
#include "editors/cdnetsel.h"

namespace lirafok {

namespace {

const char* const kTitle = "オンライン検索";

bool holdsMark(const DiscRecordEntry& e, int tracks) {
    auto has = [](const std::string& s) { return s.find(kReplacedMark) != std::string::npos; };
    if (has(e.title1) || has(e.title2) || has(e.artist)) return true;
    for (int n = 1; n <= tracks && n < kTrackSlots; ++n)
        if (has(e.songName[static_cast<std::size_t>(n)]) ||
            has(e.songArtist[static_cast<std::size_t>(n)]))
            return true;
    return false;
}

}  // namespace

CDDATA::~CDDATA() {
    if (m_autoLookup) app.svc.scheduler.cancel(m_autoLookup);
    if (m_lookup) app.online().cancel(m_lookup);
}

void CDDATA::NETGET_Click() {
    if (m_lookup) {
        stopLookup();
        NETMSG.setCaption("検索を中止しました");
        return;
    }
    const AppState& s = app.state;
    if (s.TrackCount < 1) {
        app.PlayErrorCue();
        return;
    }
    if (s.DiscUnregistered != 1) {
        app.PlayErrorCue();
        app.msgBox("このディスクは登録済みです。", ui::mb::kOkOnly + ui::mb::kInformation, kTitle);
        return;
    }
    if (!OnlineAllowed(app)) return;
    app.PlayOkCue();
    startLookup(true);
}

void CDDATA::startLookup(bool byUser) {
    device::CdAudioDevice* device = app.currentDevice();
    const DiscToc toc = device ? device->discToc() : DiscToc{};
    if (toc.empty()) {
        if (byUser) app.msgBox("ディスクの目次を読めません。", ui::mb::kOkOnly, kTitle);
        return;
    }
    m_lookupKey = app.state.DiscKey;
    NETGET.setCaption("中 止");
    NETMSG.setCaption("インターネットで検索中…");
    m_lookup = app.online().lookupDisc(
        ServersOf(LoadOnlineSettings(app)), toc,
        [this, byUser](ui::DiscLookupResult r) { lookupDone(std::move(r), byUser); });
}

void CDDATA::stopLookup() {
    if (m_autoLookup) app.svc.scheduler.cancel(m_autoLookup);
    m_autoLookup = 0;
    if (m_lookup) app.online().cancel(m_lookup);
    m_lookup = 0;
    NETGET.setCaption("ネット検索");
}

void CDDATA::lookupDone(ui::DiscLookupResult r, bool byUser) {
    m_lookup = 0;
    NETGET.setCaption("ネット検索");
    // Another disc went in meanwhile: its window must not get this one's titles.
    if (!loaded() || app.state.DiscKey != m_lookupKey) return;
    if (r.outcome.status != ui::OnlineStatus::Found || r.releases.empty()) {
        const ui::OnlineOutcome o = r.outcome.status == ui::OnlineStatus::Found
                                        ? ui::OnlineOutcome{ui::OnlineStatus::NotFound}
                                        : r.outcome;
        const std::string why = onlineMessage(o);
        NETMSG.setCaption(onlineShortMessage(o));
        if (byUser) {
            app.PlayErrorCue();
            app.msgBox(why, ui::mb::kOkOnly + ui::mb::kInformation, kTitle);
        }
        return;
    }
    m_releases = std::move(r.releases);
    if (m_releases.size() == 1) {
        applyRelease(0);
        return;
    }
    NETMSG.setCaption(std::to_string(m_releases.size()) + " 件見つかりました");
    // A choice still open from an earlier look-up lists the old releases: it opens anew.
    app.unload<CDNETSEL>();
    app.show<CDNETSEL>();
}

void CDDATA::applyRelease(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_releases.size()) return;
    const ui::ReleaseCandidate& release = m_releases[static_cast<std::size_t>(index)];
    if (recordEntry() != m_filled &&
        app.msgBox("入力中の内容を、見つかったタイトルで置き換えますか？",
                   ui::mb::kYesNo + ui::mb::kQuestion, kTitle) != ui::mb::kYes) {
        NETMSG.setCaption("入力中の内容をそのままにしました");
        return;
    }
    OnlineTextNotes notes;
    const device::DiscText text = releaseToDiscText(release, app.state.TrackCount, notes);
    if (!ShowFoundTitles(app, text)) {
        app.PlayErrorCue();
        NETMSG.setCaption("使えるタイトルがありませんでした");
        return;
    }
    FillFromDisc();
    m_filled = recordEntry();
    m_hasMarks = notes.replaced > 0;
    app.PlayOkCue();
    NETMSG.setCaption(release.source + " から入力・未保存");
    const std::string told = onlineNotesText(notes);
    if (!told.empty()) app.msgBox(told, ui::mb::kOkOnly + ui::mb::kInformation, kTitle);
}

bool CDDATA::marksAccepted() {
    if (!m_hasMarks || !holdsMark(recordEntry(), app.state.TrackCount)) return true;
    return app.msgBox(std::string("「") + kReplacedMark +
                          "」は、Shift-JIS で表せなかった文字の代わりです。\n"
                          "このまま保存しますか？",
                      ui::mb::kYesNo + ui::mb::kQuestion, kTitle) == ui::mb::kYes;
}

}  // namespace lirafok
