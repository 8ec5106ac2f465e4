#include "device/real/pulse_connection.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/proplist.h>
#include <pulse/thread-mainloop.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace lirafok::device::real {

PulseConnection::Lock::Lock(const PulseConnection& c) : m_loop(c.m_loop) {
    pa_threaded_mainloop_lock(m_loop);
}

PulseConnection::Lock::~Lock() {
    pa_threaded_mainloop_unlock(m_loop);
}

std::shared_ptr<PulseConnection> PulseConnection::connect(const std::string& appName,
                                                          std::string* error, int timeoutMs) {
    std::shared_ptr<PulseConnection> c(new PulseConnection);
    c->m_appName = appName;
    c->m_loop = pa_threaded_mainloop_new();
    if (!c->m_loop) {
        if (error) *error = "cannot create the sound-server thread";
        return nullptr;
    }
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, appName.c_str());
    pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "lirafok");
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    c->m_context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(c->m_loop),
                                                appName.c_str(), props);
    pa_proplist_free(props);
    if (!c->m_context) {
        if (error) *error = "cannot create a sound-server context";
        return nullptr;
    }
    if (pa_context_connect(c->m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        if (error) *error = pa_strerror(pa_context_errno(c->m_context));
        return nullptr;
    }
    if (pa_threaded_mainloop_start(c->m_loop) < 0) {
        if (error) *error = "cannot start the sound-server thread";
        return nullptr;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Lock lock(*c);
    for (;;) {
        const pa_context_state_t st = pa_context_get_state(c->m_context);
        if (st == PA_CONTEXT_READY) break;
        if (!PA_CONTEXT_IS_GOOD(st) || std::chrono::steady_clock::now() >= deadline) {
            if (error)
                *error = PA_CONTEXT_IS_GOOD(st) ? "the sound server does not answer"
                                                : pa_strerror(pa_context_errno(c->m_context));
            return nullptr;  // `lock` is released before `c` goes
        }
        // Polled rather than waited for: libpulse's wait has no time bound.
        pa_threaded_mainloop_unlock(c->m_loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        pa_threaded_mainloop_lock(c->m_loop);
    }
    c->askServerKind(deadline);
    return c;
}

void PulseConnection::askServerKind(std::chrono::steady_clock::time_point deadline) {
    // Called with the lock held. The answer comes on libpulse's thread, under the same lock.
    pa_operation* op = pa_context_get_server_info(
        m_context,
        [](pa_context*, const pa_server_info* info, void* self) {
            if (info && info->server_name && std::strstr(info->server_name, "PipeWire"))
                static_cast<PulseConnection*>(self)->m_runsInCycles = true;
        },
        this);
    if (!op) return;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING &&
           std::chrono::steady_clock::now() < deadline) {
        pa_threaded_mainloop_unlock(m_loop);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        pa_threaded_mainloop_lock(m_loop);
    }
    // Unanswered in time: the callback may still come, while this connection lives.
    pa_operation_unref(op);
}

bool PulseConnection::alive() {
    Lock lock(*this);
    return pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

PulseConnection::~PulseConnection() {
    if (m_loop) pa_threaded_mainloop_stop(m_loop);
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    if (m_loop) pa_threaded_mainloop_free(m_loop);
}

}  // namespace lirafok::device::real
