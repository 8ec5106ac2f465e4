#pragma once
// The single-instance lock that also brings the running copy forward: a second copy that
// finds the lock held asks the first, through a local socket beside the lock file, to raise
// its main window, and then ends as before.
#include <QLocalServer>
#include <QString>
#include <functional>

#include "qt/qt_services.h"

namespace lirafok::qt {

class RaisingInstance : public LockFileInstance {
public:
    // An empty `lockPath` means the standard lock in the runtime folder.
    explicit RaisingInstance(QString lockPath = {});
    ~RaisingInstance() override;

    // First copy: takes the lock and listens for the others. Later copies: send the raise
    // request (waiting at most `kAskTimeoutMs` for the first copy to take it) and answer false.
    bool acquire() override;

    // What the first copy does when another copy starts (raise the main window).
    std::function<void()> onRaiseRequest;
    // Whether the last failed acquire() reached the running copy.
    bool asked() const { return m_asked; }

    static constexpr int kAskTimeoutMs = 2000;

private:
    QString socketName() const;

    QLocalServer m_server;
    bool m_asked = false;
};

}  // namespace lirafok::qt
