#include "common/online_use.h"

#include "common/app.h"

namespace lirafok {

std::string OnlineSettingsPath(const App& app) {
    return app.state.AppDir + kOnlineSettingsFileName;
}

OnlineSettings LoadOnlineSettings(const App& app) {
    return readOnlineSettings(OnlineSettingsPath(app));
}

ui::OnlineServers ServersOf(const OnlineSettings& s) {
    return {s.musicBrainz, s.gnudb, s.lrclib};
}

bool OnlineAllowedQuietly(const App& app) {
    return LoadOnlineSettings(app).consent == OnlineConsent::Allowed;
}

bool OnlineAllowed(App& app) {
    OnlineSettings s = LoadOnlineSettings(app);
    if (s.consent == OnlineConsent::Allowed) return true;
    if (s.consent == OnlineConsent::Refused) {
        app.msgBox(
            "オンライン検索は切になっています。\n"
            "使うときは環境設定（SETUP）の「オンライン検索を使う」を入にしてください。",
            ui::mb::kOkOnly + ui::mb::kInformation);
        return false;
    }
    const int answer = app.msgBox(
        "インターネットのデータベースでタイトルや歌詞を探します。\n"
        "ディスクの目次（曲の位置）、曲名・アーティスト名・曲の長さが次のサーバーに送られます:\n"
        "  " +
            s.musicBrainz + "\n  " + s.gnudb + "\n  " + s.lrclib +
            "\n"
            "保存するまでカタログや歌詞ファイルは変わりません。\n"
            "オンライン検索を使いますか？（環境設定でいつでも切り替えられます）",
        ui::mb::kYesNo + ui::mb::kQuestion, "オンライン検索");
    s.consent = answer == ui::mb::kYes ? OnlineConsent::Allowed : OnlineConsent::Refused;
    if (!writeOnlineSettings(OnlineSettingsPath(app), s))
        app.msgBox("オンライン設定ファイルを保存できません(" + OnlineSettingsPath(app) + ")",
                   ui::mb::kOkOnly + ui::mb::kExclamation);
    return s.consent == OnlineConsent::Allowed;
}

}  // namespace lirafok
