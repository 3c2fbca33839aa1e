#include "import/OdbcProviderTranslation.h"

#include "import/OdbcSyntax.h"

namespace {

constexpr int kDefaultLoginTimeout = 10;

// A positive "Connect Timeout" replaces the default login time-out.
int LoginTimeout(const OleDbPairs &pairs) {
    bool ok = false;
    const int timeout = OleDbValue(pairs, QStringLiteral("Connect Timeout")).trimmed().toInt(&ok);
    return ok && timeout > 0 ? timeout : kDefaultLoginTimeout;
}

} // namespace

// The ODBC string travels in Extended Properties; the OLE DB keywords are added to it.
OdbcConnectTarget TranslateOdbcProvider(const OleDbPairs &pairs) {
    QString out = OleDbValue(pairs, QStringLiteral("Extended Properties"));
    // direct: an ODBC keyword written straight into the OLE DB string, whose value may be in
    // ODBC braces already (Driver={SQLite3}); anything else is quoted as ODBC needs it.
    auto add = [&out](const QString &key, const QString &value, bool direct = false) {
        if (OdbcStringHasKey(out, key))
            return;
        while (out.endsWith(QLatin1Char(';')))
            out.chop(1);
        if (direct && IsBracedOdbcValue(value))
            out +=
                (out.isEmpty() ? QString() : QStringLiteral(";")) + key + QLatin1Char('=') + value;
        else
            AppendOdbcPair(out, key, value);
    };
    const QString dataSource = OleDbValue(pairs, QStringLiteral("Data Source"));
    if (!dataSource.isEmpty() && !OdbcStringHasKey(out, QStringLiteral("Driver")) &&
        !OdbcStringHasKey(out, QStringLiteral("FILEDSN")))
        add(QStringLiteral("DSN"), dataSource);
    if (OleDbHas(pairs, QStringLiteral("User ID")))
        add(QStringLiteral("UID"), OleDbValue(pairs, QStringLiteral("User ID")));
    if (OleDbHas(pairs, QStringLiteral("Password")))
        add(QStringLiteral("PWD"), OleDbValue(pairs, QStringLiteral("Password")));
    const QString database = OleDbValue(pairs, QStringLiteral("Initial Catalog"));
    if (!database.isEmpty())
        add(QStringLiteral("DATABASE"), database);
    // ODBC keywords written straight into the OLE DB string (DSN=, Driver=, ...) go along.
    static const QStringList oleDbOnly = {QStringLiteral("Provider"),
                                          QStringLiteral("Extended Properties"),
                                          QStringLiteral("Data Source"),
                                          QStringLiteral("User ID"),
                                          QStringLiteral("Password"),
                                          QStringLiteral("Initial Catalog"),
                                          QStringLiteral("Persist Security Info"),
                                          QStringLiteral("Connect Timeout")};
    OdbcConnectTarget target;
    for (const auto &pair : pairs) {
        bool skip = false;
        for (const QString &k : oleDbOnly)
            skip = skip || pair.first.compare(k, Qt::CaseInsensitive) == 0;
        // ODBC has no way to write "=" in a keyword: split there, it would become another one.
        if (!skip && pair.first.contains(QLatin1Char('=')) && target.refusal.isEmpty())
            target.refusal =
                QStringLiteral("The keyword \"%1\" cannot be passed to ODBC because it contains "
                               "\"=\"")
                    .arg(pair.first);
        if (!skip)
            add(pair.first, pair.second, true);
    }
    target.connectionString = out;
    target.loginTimeoutSeconds = LoginTimeout(pairs);
    return target;
}
