#include "qt/proof_of_work.h"

#include <QCryptographicHash>
#include <cstring>

namespace lirafok::qt {

bool belowTarget(const QByteArray& hash, const QByteArray& target) {
    if (hash.size() != 32 || target.size() != 32) return false;
    return std::memcmp(hash.constData(), target.constData(), 32) < 0;
}

std::optional<std::uint64_t> solveChallenge(const std::string& prefix, const QByteArray& target,
                                            const std::atomic<bool>& stop, std::uint64_t maxNonce) {
    if (target.size() != 32) return std::nullopt;
    QCryptographicHash sha(QCryptographicHash::Sha256);
    QByteArray input = QByteArray::fromStdString(prefix);
    const qsizetype base = input.size();
    for (std::uint64_t nonce = 0; nonce < maxNonce; ++nonce) {
        if ((nonce & 0xFFF) == 0 && stop.load(std::memory_order_relaxed)) return std::nullopt;
        input.resize(base);
        input.append(QByteArray::number(static_cast<qulonglong>(nonce)));
        sha.reset();
        sha.addData(input);
        if (belowTarget(sha.result(), target)) return nonce;
    }
    return std::nullopt;
}

}  // namespace lirafok::qt
