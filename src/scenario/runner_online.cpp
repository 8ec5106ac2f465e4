// Scripted online answers and the check of what the program asked:
//
//   online release TITLE ARTIST [country=C] [date=D] [label=L] [catno=N] [source=S]
//                  [total=N] TRACK...        a release for the next `online disc found`
//   online disc found|STATUS [delay=MS] [retry=S] [detail=TEXT]
//   online lyrics synced|plain TEXT [delay=MS]  /  online lyrics instrumental|STATUS
//   online publish ok|STATUS [delay=MS] [detail=TEXT]
//   expect online, then lines, then end      the requests since the last check
#include "scenario/session.h"

namespace lirafok::scenario {

namespace {

// Options "key=value" among the words from `from` on; the other words stay in `rest`.
struct Options {
    int delayMs = 200;
    ui::OnlineOutcome outcome;
    std::vector<std::string> rest;
};

Options options(const std::vector<std::string>& w, std::size_t from) {
    Options o;
    for (std::size_t i = from; i < w.size(); ++i) {
        if (w[i].rfind("delay=", 0) == 0)
            o.delayMs = static_cast<int>(toNumber(w[i].substr(6)));
        else if (w[i].rfind("retry=", 0) == 0)
            o.outcome.retryAfterSec = static_cast<int>(toNumber(w[i].substr(6)));
        else if (w[i].rfind("detail=", 0) == 0)
            o.outcome.detail = w[i].substr(7);
        else if (w[i].rfind("http=", 0) == 0)
            o.outcome.httpStatus = static_cast<int>(toNumber(w[i].substr(5)));
        else
            o.rest.push_back(w[i]);
    }
    return o;
}

ui::OnlineStatus status(const std::string& word) {
    ui::OnlineStatus s;
    if (!onlineStatusWord(word, s)) fail("unknown online status " + word);
    return s;
}

}  // namespace

void Session::onlineCommand(const std::vector<std::string>& w) {
    if (w.size() < 3) fail("online: missing words");
    const std::string& kind = w[1];
    const int line = m_line;
    if (kind == "release") {
        if (w.size() < 4) fail("online release TITLE ARTIST [TRACK...]");
        ui::ReleaseCandidate r;
        r.source = "MusicBrainz";
        r.title = w[2];
        r.artist = w[3];
        int total = -1;
        for (std::size_t i = 4; i < w.size(); ++i) {
            const std::string& x = w[i];
            auto opt = [&](const char* key, std::string& into) {
                const std::string k = std::string(key) + "=";
                if (x.rfind(k, 0) != 0) return false;
                into = x.substr(k.size());
                return true;
            };
            std::string totalText;
            if (opt("country", r.country) || opt("date", r.date) || opt("label", r.label) ||
                opt("catno", r.catalogNumber) || opt("source", r.source))
                continue;
            if (opt("total", totalText)) {
                total = static_cast<int>(toNumber(totalText));
                continue;
            }
            const auto bar = x.find('|');
            r.tracks.push_back(
                {x.substr(0, bar), bar == std::string::npos ? "" : x.substr(bar + 1)});
        }
        r.totalTracks = total >= 0 ? total : static_cast<int>(r.tracks.size());
        m_releases.push_back(std::move(r));
    } else if (kind == "disc") {
        Options o = options(w, 3);
        ui::DiscLookupResult r{o.outcome, {}};
        if (w[2] == "found") {
            if (m_releases.empty()) fail("online disc found: no `online release` before it");
            r.outcome.status = ui::OnlineStatus::Found;
            r.releases = std::move(m_releases);
            m_releases.clear();
        } else {
            r.outcome.status = status(w[2]);
        }
        online.discAnswers.push_back({std::move(r), o.delayMs, line});
    } else if (kind == "lyrics") {
        ui::LyricsResult r;
        std::size_t from = 3;
        if (w[2] == "synced" || w[2] == "plain") {
            if (w.size() < 4) fail("online lyrics " + w[2] + " TEXT");
            (w[2] == "synced" ? r.synced : r.plain) = w[3];
            from = 4;
        }
        Options o = options(w, from);
        r.outcome = o.outcome;
        if (w[2] == "synced" || w[2] == "plain") {
            r.outcome.status = ui::OnlineStatus::Found;
        } else if (w[2] == "instrumental") {
            r.outcome.status = ui::OnlineStatus::Found;
            r.instrumental = true;
        } else {
            r.outcome.status = status(w[2]);
        }
        online.lyricsAnswers.push_back({std::move(r), o.delayMs, line});
    } else if (kind == "publish") {
        Options o = options(w, 3);
        ui::PublishResult r{o.outcome};
        r.outcome.status = w[2] == "ok" ? ui::OnlineStatus::Found : status(w[2]);
        online.publishAnswers.push_back({std::move(r), o.delayMs, line});
    } else {
        fail("online release|disc|lyrics|publish");
    }
}

void Session::expectOnline(const Command& cmd) {
    std::vector<std::string> want;
    for (const std::string& raw : cmd.block) {
        const auto a = raw.find_first_not_of(" \t");
        if (a == std::string::npos) continue;
        want.push_back(subst(raw.substr(a, raw.find_last_not_of(" \t") - a + 1)));
    }
    std::vector<std::string> got = std::move(online.log);
    online.log.clear();
    if (got == want) return;
    std::string g;
    for (const auto& s : got) g += "\n  " + s;
    fail("online requests were:" + (g.empty() ? std::string(" none") : g));
}

}  // namespace lirafok::scenario
