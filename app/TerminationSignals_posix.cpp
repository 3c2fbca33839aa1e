#include "app/TerminationSignals.h"

#include <QMetaObject>
#include <QObject>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// Written by the signal handler (1) and by the watch's end (0); read by the watcher thread.
int g_pipe[2] = {-1, -1};

constexpr char kRequest = 1;
constexpr char kStop = 0;

extern "C" void OnSignal(int) {
    // Only async-signal-safe work here: the watcher thread does the rest.
    const int saved = errno;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &kRequest, 1);
    errno = saved;
}

} // namespace

struct TerminationWatch::Impl {
    std::function<void()> cancel;
    std::chrono::milliseconds grace;
    std::function<void()> onTerminate; // user-interface thread only
    // Lives on the user-interface thread: a request still queued when the watch ends goes too.
    QObject relay;
    std::thread watcher;

    void Watch();
    void Deliver();
};

void TerminationWatch::Impl::Watch() {
    bool requested = false;
    std::chrono::steady_clock::time_point deadline;
    for (;;) {
        int timeout = -1;
        if (requested) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            // A driver that does not give the thread back must not keep the program alive.
            if (left.count() <= 0)
                ::_exit(0);
            timeout = int(left.count());
        }
        pollfd p = {g_pipe[0], POLLIN, 0};
        if (::poll(&p, 1, timeout) <= 0)
            continue; // the deadline is checked above; EINTR retries
        char buf[16];
        const ssize_t n = ::read(g_pipe[0], buf, sizeof buf);
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == kStop)
                return;
            if (requested)
                ::_exit(0); // asked twice: at once
            requested = true;
            deadline = std::chrono::steady_clock::now() + grace;
            // On a thread of its own: a cancel that hangs in a driver must not stop the clock.
            if (cancel)
                std::thread(cancel).detach();
            QMetaObject::invokeMethod(
                &relay, [this] { Deliver(); }, Qt::QueuedConnection);
        }
    }
}

void TerminationWatch::Impl::Deliver() {
    if (onTerminate)
        onTerminate();
}

TerminationWatch::TerminationWatch(std::function<void()> cancel, std::chrono::milliseconds grace)
    : d(std::make_unique<Impl>()) {
    d->cancel = std::move(cancel);
    d->grace = grace;
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    // Requests that came before this watch belong to no one.
    char buf[16];
    while (::read(g_pipe[0], buf, sizeof buf) > 0) {
    }
    d->watcher = std::thread([impl = d.get()] { impl->Watch(); });
    struct sigaction sa = {};
    sa.sa_handler = &OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

TerminationWatch::~TerminationWatch() {
    if (!d->watcher.joinable())
        return;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &kStop, 1);
    d->watcher.join();
}

void TerminationWatch::SetHandler(std::function<void()> onTerminate) {
    d->onTerminate = std::move(onTerminate);
}
