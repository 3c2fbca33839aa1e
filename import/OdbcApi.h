#pragma once
// Thin helpers over the ODBC API: UTF-16 text in and out, handle ownership, diagnostics turned
// into exceptions. Text always goes through the wide (W) functions so that non-ASCII survives on
// every platform; SQLWCHAR is 16 bits wide both with unixODBC and on Windows.

#include "core/Exceptions.h"

#include <QString>
#include <QStringList>

#include "import/OdbcHeaders.h"

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR must be UTF-16");

// An error reported by the driver manager or the driver. Message() is the diagnostic text as
// the provider gave it (no prefix of ours).
class EDatabaseError : public Exception {
public:
    EDatabaseError(const QString &message, const QString &sqlState, int nativeError,
                   bool duplicateKey)
        : Exception(message), m_sqlState(sqlState), m_nativeError(nativeError),
          m_duplicateKey(duplicateKey) {}
    QString SqlState() const { return m_sqlState; }
    int NativeError() const { return m_nativeError; }
    // The server refused a row because its key is there already. Other constraint failures
    // (foreign key, NULL, check) are not this: that row could not be written.
    bool IsDuplicateKey() const { return m_duplicateKey; }

private:
    QString m_sqlState;
    int m_nativeError;
    bool m_duplicateKey;
};

namespace odbc {

inline SQLWCHAR *Wide(const QString &text) {
    return reinterpret_cast<SQLWCHAR *>(const_cast<ushort *>(text.utf16()));
}
// As it is: QString::fromUtf16 would take a leading U+FEFF for a byte-order mark and drop it.
inline QString FromWide(const SQLWCHAR *text, qsizetype length) {
    return QStringView(reinterpret_cast<const char16_t *>(text), length).toString();
}

inline bool Succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

struct DiagRecord {
    QString sqlState;
    int nativeError = 0;
    QString message;
};

// All diagnostic records of a handle, in the order the driver gave them.
QList<DiagRecord> Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle);

// Whether one diagnostic record says that the row is there already (a duplicate key).
bool IsDuplicateKeyRecord(const DiagRecord &record);

// The exception for a failed call on a handle: the first error record's text unchanged.
// When the driver left no record at all, the text is "object: what".
EDatabaseError MakeError(SQLSMALLINT handleType, SQLHANDLE handle, const QString &object,
                         const char *what);

// Throws MakeError(...) unless rc is a success (SQL_NO_DATA counts as success when allowed).
inline void Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const QString &object,
                  const char *what, bool noDataIsSuccess = false) {
    if (Succeeded(rc) || (noDataIsSuccess && rc == SQL_NO_DATA))
        return;
    throw MakeError(handleType, rc == SQL_INVALID_HANDLE ? SQL_NULL_HANDLE : handle, object, what);
}

// An owned ODBC handle, freed on destruction.
class Handle {
public:
    Handle() = default;
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle() { Free(); }
    SQLHANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != SQL_NULL_HANDLE; }
    // Allocates a handle of the type below parent (SQL_NULL_HANDLE for an environment).
    SQLRETURN Allocate(SQLSMALLINT type, SQLHANDLE parent);
    void Free();

private:
    SQLSMALLINT m_type = 0;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

// Allocates an ODBC 3 environment handle; throws when the driver manager cannot.
void AllocateEnvironment(Handle &environment);

// Names of the installed ODBC drivers.
QStringList InstalledDrivers(SQLHENV environment);

// unixODBC converts SQL text for ANSI-only drivers with the process's character locale, which is
// "C" (ASCII) until someone sets it, and then silently mangles non-ASCII text. Called before the
// first connection: adopts the user's locale, or UTF-8 when that is still plain "C".
void EnsureCharacterLocale();

} // namespace odbc
