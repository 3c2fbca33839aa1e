#include "import/OdbcApi.h"

#include <clocale>
#include <cstring>
#include <mutex>

namespace odbc {

QList<DiagRecord> Diagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    QList<DiagRecord> records;
    if (handle == SQL_NULL_HANDLE)
        return records;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        QList<SQLWCHAR> text(1024);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, i, state, &native, text.data(),
                                      SQLSMALLINT(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= text.size()) {
            text.resize(length + 1);
            rc = SQLGetDiagRecW(handleType, handle, i, state, &native, text.data(),
                                SQLSMALLINT(text.size()), &length);
        }
        if (!Succeeded(rc))
            break;
        DiagRecord record;
        record.sqlState = FromWide(state, 5);
        record.nativeError = int(native);
        record.message = FromWide(text.data(), qMin<qsizetype>(length, text.size() - 1));
        records.append(record);
    }
    return records;
}

bool IsDuplicateKeyRecord(const DiagRecord &record) {
    // SQL Server: 2627 duplicate key in a unique constraint, 2601 in a unique index. Its other
    // constraint errors (547 foreign key or check, 515 NULL) share SQLSTATE 23000 but mean a
    // row that cannot be written, not one that is there already.
    if (record.nativeError == 2627 || record.nativeError == 2601)
        return true;
    // SQLite's ODBC driver gives the general HY000 with SQLite's own code 19 (any constraint);
    // only its uniqueness texts mean a duplicate. It stands in for the target database in
    // end-to-end tests, where a row that is already there must read as such.
    if (record.sqlState != QLatin1String("HY000") || record.nativeError != 19)
        return false;
    static const char *const uniqueTexts[] = {"UNIQUE constraint failed",
                                              "PRIMARY KEY must be unique", "is not unique",
                                              "are not unique"};
    for (const char *text : uniqueTexts)
        if (record.message.contains(QLatin1String(text), Qt::CaseInsensitive))
            return true;
    return false;
}

EDatabaseError MakeError(SQLSMALLINT handleType, SQLHANDLE handle, const QString &object,
                         const char *what) {
    const QList<DiagRecord> records = Diagnostics(handleType, handle);
    if (records.isEmpty())
        return EDatabaseError(QStringLiteral("%1: %2").arg(object, QString::fromUtf8(what)),
                              QString(), 0, false);
    // The first record that is not a mere warning (class 01) carries the failure; some drivers
    // put their only message under a warning state, so that is the last resort.
    const DiagRecord *chosen = &records.first();
    for (const DiagRecord &record : records) {
        if (!record.sqlState.startsWith(QLatin1String("01"))) {
            chosen = &record;
            break;
        }
    }
    bool duplicate = false;
    for (const DiagRecord &record : records)
        duplicate = duplicate || IsDuplicateKeyRecord(record);
    return EDatabaseError(chosen->message, chosen->sqlState, chosen->nativeError, duplicate);
}

SQLRETURN Handle::Allocate(SQLSMALLINT type, SQLHANDLE parent) {
    Free();
    m_type = type;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(type, parent, &handle);
    m_handle = Succeeded(rc) ? handle : SQL_NULL_HANDLE;
    return rc;
}

void Handle::Free() {
    if (m_handle != SQL_NULL_HANDLE)
        SQLFreeHandle(m_type, m_handle);
    m_handle = SQL_NULL_HANDLE;
}

void AllocateEnvironment(Handle &environment) {
    if (!Succeeded(environment.Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE)))
        throw EDatabaseError(QStringLiteral("Cannot allocate an ODBC environment"), QString(), 0,
                             false);
    Check(SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION,
                        reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
          SQL_HANDLE_ENV, environment.get(), QStringLiteral("ODBC"), "Cannot select version 3");
}

QStringList InstalledDrivers(SQLHENV environment) {
    QStringList names;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLWCHAR name[512];
        SQLWCHAR attributes[2048];
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(environment, direction, name, 512, &nameLength, attributes,
                                         2048, &attributesLength);
        if (!Succeeded(rc))
            break;
        names.append(FromWide(name, qMin<qsizetype>(nameLength, 511)));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

void EnsureCharacterLocale() {
    static std::once_flag once;
    std::call_once(once, [] {
        auto isPlain = [](const char *name) {
            return name == nullptr || std::strcmp(name, "C") == 0 ||
                   std::strcmp(name, "POSIX") == 0;
        };
        if (!isPlain(std::setlocale(LC_CTYPE, nullptr)))
            return;
        if (isPlain(std::setlocale(LC_CTYPE, "")))
            std::setlocale(LC_CTYPE, "C.UTF-8");
    });
}

} // namespace odbc
