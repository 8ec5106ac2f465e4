#pragma once
// LRCLIB's publish challenge: the smallest nonce (counting from 0) for which SHA-256 of the
// prefix followed by the nonce in decimal, read as a 256-bit big-endian number, is below the
// target. Runs on a worker thread; stops when asked.
#include <QByteArray>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace lirafok::qt {

// True when `hash` (32 bytes) is below `target` (32 bytes), both big-endian.
bool belowTarget(const QByteArray& hash, const QByteArray& target);

// The nonce, or nullopt when `stop` was set or `maxNonce` nonces were tried in vain.
// `stop` is read every few thousand hashes.
std::optional<std::uint64_t> solveChallenge(const std::string& prefix, const QByteArray& target,
                                            const std::atomic<bool>& stop,
                                            std::uint64_t maxNonce = 1ull << 36);

}  // namespace lirafok::qt
