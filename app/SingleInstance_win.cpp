#include "app/SingleInstance.h"

#include <windows.h>

SingleInstanceGuard::SingleInstanceGuard(const char *name) {
    // A successful create of a new mutex need not clear an older error code.
    SetLastError(ERROR_SUCCESS);
    const HANDLE handle = CreateMutexA(nullptr, TRUE, name);
    const DWORD error = GetLastError();
    if (handle != nullptr)
        m_handle = reinterpret_cast<std::intptr_t>(handle);
    if (error == ERROR_ALREADY_EXISTS)
        m_result = SingleInstanceResult::AlreadyRunning;
    else if (error != ERROR_SUCCESS || handle == nullptr)
        m_result = SingleInstanceResult::Failed;
    else
        m_result = SingleInstanceResult::FirstCopy;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    Close();
}

void SingleInstanceGuard::Close() {
    if (m_handle == -1)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
}
