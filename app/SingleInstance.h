#pragma once
// Single-instance guard. Windows: a named mutex (CreateMutexA, GetLastError, CloseHandle).
// Elsewhere: a per-user lock file that the system releases when the process dies.

#include <cstdint>

enum class SingleInstanceResult { FirstCopy, AlreadyRunning, Failed };

class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const char *name);
    ~SingleInstanceGuard(); // closes the handle if still open
    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    SingleInstanceResult Result() const { return m_result; }
    void Close(); // gives the guard up; harmless when already closed

private:
    SingleInstanceResult m_result = SingleInstanceResult::Failed;
    std::intptr_t m_handle = -1;
};
