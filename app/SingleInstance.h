#pragma once
// Single-instance guard. Windows: a named mutex (CreateMutexA, GetLastError, CloseHandle).
// Elsewhere: a per-user lock file that the system releases when the process dies.

#include <cstdint>
#include <string>

enum class SingleInstanceResult { FirstCopy, AlreadyRunning, Failed };

class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const char *name);
    ~SingleInstanceGuard(); // closes the handle if still open
    SingleInstanceGuard(const SingleInstanceGuard &) = delete;
    SingleInstanceGuard &operator=(const SingleInstanceGuard &) = delete;

    SingleInstanceResult Result() const { return m_result; }
    // Why no guard could be set up, for the user; empty where such a failure ends quietly.
    const std::string &FailureText() const { return m_failure; }
    // The lock file held or found held (empty on Windows).
    const std::string &LockPath() const { return m_path; }
    void Close(); // gives the guard up; harmless when already closed

private:
    SingleInstanceResult m_result = SingleInstanceResult::Failed;
    std::intptr_t m_handle = -1;
    std::string m_failure;
    std::string m_path;
};
