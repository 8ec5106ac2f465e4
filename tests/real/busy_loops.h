#pragma once
// Threads that keep the processor busy for as long as they live: the load beside a sound
// test or a bench.
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace lirafok::testing {

class BusyLoops {
public:
    explicit BusyLoops(int count) {
        for (int i = 0; i < count; ++i)
            m_threads.emplace_back([this] {
                volatile std::uint64_t x = 0;
                while (!m_stop) x = x + 1;
            });
    }
    ~BusyLoops() {
        m_stop = true;
        for (auto& t : m_threads) t.join();
    }
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

}  // namespace lirafok::testing
