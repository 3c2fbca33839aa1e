#pragma once
// Ending the program when the system asks: SIGTERM, SIGINT and SIGHUP elsewhere than on
// Windows (where the session's end reaches the application object itself).

#include <chrono>
#include <functional>
#include <memory>

// At the first request, cancel runs at once on a thread of its own, so that it reaches a
// user-interface thread that waits on a server; the request then goes to the user-interface
// thread's handler. A program still there after the grace period ends on the spot with status 0
// (nothing more is written); a second request ends it at once. One watch at a time; it is
// created after the application object and destroyed before it.
class TerminationWatch {
public:
    TerminationWatch(std::function<void()> cancel, std::chrono::milliseconds grace);
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch &) = delete;
    TerminationWatch &operator=(const TerminationWatch &) = delete;

    // What a request does on the user-interface thread; replaces the one before.
    void SetHandler(std::function<void()> onTerminate);

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
