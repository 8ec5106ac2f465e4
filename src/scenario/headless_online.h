#pragma once
// Online look-ups of the headless runner: every request is written to a log the scenario
// checks, and answered from the scenario's queue of answers for its kind (disc, lyrics,
// publish) after the answer's delay on the virtual clock. A request with no queued answer is
// left waiting, as a slow server would leave it, until it is cancelled.
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "ui/online.h"
#include "ui/scheduler.h"

namespace lirafok::scenario {

class HeadlessOnline final : public ui::OnlineLookup {
public:
    explicit HeadlessOnline(ui::Scheduler& scheduler) : m_scheduler(scheduler) {}
    ~HeadlessOnline() override;

    template <class R>
    struct Answer {
        R result;
        int delayMs = 200;
        int line = 0;  // the scenario line that queued it
    };
    std::deque<Answer<ui::DiscLookupResult>> discAnswers;
    std::deque<Answer<ui::LyricsResult>> lyricsAnswers;
    std::deque<Answer<ui::PublishResult>> publishAnswers;
    // Requests not yet checked, one line each: "disc BASE TOC", "lyrics BASE
    // TRACK|ARTIST|ALBUM|SECONDS", "publish BASE BODY", "cancel KIND".
    std::vector<std::string> log;

    ui::OnlineRequestId lookupDisc(const ui::OnlineServers& servers, const DiscToc& toc,
                                   std::function<void(ui::DiscLookupResult)> done) override;
    ui::OnlineRequestId lookupLyrics(const ui::OnlineServers& servers, const ui::LyricsQuery& q,
                                     std::function<void(ui::LyricsResult)> done) override;
    ui::OnlineRequestId publishLyrics(const ui::OnlineServers& servers,
                                      const ui::PublishRequest& request,
                                      std::function<void(ui::PublishResult)> done) override;
    void cancel(ui::OnlineRequestId id) override;

    // Requests still waiting for an answer.
    std::size_t pending() const { return m_open.size(); }

private:
    struct Open {
        std::string kind;
        ui::TaskId task = 0;  // 0 while no answer is on its way
    };
    template <class R>
    ui::OnlineRequestId request(const std::string& kind, std::deque<Answer<R>>& answers,
                                std::function<void(R)> done);

    ui::Scheduler& m_scheduler;
    ui::OnlineRequestId m_last = 0;
    std::map<ui::OnlineRequestId, Open> m_open;
};

// The status word of the scenario files ("not-found", "offline", "timeout", "busy",
// "bad-answer", "too-large", "server-error", "refused"); false for an unknown word.
bool onlineStatusWord(const std::string& word, ui::OnlineStatus& status);

}  // namespace lirafok::scenario
