#pragma once
// Small platform services on Qt: clipboard, sound cues, screen-saver inhibition, installed
// fonts and the single-instance lock.
#include <QObject>
#include <QString>
#include <map>
#include <memory>

#include "device/audio_sink.h"
#include "device/real/wave_player.h"
#include "ui/services.h"

class QLockFile;

namespace lirafok::qt {

// Text on the system clipboard. The program keeps CR LF line breaks; the clipboard holds the
// platform's LF.
class QtClipboard : public ui::Clipboard {
public:
    std::string text() override;
    void setText(const std::string& t) override;
};

// Plays wave files without waiting for them, through `sink` (the sound server's cue stream);
// nullptr, a missing file or an absent audio output is silent. Each file is decoded once, on
// the player's own thread, and kept while it is unchanged.
class QtSoundCues : public QObject, public ui::SoundCues {
    Q_OBJECT
public:
    explicit QtSoundCues(std::unique_ptr<device::AudioSink> sink = nullptr);
    ~QtSoundCues() override;
    void play(const std::string& wavPath) override;
    device::real::WavePlayer& player() { return m_player; }

private:
    device::real::WavePlayer m_player;
};

// Inhibits the screen saver over the freedesktop D-Bus interface while suppressed. Without a
// session bus or a screen-saver service nothing happens.
class DBusScreenSaver : public ui::ScreenSaver {
public:
    DBusScreenSaver();
    ~DBusScreenSaver() override;
    void setSuppressed(bool suppressed) override;
    bool inhibited() const { return m_cookie != 0; }

private:
    unsigned m_cookie = 0;
};

class QtInstalledFonts : public ui::InstalledFonts {
public:
    bool isInstalled(const std::string& faceName) override;
};

// A lock file in the user's runtime folder. The first running copy holds it for its whole
// life; the lock of a copy that crashed is taken over.
class LockFileInstance : public ui::InstanceLock {
public:
    // An empty `path` means "lirafok.lock" in the runtime folder.
    explicit LockFileInstance(QString path = {});
    ~LockFileInstance() override;
    bool acquire() override;
    QString path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};

}  // namespace lirafok::qt
