#pragma once
// The connection strings in the settings are OLE DB strings ("Provider=SQLOLEDB.1;Data
// Source=...;Initial Catalog=..."); ODBC wants its own keywords. This turns the one into the
// other without touching a database.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// keyword=value pairs of an OLE DB string in order, keywords as written, values unquoted.
// Nothing when the text breaks the syntax (a pair without "=", an unterminated quote).
std::optional<QList<QPair<QString, QString>>> ParseOleDbString(const QString &text);
// The same for a string being edited: what breaks the syntax is skipped instead (segments
// without "=", an unterminated quote runs to the end, text after a closing quote is ignored).
QList<QPair<QString, QString>> ParseOleDbStringLenient(const QString &text);

// A value as an ODBC connection string needs it: in braces, "}" doubled, when it holds
// characters that would end or confuse it.
QString QuoteOdbcValue(const QString &value);

// Whether an ODBC-style string has the keyword (outside braces), regardless of case.
bool OdbcStringHasKey(const QString &odbc, const QString &keyword);

struct OdbcConnectTarget {
    QString connectionString;
    int loginTimeoutSeconds = 10;
};

// The ODBC form of a connection string. A string that already names Driver=, DSN= or FILEDSN=
// passes unchanged; so does one that cannot be read, so that the driver manager reports it.
// installedDrivers is asked only when a SQL Server driver has to be chosen.
OdbcConnectTarget TranslateConnectionString(const QString &text,
                                            const std::function<QStringList()> &installedDrivers);

// The SQL Server ODBC driver to use among the installed ones, best first.
QString ChooseSqlServerDriver(const QStringList &installedDrivers);
