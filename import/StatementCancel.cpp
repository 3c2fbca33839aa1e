#include "import/StatementCancel.h"

#include "core/Exceptions.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

namespace odbc {

namespace {

std::mutex g_mutex;
std::vector<SQLHSTMT> g_active; // guarded by g_mutex
std::atomic<bool> g_cancelled{false};

[[noreturn]] void ThrowCancelled(const QString &object) {
    throw Exception(QStringLiteral("%1: Operation cancelled").arg(object));
}

} // namespace

void CancelAllStatements() {
    // Under the lock: a handle is never freed while it is being cancelled.
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_cancelled = true;
    for (SQLHSTMT stmt : g_active)
        SQLCancel(stmt);
}

bool StatementsCancelled() {
    return g_cancelled;
}

void ThrowIfCancelled(const QString &object) {
    if (g_cancelled)
        ThrowCancelled(object);
}

void ResetStatementCancel() {
    g_cancelled = false;
}

CancellableCall::CancellableCall(SQLHSTMT stmt, const QString &object) : m_stmt(stmt) {
    const std::lock_guard<std::mutex> lock(g_mutex);
    // Checked under the lock: either the cancel sees this call or this call sees the cancel.
    if (g_cancelled)
        ThrowCancelled(object);
    g_active.push_back(stmt);
}

CancellableCall::~CancellableCall() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = std::find(g_active.begin(), g_active.end(), m_stmt);
    if (it != g_active.end())
        g_active.erase(it);
}

} // namespace odbc
