#pragma once
// Reading an OLE DB connection string: keyword=value pairs separated by ";", a value in single or
// double quotes when it holds ";" or its quote (doubled inside), "==" for "=" in a keyword.

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

using OleDbPairs = QList<QPair<QString, QString>>;

// keyword=value pairs of an OLE DB string in order, keywords as written, values unquoted.
// Nothing when the text breaks the syntax (a pair without "=", an unterminated quote).
std::optional<OleDbPairs> ParseOleDbString(const QString &text);
// The same for a string being edited: what breaks the syntax is skipped instead (segments
// without "=", an unterminated quote runs to the end, text after a closing quote is ignored).
OleDbPairs ParseOleDbStringLenient(const QString &text);

// The value of a keyword, matched without regard to case; the last one wins, as with OLE DB.
QString OleDbValue(const OleDbPairs &pairs, const QString &key);
bool OleDbHas(const OleDbPairs &pairs, const QString &key);
