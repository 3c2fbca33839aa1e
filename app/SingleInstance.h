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
    // Where the first copy listens for a second start: a socket beside the lock here, a pipe
    // name of this user and logon session on Windows. Empty when there is none.
    std::string CallName() const;
    void Close(); // gives the guard up; harmless when already closed

private:
    SingleInstanceResult m_result = SingleInstanceResult::Failed;
    std::intptr_t m_handle = -1;
    std::string m_failure;
    std::string m_path;
    std::string m_call; // Windows: the pipe name
};

// Lets the copy at the other end of a call connection take the foreground (a Windows rule:
// only the process the user just started may hand that right on). Nothing elsewhere.
void AllowCalledCopyForward(std::intptr_t connection);
