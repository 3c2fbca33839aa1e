#include "import/OdbcProviderTranslation.h"

#include "import/OdbcSyntax.h"

#include <utility>

namespace {

constexpr int kDefaultLoginTimeout = 10;

// A positive "Connect Timeout" replaces the default login time-out.
int LoginTimeout(const OleDbPairs &pairs) {
    bool ok = false;
    const int timeout = OleDbValue(pairs, QStringLiteral("Connect Timeout")).trimmed().toInt(&ok);
    return ok && timeout > 0 ? timeout : kDefaultLoginTimeout;
}

// A value that the OLE DB string wrote in ODBC braces itself, as the driver is to read it.
QString Unbraced(const QString &braced) {
    return braced.mid(1, braced.size() - 2).replace(QStringLiteral("}}"), QStringLiteral("}"));
}

// The driver that the ODBC string reaches: the first of Driver=, DSN= and FILEDSN=, as the
// driver managers take it. Empty when the string names none.
struct Reached {
    QString driver;
    bool freeTds = false;
};

Reached DriverReached(const QList<QPair<QString, QString>> &odbc,
                      const DataSourceDriverLookup &dataSourceDriver) {
    for (const auto &[key, value] : odbc) {
        const bool named = key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0;
        if (!named && key.compare(QLatin1String("DSN"), Qt::CaseInsensitive) != 0 &&
            key.compare(QLatin1String("FILEDSN"), Qt::CaseInsensitive) != 0)
            continue;
        QStringList chain = dataSourceDriver ? dataSourceDriver(key, value) : QStringList();
        if (named)
            chain.prepend(value);
        for (const QString &driver : std::as_const(chain))
            if (IsFreeTdsDriver(driver))
                return {chain.first(), true};
        return {chain.value(0), false};
    }
    return {};
}

// A keyword that the translation adds to the ODBC string.
struct Added {
    QString key;
    QString value;     // as the driver is to receive it
    QString typed;     // the OLE DB keyword as written, for a refusal to name
    QString asWritten; // braces written by the user, kept for drivers that read them so
};

} // namespace

// The ODBC string travels in Extended Properties; the OLE DB keywords are added to it, quoted for
// the driver that the string reaches.
OdbcConnectTarget TranslateOdbcProvider(const OleDbPairs &pairs,
                                        const DataSourceDriverLookup &dataSourceDriver) {
    QString out = OleDbValue(pairs, QStringLiteral("Extended Properties"));
    QList<Added> added;
    // direct: an ODBC keyword written straight into the OLE DB string, whose value may be in
    // ODBC braces already (Driver={SQLite3}); anything else is quoted for the driver.
    auto add = [&](const QString &key, const QString &value, const QString &typed,
                   bool direct = false) {
        if (OdbcStringHasKey(out, key))
            return;
        for (const Added &a : std::as_const(added))
            if (a.key.compare(key, Qt::CaseInsensitive) == 0)
                return;
        if (direct && IsBracedOdbcValue(value))
            added.append({key, Unbraced(value), typed, value});
        else
            added.append({key, value, typed, QString()});
    };
    // The keyword as the OLE DB string wrote it (the last one, as its value is the last one's).
    auto typed = [&pairs](const char *key) {
        QString written;
        for (const auto &pair : pairs)
            if (pair.first.compare(QLatin1String(key), Qt::CaseInsensitive) == 0)
                written = pair.first;
        return written;
    };
    const QString dataSource = OleDbValue(pairs, QStringLiteral("Data Source"));
    if (!dataSource.isEmpty() && !OdbcStringHasKey(out, QStringLiteral("Driver")) &&
        !OdbcStringHasKey(out, QStringLiteral("FILEDSN")))
        add(QStringLiteral("DSN"), dataSource, typed("Data Source"));
    if (OleDbHas(pairs, QStringLiteral("User ID")))
        add(QStringLiteral("UID"), OleDbValue(pairs, QStringLiteral("User ID")), typed("User ID"));
    if (OleDbHas(pairs, QStringLiteral("Password")))
        add(QStringLiteral("PWD"), OleDbValue(pairs, QStringLiteral("Password")),
            typed("Password"));
    const QString database = OleDbValue(pairs, QStringLiteral("Initial Catalog"));
    if (!database.isEmpty())
        add(QStringLiteral("DATABASE"), database, typed("Initial Catalog"));
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
            add(pair.first, pair.second, pair.first, true);
    }

    QList<QPair<QString, QString>> odbc = ParseOdbcPairs(out);
    for (const Added &a : std::as_const(added))
        odbc.append({a.key, a.value});
    const Reached reached = DriverReached(odbc, dataSourceDriver);
    while (!added.isEmpty() && out.endsWith(QLatin1Char(';')))
        out.chop(1);
    for (const Added &a : std::as_const(added)) {
        if (!reached.freeTds) {
            if (a.asWritten.isEmpty())
                AppendOdbcPair(out, a.key, a.value);
            else
                out += (out.isEmpty() ? QString() : QStringLiteral(";")) + a.key +
                       QLatin1Char('=') + a.asWritten;
            continue;
        }
        // FreeTDS keeps "}}" in braces: the value goes without doubling, or not at all.
        const auto value = FreeTdsValue(a.value);
        if (!value) {
            if (target.refusal.isEmpty())
                target.refusal = FreeTdsValueRefusal(a.typed, reached.driver);
            continue;
        }
        out +=
            (out.isEmpty() ? QString() : QStringLiteral(";")) + a.key + QLatin1Char('=') + *value;
    }
    target.connectionString = out;
    target.loginTimeoutSeconds = LoginTimeout(pairs);
    return target;
}
