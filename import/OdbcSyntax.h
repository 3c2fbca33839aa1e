#pragma once
// Writing and reading ODBC connection strings: keyword=value pairs separated by ";", a value in
// braces when it holds ";" (Microsoft's drivers read "}}" inside braces as "}", FreeTDS keeps it).

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// A value as an ODBC connection string needs it: in braces, "}" doubled, when it holds
// characters that would end or confuse it.
QString QuoteOdbcValue(const QString &value);

// A value as FreeTDS reads it: in braces without doubling. Nothing for a value holding "};",
// which FreeTDS would end there.
std::optional<QString> FreeTdsValue(const QString &value);
// The refusal for such a value: it names the keyword as typed, never the value (mostly a
// password).
QString FreeTdsValueRefusal(const QString &keyword, const QString &driver);

// A value in ODBC braces as a whole, every "}" inside doubled.
bool IsBracedOdbcValue(const QString &value);

// Whether an ODBC-style string has the keyword (outside braces), regardless of case.
bool OdbcStringHasKey(const QString &odbc, const QString &keyword);

// Keyword=value pairs in ODBC's syntax, as Extended Properties holds them: braces around a
// value that holds ";", "}}" inside them for "}". A segment without "=" gives an empty value.
QList<QPair<QString, QString>> ParseOdbcPairs(const QString &text);

// Appends key=value, the value quoted as ODBC needs it.
void AppendOdbcPair(QString &out, const QString &key, const QString &value);
