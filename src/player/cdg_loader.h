#pragma once
// Reads one track's CD+G packets on a thread of its own and hands them to the window thread
// piece by piece.
#include <mutex>
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
    // finishes on its own thread, which then ends). From here on the reading thread never
    // touches the scheduler, which may be gone before that thread ends.
    ~CdgLoader();
    CdgLoader(const CdgLoader&) = delete;
    CdgLoader& operator=(const CdgLoader&) = delete;

private:
    // What the reading thread shares with the loader. `mutex` covers every post: once the
    // loader has set `cancelled` under it, no post is under way and none follows.
    struct Shared {
        std::mutex mutex;
        bool cancelled = false;
        ui::Scheduler* scheduler = nullptr;
        // Posts `task` unless the loader is gone. False when it is.
        bool post(std::function<void()> task) {
            std::lock_guard lock(mutex);
            if (cancelled) return false;
            scheduler->post(std::move(task));
            return true;
        }
    };
    std::shared_ptr<Shared> m_shared;
    std::shared_ptr<CdgLoader*> m_alive;  // posted tasks hold a weak_ptr to it
};

}  // namespace lirafok
