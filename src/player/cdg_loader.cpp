#include "player/cdg_loader.h"

#include <thread>

namespace lirafok {

CdgLoader::CdgLoader(ui::Scheduler& scheduler, std::shared_ptr<device::DiscGraphics> graphics,
                     int track, Piece onPiece, Done onDone)
    : m_shared(std::make_shared<Shared>()), m_alive(std::make_shared<CdgLoader*>(this)) {
    m_shared->scheduler = &scheduler;
    std::weak_ptr<CdgLoader*> alive = m_alive;
    auto shared = m_shared;
    auto piece = std::make_shared<Piece>(std::move(onPiece));
    auto done = std::make_shared<Done>(std::move(onDone));
    std::thread([graphics = std::move(graphics), track, alive, shared, piece, done] {
        device::DiscGraphics::Counts counts;
        std::string error;
        const bool ok = graphics->read(
            track,
            [&](std::vector<std::uint8_t> packets) {
                return shared->post([alive, piece, packets = std::move(packets)]() mutable {
                    if (alive.lock()) (*piece)(std::move(packets));
                });
            },
            &counts, &error);
        shared->post([alive, done, ok, error, counts] {
            if (alive.lock()) (*done)(ok, error, counts);
        });
    }).detach();
}

CdgLoader::~CdgLoader() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->cancelled = true;
}

}  // namespace lirafok
