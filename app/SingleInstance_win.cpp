#include "app/SingleInstance.h"

#include <windows.h>

#include <sddl.h>
#include <string>

namespace {

// The user's security identifier as text; empty if it cannot be read.
std::string UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    std::string text;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    char *sidText = nullptr;
    if (size != 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &sidText)) {
        text = sidText;
        LocalFree(sidText);
    }
    CloseHandle(token);
    return text;
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const char *name) {
    // Pipe names are machine-wide: the user and the logon session keep other desktops apart,
    // as the mutex's local namespace does. Done first, so that the mutex's error code is the
    // thread's last one.
    DWORD session = 0;
    const std::string sid = UserSid();
    if (!sid.empty() && ProcessIdToSessionId(GetCurrentProcessId(), &session))
        m_call = std::string("VantrelImport-") + name + '-' + std::to_string(session) + '-' + sid;
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

std::string SingleInstanceGuard::CallName() const {
    return m_call;
}

void AllowCalledCopyForward(std::intptr_t connection) {
    ULONG pid = 0;
    if (GetNamedPipeServerProcessId(reinterpret_cast<HANDLE>(connection), &pid))
        AllowSetForegroundWindow(pid);
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
