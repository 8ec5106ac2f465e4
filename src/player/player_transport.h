#pragma once
// The main window's transport for the desktop: media keys, MPRIS and the keyboard press the
// same buttons the user presses, and read what the main window shows.
#include "common/media_transport.h"

namespace lirafok {

class App;

class PlayerTransport final : public MediaTransport {
public:
    explicit PlayerTransport(App& app) : m_app(app) {}

    NowPlaying nowPlaying() override;
    void play() override;
    void pause() override;
    void playPause() override;
    void stop() override;
    void next() override;
    void previous() override;
    bool seekInTrack(std::int32_t ms) override;
    void setVolume(double level) override;
    void setLoop(LoopMode loop) override;
    void setShuffle(bool on) override;
    void setTempo(int percent) override;

    // Moves `deltaMs` from the heard position inside the current track (the arrow keys).
    bool seekBy(std::int32_t deltaMs);

private:
    App& m_app;
};

}  // namespace lirafok
