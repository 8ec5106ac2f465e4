#include "scenario/headless_online.h"

#include <utility>

namespace lirafok::scenario {

HeadlessOnline::~HeadlessOnline() {
    for (const auto& [id, open] : m_open)
        if (open.task) m_scheduler.cancel(open.task);
}

template <class R>
ui::OnlineRequestId HeadlessOnline::request(const std::string& kind, std::deque<Answer<R>>& answers,
                                            std::function<void(R)> done) {
    const ui::OnlineRequestId id = ++m_last;
    Open& open = m_open[id];
    open.kind = kind;
    if (answers.empty()) return id;
    Answer<R> a = std::move(answers.front());
    answers.pop_front();
    open.task = m_scheduler.schedule(a.delayMs, [this, id, result = std::move(a.result), done] {
        m_open.erase(id);
        done(result);
    });
    return id;
}

ui::OnlineRequestId HeadlessOnline::lookupDisc(const ui::OnlineServers& servers, const DiscToc& toc,
                                               std::function<void(ui::DiscLookupResult)> done) {
    log.push_back("disc " + servers.musicBrainz + " " + ui::musicBrainzToc(toc));
    return request("disc", discAnswers, std::move(done));
}

ui::OnlineRequestId HeadlessOnline::lookupLyrics(const ui::OnlineServers& servers,
                                                 const ui::LyricsQuery& q,
                                                 std::function<void(ui::LyricsResult)> done) {
    log.push_back("lyrics " + servers.lrclib + " " + q.track + "|" + q.artist + "|" + q.album +
                  "|" + std::to_string(q.durationSec));
    return request("lyrics", lyricsAnswers, std::move(done));
}

ui::OnlineRequestId HeadlessOnline::publishLyrics(const ui::OnlineServers& servers,
                                                  const ui::PublishRequest& r,
                                                  std::function<void(ui::PublishResult)> done) {
    log.push_back("publish " + servers.lrclib + " " + ui::publishBody(r));
    return request("publish", publishAnswers, std::move(done));
}

void HeadlessOnline::cancel(ui::OnlineRequestId id) {
    auto it = m_open.find(id);
    if (it == m_open.end()) return;
    if (it->second.task) m_scheduler.cancel(it->second.task);
    log.push_back("cancel " + it->second.kind);
    m_open.erase(it);
}

bool onlineStatusWord(const std::string& w, ui::OnlineStatus& status) {
    static const std::map<std::string, ui::OnlineStatus> words{
        {"not-found", ui::OnlineStatus::NotFound},       {"offline", ui::OnlineStatus::Offline},
        {"timeout", ui::OnlineStatus::TimedOut},         {"busy", ui::OnlineStatus::Busy},
        {"bad-answer", ui::OnlineStatus::BadAnswer},     {"too-large", ui::OnlineStatus::TooLarge},
        {"server-error", ui::OnlineStatus::ServerError}, {"refused", ui::OnlineStatus::Refused}};
    const auto it = words.find(w);
    if (it == words.end()) return false;
    status = it->second;
    return true;
}

}  // namespace lirafok::scenario
