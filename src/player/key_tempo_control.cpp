#include "player/key_tempo_control.h"

#include "common/app.h"
#include "player/cdkey.h"
#include "player/cdoke.h"
#include "player/key_tempo_file.h"

namespace lirafok {

namespace {
constexpr const char* kFallBackNote = "原曲のキーとテンポで演奏します。";
}  // namespace

const char* KeyTempoControl::voiceName(device::VoiceMode voice) {
    switch (voice) {
        case device::VoiceMode::LeftOnly:
            return "左のみ（両スピーカー）";
        case device::VoiceMode::RightOnly:
            return "右のみ（両スピーカー）";
        case device::VoiceMode::Reduced:
            return "ボーカルを弱める";
        case device::VoiceMode::Both:
            break;
    }
    return "両チャンネル";
}

const char* KeyTempoControl::voiceShortName(device::VoiceMode voice) {
    switch (voice) {
        case device::VoiceMode::LeftOnly:
            return "左のみ";
        case device::VoiceMode::RightOnly:
            return "右のみ";
        case device::VoiceMode::Reduced:
            return "ボーカル弱";
        case device::VoiceMode::Both:
            break;
    }
    return "";
}

std::string KeyTempoControl::indicatorText(const device::KeyTempo& k) {
    std::string out;
    if (k.stretches()) {
        out = "KEY ";
        if (k.semitones > 0) out += '+';
        out += std::to_string(k.semitones) + " · " + std::to_string(k.tempo) + "%";
    }
    if (k.voice != device::VoiceMode::Both) {
        if (!out.empty()) out += "\n";
        out += voiceShortName(k.voice);
    }
    return out;
}

void KeyTempoControl::set(const device::KeyTempo& settings) {
    const device::KeyTempo wanted = settings.clamped();
    if (wanted == m_current) {
        show();
        return;
    }
    m_current = wanted;
    if (!apply(true)) return;
    const KeyTempoSave saved = rememberKeyTempo(m_app.state.KASID, m_discKey, m_track, m_current);
    show();
    // The setting plays on; only remembering it failed. Said once, not at every key press,
    // until remembering works again.
    if (saved.ok) {
        m_saveFailureTold = false;
    } else if (!m_saveFailureTold) {
        m_saveFailureTold = true;
        m_app.PlayErrorCue();
        m_app.msgBox(saved.error + "\n曲ごとのキーとテンポを覚えておけません。",
                     ui::mb::kOkOnly + ui::mb::kExclamation, "LIRAFOK");
    }
}

void KeyTempoControl::keyUp() {
    device::KeyTempo k = m_current;
    k.semitones += kKeyStep;
    set(k);
}

void KeyTempoControl::keyDown() {
    device::KeyTempo k = m_current;
    k.semitones -= kKeyStep;
    set(k);
}

void KeyTempoControl::tempoUp() {
    device::KeyTempo k = m_current;
    k.tempo += kTempoStep;
    set(k);
}

void KeyTempoControl::tempoDown() {
    device::KeyTempo k = m_current;
    k.tempo -= kTempoStep;
    set(k);
}

void KeyTempoControl::reset() {
    set(device::KeyTempo{});
}

void KeyTempoControl::nextVoice() {
    device::KeyTempo k = m_current;
    switch (k.voice) {
        case device::VoiceMode::Both:
            k.voice = device::VoiceMode::LeftOnly;
            break;
        case device::VoiceMode::LeftOnly:
            k.voice = device::VoiceMode::RightOnly;
            break;
        case device::VoiceMode::RightOnly:
            k.voice = device::VoiceMode::Reduced;
            break;
        case device::VoiceMode::Reduced:
            k.voice = device::VoiceMode::Both;
            break;
    }
    set(k);
}

void KeyTempoControl::trackShown(const std::string& discKey, int track) {
    if (discKey == m_discKey && track == m_track && m_appliedTo == m_app.currentDevice()) return;
    if (discKey != m_discKey || track != m_track) {
        m_discKey = discKey;
        m_track = track;
        m_current =
            track > 0 ? rememberedKeyTempo(m_app.state.KASID, discKey, track) : device::KeyTempo{};
    }
    (void)apply(false);
    show();
}

void KeyTempoControl::checkDevice() {
    device::CdAudioDevice* dev = m_app.currentDevice();
    if (!dev) return;
    const std::string why = dev->takeKeyTempoError();
    if (!why.empty()) fellBack(why);
}

bool KeyTempoControl::apply(bool tell) {
    device::CdAudioDevice* dev = m_app.currentDevice();
    if (!dev) return true;
    if (dev == m_appliedTo && m_current == m_applied) return true;
    const int error = dev->setKeyTempo(m_current);
    m_appliedTo = dev;
    if (error != 0) {
        // A drive that cannot change them plays the disc as it is.
        m_current = m_applied = device::KeyTempo{};
        show();
        if (tell) {
            m_app.PlayErrorCue();
            m_app.msgBox(std::string("このドライブではキー・テンポ・ボーカルを変えられません。\n") +
                             kFallBackNote,
                         ui::mb::kOkOnly + ui::mb::kExclamation, "LIRAFOK");
        }
        return false;
    }
    m_applied = m_current;
    // A drive that fails at once says so at once; one that fails while starting the sound
    // says so at the next heart beat.
    const std::string why = dev->takeKeyTempoError();
    if (!why.empty()) {
        fellBack(why);
        return false;
    }
    return true;
}

void KeyTempoControl::fellBack(const std::string& why) {
    // The drive plays the disc's key and tempo (the voice setting still applies); the setting
    // says so, and the drive is told, so that the next span does not try again.
    m_current.semitones = 0;
    m_current.tempo = 100;
    if (device::CdAudioDevice* dev = m_app.currentDevice()) {
        (void)dev->setKeyTempo(m_current);
        (void)dev->takeKeyTempoError();
        m_appliedTo = dev;
        m_applied = m_current;
    }
    show();
    m_app.PlayErrorCue();
    m_app.msgBox(why + "\n" + kFallBackNote, ui::mb::kOkOnly + ui::mb::kExclamation, "LIRAFOK");
}

void KeyTempoControl::show() {
    if (CDOKE* w = m_app.loaded<CDOKE>()) w->showKeyTempo(indicatorText(m_current));
    if (CDKEY* k = m_app.loaded<CDKEY>()) k->showSettings(m_current);
}

}  // namespace lirafok
