#include "player/cdkey.h"

#include <algorithm>
#include <string>

#include "common/app.h"
#include "player/cdoke.h"
#include "player/key_tempo_control.h"

namespace lirafok {

namespace {
constexpr int kInnerWidth = 5400;  // twips
constexpr int kInnerHeight = 3480;
constexpr int kRow = 405;
constexpr device::VoiceMode kVoiceOrder[CDKEY::kVoices] = {
    device::VoiceMode::Both, device::VoiceMode::LeftOnly, device::VoiceMode::RightOnly,
    device::VoiceMode::Reduced};

// The player's setting, when the main window is there (it is whenever the user can act).
KeyTempoControl* player(App& app) {
    CDOKE* w = app.loaded<CDOKE>();
    return w ? &w->keyTempo : nullptr;
}

std::string keyText(int semitones) {
    std::string text = std::to_string(semitones);
    if (semitones > 0) text.insert(text.begin(), '+');
    return text;
}
}  // namespace

CDKEY::CDKEY(App& a)
    : ui::Form(a.svc.host, kName),
      app(a),
      KEYL(*this, "KEYL"),
      TEMPOL(*this, "TEMPOL"),
      KEYDOWN(*this, "KEYDOWN"),
      KEYUP(*this, "KEYUP"),
      KEYD(*this, "KEYD"),
      KEYBAR(*this, "KEYBAR"),
      TEMPODOWN(*this, "TEMPODOWN"),
      TEMPOUP(*this, "TEMPOUP"),
      TEMPOD(*this, "TEMPOD"),
      TEMPOBAR(*this, "TEMPOBAR"),
      VOICEF(*this, "VOICEF"),
      VOICE{{{*this, "VOICE", 0}, {*this, "VOICE", 1}, {*this, "VOICE", 2}, {*this, "VOICE", 3}}},
      RESET(*this, "RESET"),
      CLOSEX(*this, "CLOSEX") {
    setCaption("キーとテンポ");
    setResizable(false);
    move(4500, 3000, kInnerWidth + kFrameWidth, kInnerHeight + kFrameHeight);

    // Two rows alike: name, down, value, up, slider.
    auto row = [](ui::Label& name, ui::Button& down, ui::Panel& value, ui::Button& up,
                  ui::ScrollBar& bar, int top, const char* caption) {
        name.move(120, top + 75, 840, 255);
        name.setCaption(caption);
        down.move(960, top, 450, kRow);
        down.setCaption("－");
        value.move(1470, top, 990, kRow);
        value.setAlignment(ui::align::kCentre);
        up.move(2520, top, 450, kRow);
        up.setCaption("＋");
        bar.move(3090, top + 60, 2190, 285);
    };
    row(KEYL, KEYDOWN, KEYD, KEYUP, KEYBAR, 180, "キー");
    row(TEMPOL, TEMPODOWN, TEMPOD, TEMPOUP, TEMPOBAR, 720, "テンポ");
    KEYBAR.setRange(device::KeyTempo::kMinSemitones, device::KeyTempo::kMaxSemitones);
    TEMPOBAR.setRange(device::KeyTempo::kMinTempo / device::KeyTempo::kTempoStep,
                      device::KeyTempo::kMaxTempo / device::KeyTempo::kTempoStep);

    VOICEF.move(120, 1260, 5160, 1350);
    VOICEF.setCaption("ガイドボーカル");
    for (int i = 0; i < kVoices; ++i) {
        ui::OptionButton& o = VOICE[static_cast<std::size_t>(i)];
        o.setContainer(&VOICEF);
        o.move(i % 2 == 0 ? 180 : 2640, i < 2 ? 330 : 810, 2400, 360);
        o.setCaption(KeyTempoControl::voiceName(kVoiceOrder[i]));
        o.onClick = [this, i] { VOICE_Click(i); };
    }
    RESET.move(120, 2850, 2460, 450);
    RESET.setCaption("元に戻す");
    CLOSEX.move(2820, 2850, 2460, 450);
    CLOSEX.setCaption("閉じる");

    KEYDOWN.onClick = [this] { KEYDOWN_Click(); };
    KEYUP.onClick = [this] { KEYUP_Click(); };
    KEYBAR.onChange = [this] { KEYBAR_Change(); };
    TEMPODOWN.onClick = [this] { TEMPODOWN_Click(); };
    TEMPOUP.onClick = [this] { TEMPOUP_Click(); };
    TEMPOBAR.onChange = [this] { TEMPOBAR_Change(); };
    RESET.onClick = [this] { RESET_Click(); };
    CLOSEX.onClick = [this] { CLOSEX_Click(); };
    setToolTips({
        {"KEYDOWN", "キーを半音下げる (-)"},
        {"KEYUP", "キーを半音上げる (+)"},
        {"KEYD", "今のキー：半音いくつ上げ下げしているか（原曲は 0）"},
        {"KEYBAR", "キー：-12〜+12 半音（ふつうは -6〜+6）テンポは変わりません (+ / -)"},
        {"TEMPODOWN", "テンポを 5% 遅く ([)"},
        {"TEMPOUP", "テンポを 5% 速く (])"},
        {"TEMPOD", "今のテンポ（原曲は 100%）"},
        {"TEMPOBAR", "テンポ：50%〜150%、5% 刻み キーは変わりません ([ / ])"},
        {"VOICE(0)", "ディスクのまま両チャンネルを聴く (V で順に切り替え)"},
        {"VOICE(1)",
         "左チャンネルだけを両方のスピーカーで：ガイドボーカル入りの CD の伴奏または歌 (V)"},
        {"VOICE(2)",
         "右チャンネルだけを両方のスピーカーで：ガイドボーカル入りの CD の伴奏または歌 (V)"},
        {"VOICE(3)", "ふつうのステレオ CD で中央のボーカルを弱める（低音とドラムは残す） (V)"},
        {"RESET", "原曲のキーとテンポ、両チャンネルに戻す (0)"},
        {"CLOSEX", "この窓を閉じる (Esc)"},
    });
}

void CDKEY::Form_Load() {
    const KeyTempoControl* p = player(app);
    showSettings(p ? p->current() : device::KeyTempo{});
    // Beside the main window, so that its indicator stays in sight (inside the screen).
    if (const CDOKE* main = app.loaded<CDOKE>()) {
        const int screenWidth = app.svc.screen.widthTwips();
        int left = main->left() + main->width() + 120;
        if (left + width() > screenWidth) left = std::max(0, screenWidth - width());
        move(left, main->top(), width(), height());
    }
}

void CDKEY::showSettings(const device::KeyTempo& k) {
    m_showing = true;
    KEYD.setCaption(keyText(k.semitones));
    KEYBAR.setValue(k.semitones);
    TEMPOD.setCaption(std::to_string(k.tempo) + "%");
    TEMPOBAR.setValue(k.tempo / device::KeyTempo::kTempoStep);
    for (int i = 0; i < kVoices; ++i)
        if (kVoiceOrder[i] == k.voice && !VOICE[static_cast<std::size_t>(i)].value())
            VOICE[static_cast<std::size_t>(i)].setValue(true);
    KEYDOWN.setEnabled(k.semitones > device::KeyTempo::kMinSemitones);
    KEYUP.setEnabled(k.semitones < device::KeyTempo::kMaxSemitones);
    TEMPODOWN.setEnabled(k.tempo > device::KeyTempo::kMinTempo);
    TEMPOUP.setEnabled(k.tempo < device::KeyTempo::kMaxTempo);
    m_showing = false;
}

void CDKEY::KEYDOWN_Click() {
    if (KeyTempoControl* p = player(app)) p->keyDown();
}

void CDKEY::KEYUP_Click() {
    if (KeyTempoControl* p = player(app)) p->keyUp();
}

void CDKEY::KEYBAR_Change() {
    KeyTempoControl* p = player(app);
    if (m_showing || !p) return;
    device::KeyTempo k = p->current();
    k.semitones = KEYBAR.value();
    p->set(k);
}

void CDKEY::TEMPODOWN_Click() {
    if (KeyTempoControl* p = player(app)) p->tempoDown();
}

void CDKEY::TEMPOUP_Click() {
    if (KeyTempoControl* p = player(app)) p->tempoUp();
}

void CDKEY::TEMPOBAR_Change() {
    KeyTempoControl* p = player(app);
    if (m_showing || !p) return;
    device::KeyTempo k = p->current();
    k.tempo = TEMPOBAR.value() * device::KeyTempo::kTempoStep;
    p->set(k);
}

void CDKEY::VOICE_Click(int index) {
    KeyTempoControl* p = player(app);
    if (m_showing || !p || index < 0 || index >= kVoices) return;
    device::KeyTempo k = p->current();
    k.voice = kVoiceOrder[index];
    p->set(k);
}

void CDKEY::RESET_Click() {
    if (KeyTempoControl* p = player(app)) p->reset();
}

void CDKEY::CLOSEX_Click() {
    app.unload<CDKEY>();
}

bool CDKEY::Form_KeyDown(int keyCode, int shift) {
    if (keyCode == ui::key::kEscape && shift == 0) {
        CLOSEX_Click();
        return true;
    }
    // The main window's keys, the key/tempo keys among them, work here as there.
    if (CDOKE* main = app.loaded<CDOKE>()) return main->userKeyDown(keyCode, shift);
    return false;
}

void ShowKeyTempoWindow(App& app) {
    app.show<CDKEY>();
}

}  // namespace lirafok
