#include "editors/cdsend.h"

#include "common/app.h"
#include "common/online_use.h"
#include "editors/cdedit.h"

namespace lirafok {

namespace {

const char* const kTitle = "歌詞の公開";

// The multi-line box separates its lines by CR LF.
std::string crlf(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

CDSEND::CDSEND(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      BODY(*this, "BODY"),
      STATUS(*this, "STATUS"),
      Command1(*this, "Command1"),
      Command2(*this, "Command2") {
    // Inner area 8400 x 6000 twips: what is sent above, the state and the two buttons below.
    setCaption("歌詞を LRCLIB に公開");
    setResizable(false);
    move(1800, 900, 8400 + kFrameWidth, 6000 + kFrameHeight);
    BODY.setMultiLine(true);
    BODY.setLocked(true);
    BODY.move(120, 120, 8160, 5160);
    STATUS.move(120, 5460, 5400, 300);
    Command1.move(5760, 5400, 1200, 405);
    Command1.setCaption("送 信");
    Command2.move(7080, 5400, 1200, 405);
    Command2.setCaption("閉じる");
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
    setToolTips({{"Command1", "上の内容を LRCLIB に送って公開する"},
                 {"Command2", "送らずに閉じる（送信中なら中止する）"}});
}

CDSEND::~CDSEND() {
    if (m_sending) app.online().cancel(m_sending);
}

std::string CDSEND::describe(const ui::PublishRequest& r, const std::string& base) {
    std::string out = "送信先: " + base + "/api/publish\n" + "（その前に " + base +
                      "/api/request-challenge から課題を受け取り、" +
                      "この PC で解いた答えを X-Publish-Token として付けます）\n\n" +
                      "曲名: " + r.track + "\nアーティスト: " + r.artist +
                      "\nアルバム: " + r.album + "\n長さ: " + std::to_string(r.durationSec) +
                      " 秒\n\n" + "時刻つきの歌詞:\n" + r.synced + "\n\n" +
                      "送信する本文（JSON、このまま送られます）:\n" + ui::publishBody(r);
    return crlf(out);
}

void CDSEND::Form_Load() {
    const CDEDIT* editor = app.loaded<CDEDIT>();
    m_request = editor ? editor->publishRequest(nullptr) : std::nullopt;
    if (!m_request) {
        BODY.setText("");
        STATUS.setCaption("公開できる歌詞がありません");
        Command1.setEnabled(false);
        return;
    }
    BODY.setText(describe(*m_request, LoadOnlineSettings(app).lrclib));
    STATUS.setCaption("まだ何も送っていません");
    Command1.setEnabled(true);
}

void CDSEND::Command1_Click() {
    if (!m_request || m_sending) return;
    app.PlayOkCue();
    Command1.setEnabled(false);
    STATUS.setCaption("送信中…（課題の計算に時間がかかることがあります）");
    m_sending = app.online().publishLyrics(ServersOf(LoadOnlineSettings(app)), *m_request,
                                           [this](ui::PublishResult r) { sent(r); });
}

void CDSEND::sent(const ui::PublishResult& r) {
    m_sending = 0;
    if (!loaded()) return;
    if (r.outcome.status == ui::OnlineStatus::Found) {
        STATUS.setCaption("公開しました");
        app.msgBox("LRCLIB に歌詞を公開しました。", ui::mb::kOkOnly + ui::mb::kInformation, kTitle);
        return;
    }
    const std::string why = onlineMessage(r.outcome);
    STATUS.setCaption(onlineShortMessage(r.outcome));
    Command1.setEnabled(true);
    app.PlayErrorCue();
    app.msgBox(why, ui::mb::kOkOnly + ui::mb::kExclamation, kTitle);
}

void CDSEND::Command2_Click() {
    app.unload<CDSEND>();
}

void CDSEND::Form_QueryUnload(bool&, ui::UnloadMode) {
    if (m_sending) app.online().cancel(m_sending);
    m_sending = 0;
}

}  // namespace lirafok
