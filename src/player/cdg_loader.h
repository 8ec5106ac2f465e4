#pragma once
// Reads one track's CD+G packets on a thread of its own and hands them to the window thread
// piece by piece.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/disc_graphics.h"
#include "ui/scheduler.h"

namespace lirafok {

class CdgLoader {
public:
    using Piece = std::function<void(std::vector<std::uint8_t>)>;
    using Done =
        std::function<void(bool ok, const std::string& error, const device::DiscGraphics::Counts&)>;

    // Starts reading at once. `onPiece` and `onDone` run on the window thread, in order, and
    // never after the loader is destroyed.
    CdgLoader(ui::Scheduler& scheduler, std::shared_ptr<device::DiscGraphics> graphics, int track,
              Piece onPiece, Done onDone);
    // Stops the reading at its next piece without waiting for it (a drive read in progress
    // finishes on its own thread, which then ends).
    ~CdgLoader();
    CdgLoader(const CdgLoader&) = delete;
    CdgLoader& operator=(const CdgLoader&) = delete;

private:
    struct Shared {
        std::atomic<bool> cancelled{false};
    };
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<CdgLoader*> m_alive;  // posted tasks hold a weak_ptr to it
};

}  // namespace lirafok
