#pragma once
// Ending the program while a statement waits on a server: another thread cancels the calls
// under way (SQLCancel is the one ODBC call meant to come from another thread), and every later
// database call fails at once, so that a run ends through its failure path.

#include <QString>

#include "import/OdbcHeaders.h"

namespace odbc {

// From any thread: the database layer is ending; the calls under way are cancelled.
void CancelAllStatements();
bool StatementsCancelled();
// Throws "object: Operation cancelled" once the database layer is ending.
void ThrowIfCancelled(const QString &object);
// Back to normal (tests).
void ResetStatementCancel();

// Makes a statement cancellable for the duration of a blocking call on it. Fails at once,
// without registering, when the database layer is already ending.
class CancellableCall {
public:
    CancellableCall(SQLHSTMT stmt, const QString &object);
    ~CancellableCall();
    CancellableCall(const CancellableCall &) = delete;
    CancellableCall &operator=(const CancellableCall &) = delete;

private:
    SQLHSTMT m_stmt;
};

} // namespace odbc
