#include "OdbcDataSources.h"

#include "import/OdbcApi.h"

#include <algorithm>

QStringList OdbcDataSourceNames() {
    QStringList names;
    SQLHENV env = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
        return names;
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    // The wide call: names outside the ANSI code page survive, and Wine has no ANSI one.
    SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLWCHAR description[256];
    SQLSMALLINT nameLength = 0, descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSourcesW(env, direction, name, SQL_MAX_DSN_LENGTH + 1, &nameLength,
                                         description, 256, &descriptionLength))) {
        const qsizetype length = std::clamp<qsizetype>(nameLength, 0, SQL_MAX_DSN_LENGTH);
        names.append(odbc::FromWide(name, length));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    names.removeDuplicates();
    names.sort(Qt::CaseInsensitive);
    return names;
}
