#include "cdg/timeline.h"

#include <algorithm>

namespace lirafok::cdg {

Timeline::Timeline(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {
    m_bytes.resize(packetCount() * kPacketBytes);
    scan(0);
}

void Timeline::append(const std::vector<std::uint8_t>& bytes) {
    const std::size_t from = packetCount();
    m_bytes.insert(m_bytes.end(), bytes.begin(),
                   bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / kPacketBytes *
                                                                kPacketBytes));
    scan(from);
}

void Timeline::scan(std::size_t from) {
    // What a full-screen preset does not paint, tracked through the stream.
    Screen& state = m_scanned;
    for (std::size_t i = from; i < packetCount(); ++i) {
        const std::uint8_t* p = packet(i);
        if (!isCdgPacket(p)) continue;
        switch (static_cast<Instruction>(instructionOf(p))) {
            case Instruction::MemoryPreset:
                if (isFullScreenPreset(p)) {
                    m_presetIndex.push_back(i);
                    m_presetColours.push_back(state.colours);
                    m_presetState.push_back({state.transparent, state.hOffset, state.vOffset});
                }
                break;
            case Instruction::LoadColoursLow:
            case Instruction::LoadColoursHigh:
            case Instruction::DefineTransparent:
            case Instruction::ScrollPreset:
            case Instruction::ScrollCopy:
                // Only colours, the transparent colour and the offsets matter here; the
                // pixels a scroll moves are thrown away.
                apply(state, p);
                break;
            default:
                break;
        }
    }
}

const Screen& Timeline::screenAfter(std::size_t count) {
    count = std::min(count, packetCount());
    if (count == m_applied) return m_screen;
    if (count > m_applied && count - m_applied <= kForwardLimit)
        forward(count);
    else
        jump(count);
    return m_screen;
}

const Screen& Timeline::screenAtFrame(std::int64_t frames) {
    const std::int64_t n = packetAtFrame(frames);
    return screenAfter(n < 0 ? 0 : static_cast<std::size_t>(n) + 1);
}

void Timeline::forward(std::size_t count) {
    for (; m_applied < count; ++m_applied) {
        if (apply(m_screen, packet(m_applied))) ++m_generation;
        ++m_replayed;
        if ((m_applied + 1) % kSnapshotEvery == 0 && !m_snapshots.count(m_applied + 1))
            m_snapshots.emplace(m_applied + 1, m_screen);
    }
}

void Timeline::jump(std::size_t count) {
    // The latest known screen at or before `count`: the current one when going forward, a
    // preset, a snapshot, or the blank start.
    std::size_t from = count >= m_applied ? m_applied : 0;
    const Screen* base = count >= m_applied ? &m_screen : nullptr;
    Screen start;
    auto preset = std::upper_bound(m_presetIndex.begin(), m_presetIndex.end(), count - 1);
    if (count > 0 && preset != m_presetIndex.begin()) {
        const std::size_t k = static_cast<std::size_t>(std::prev(preset) - m_presetIndex.begin());
        if (m_presetIndex[k] + 1 > from) {
            from = m_presetIndex[k];
            start.colours = m_presetColours[k];
            start.transparent = m_presetState[k][0];
            start.hOffset = m_presetState[k][1];
            start.vOffset = m_presetState[k][2];
            base = nullptr;
        }
    }
    auto snap = m_snapshots.upper_bound(count);
    if (snap != m_snapshots.begin() && std::prev(snap)->first > from) {
        from = std::prev(snap)->first;
        base = &std::prev(snap)->second;
    }
    if (base != &m_screen) {
        m_screen = base ? *base : start;
        m_applied = from;
    }
    ++m_generation;
    forward(count);
}

}  // namespace lirafok::cdg
