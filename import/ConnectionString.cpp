#include "import/ConnectionString.h"

#include <QRegularExpression>

namespace {

using Pairs = QList<QPair<QString, QString>>;

constexpr int kDefaultLoginTimeout = 10;

QString Value(const Pairs &pairs, const QString &key) {
    QString value; // the last one wins, as with OLE DB
    for (const auto &pair : pairs)
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            value = pair.second;
    return value;
}

bool Has(const Pairs &pairs, const QString &key) {
    for (const auto &pair : pairs)
        if (pair.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// OLE DB Boolean spellings; nothing for a value that is not one.
std::optional<bool> Flag(const QString &value) {
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("sspi") ||
        v == QLatin1String("1") || v == QLatin1String("mandatory"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("no") || v == QLatin1String("0") ||
        v == QLatin1String("optional"))
        return false;
    return std::nullopt;
}

void Append(QString &out, const QString &key, const QString &value) {
    if (!out.isEmpty())
        out += QLatin1Char(';');
    out += key + QLatin1Char('=') + QuoteOdbcValue(value);
}

// A value in ODBC braces as a whole, every "}" inside doubled.
bool IsBracedOdbcValue(const QString &value) {
    if (value.size() < 2 || value.front() != QLatin1Char('{') || value.back() != QLatin1Char('}'))
        return false;
    for (qsizetype i = 1; i < value.size() - 1; ++i) {
        if (value[i] != QLatin1Char('}'))
            continue;
        if (i + 1 >= value.size() - 1 || value[i + 1] != QLatin1Char('}'))
            return false;
        ++i;
    }
    return true;
}

bool NamesOdbcTarget(const QString &key) {
    return key.compare(QLatin1String("Driver"), Qt::CaseInsensitive) == 0 ||
           key.compare(QLatin1String("DSN"), Qt::CaseInsensitive) == 0 ||
           key.compare(QLatin1String("FILEDSN"), Qt::CaseInsensitive) == 0;
}

// Outside the OLE DB parser's reach: does a raw string name an ODBC driver or data source?
bool RawNamesOdbcTarget(const QString &text) {
    static const QRegularExpression re(QStringLiteral("(^|;)\\s*(driver|dsn|filedsn)\\s*="),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(text).hasMatch();
}

// A positive "Connect Timeout" replaces the default login time-out.
int LoginTimeout(const Pairs &pairs) {
    bool ok = false;
    const int timeout = Value(pairs, QStringLiteral("Connect Timeout")).trimmed().toInt(&ok);
    return ok && timeout > 0 ? timeout : kDefaultLoginTimeout;
}

OdbcConnectTarget SqlServer(const Pairs &pairs, const QString &provider, const QString &driver) {
    const bool freeTds = driver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0;
    const bool legacy = driver.compare(QLatin1String("SQL Server"), Qt::CaseInsensitive) == 0;
    QString out = QStringLiteral("Driver={") +
                  QString(driver).replace(QLatin1Char('}'), QLatin1String("}}")) + QLatin1Char('}');

    QString server = Value(pairs, QStringLiteral("Data Source"));
    if (server.isEmpty())
        server = Value(pairs, QStringLiteral("Server"));
    const QString network = Value(pairs, QStringLiteral("Network Library")).trimmed().toUpper();
    if (!network.isEmpty() && !legacy && !freeTds && !server.contains(QLatin1Char(':'))) {
        // Newer drivers take the protocol as a prefix of the server name.
        if (network == QLatin1String("DBMSSOCN"))
            server.prepend(QStringLiteral("tcp:"));
        else if (network == QLatin1String("DBNMPNTW"))
            server.prepend(QStringLiteral("np:"));
        else if (network == QLatin1String("DBMSLPCN"))
            server.prepend(QStringLiteral("lpc:"));
    }
    if (!server.isEmpty())
        Append(out, QStringLiteral("Server"), server);
    if (legacy && !network.isEmpty())
        Append(out, QStringLiteral("Network"), network);
    const QString database = Value(pairs, QStringLiteral("Initial Catalog"));
    if (!database.isEmpty())
        Append(out, QStringLiteral("Database"), database);
    if (Has(pairs, QStringLiteral("User ID")))
        Append(out, QStringLiteral("UID"), Value(pairs, QStringLiteral("User ID")));
    if (Has(pairs, QStringLiteral("Password")))
        Append(out, QStringLiteral("PWD"), Value(pairs, QStringLiteral("Password")));
    if (Flag(Value(pairs, QStringLiteral("Integrated Security"))).value_or(false))
        Append(out, QStringLiteral("Trusted_Connection"), QStringLiteral("Yes"));

    // Encryption: OLE DB spells it two ways; the newest drivers encrypt unless told not to,
    // while the older providers did not, so their strings keep meaning what they meant.
    QString encrypt = Value(pairs, QStringLiteral("Use Encryption for Data"));
    if (Has(pairs, QStringLiteral("Encrypt")))
        encrypt = Value(pairs, QStringLiteral("Encrypt"));
    const bool strict =
        encrypt.trimmed().compare(QLatin1String("strict"), Qt::CaseInsensitive) == 0;
    std::optional<bool> wantEncrypt = strict ? std::optional<bool>(true) : Flag(encrypt);
    if (!wantEncrypt && !provider.startsWith(QLatin1String("MSOLEDBSQL19"), Qt::CaseInsensitive))
        wantEncrypt =
            driver.contains(QLatin1String("Driver 18")) ? std::optional<bool>(false) : std::nullopt;
    if (wantEncrypt) {
        if (freeTds) {
            if (*wantEncrypt)
                Append(out, QStringLiteral("Encryption"),
                       strict ? QStringLiteral("strict") : QStringLiteral("require"));
        } else {
            Append(out, QStringLiteral("Encrypt"),
                   strict ? QStringLiteral("strict")
                          : (*wantEncrypt ? QStringLiteral("yes") : QStringLiteral("no")));
        }
    }
    if (!freeTds) {
        const auto trust = Flag(Value(pairs, QStringLiteral("Trust Server Certificate")));
        if (trust)
            Append(out, QStringLiteral("TrustServerCertificate"),
                   *trust ? QStringLiteral("yes") : QStringLiteral("no"));
    }
    const QString app = Value(pairs, QStringLiteral("Application Name"));
    if (!app.isEmpty())
        Append(out, QStringLiteral("APP"), app);
    const QString wsid = Value(pairs, QStringLiteral("Workstation ID"));
    if (!wsid.isEmpty())
        Append(out, QStringLiteral("WSID"), wsid);
    if (!legacy) {
        QString mars = Value(pairs, QStringLiteral("MARS Connection"));
        if (mars.isEmpty())
            mars = Value(pairs, QStringLiteral("MultipleActiveResultSets"));
        if (Flag(mars).value_or(false))
            Append(out, QStringLiteral("MARS_Connection"), QStringLiteral("yes"));
    }
    if (freeTds) {
        // FreeTDS's default protocol detection falls back to an older login on a second
        // connection that waits with no time limit on a silent server; 7.4 is negotiated down
        // by older servers.
        Append(out, QStringLiteral("TDS_Version"), QStringLiteral("7.4"));
    }
    return {out, LoginTimeout(pairs)};
}

// MSDASQL is OLE DB over ODBC: the ODBC string travels in Extended Properties.
OdbcConnectTarget OdbcProvider(const Pairs &pairs) {
    QString out = Value(pairs, QStringLiteral("Extended Properties"));
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
            Append(out, key, value);
    };
    const QString dataSource = Value(pairs, QStringLiteral("Data Source"));
    if (!dataSource.isEmpty() && !OdbcStringHasKey(out, QStringLiteral("Driver")) &&
        !OdbcStringHasKey(out, QStringLiteral("FILEDSN")))
        add(QStringLiteral("DSN"), dataSource);
    if (Has(pairs, QStringLiteral("User ID")))
        add(QStringLiteral("UID"), Value(pairs, QStringLiteral("User ID")));
    if (Has(pairs, QStringLiteral("Password")))
        add(QStringLiteral("PWD"), Value(pairs, QStringLiteral("Password")));
    const QString database = Value(pairs, QStringLiteral("Initial Catalog"));
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
    for (const auto &pair : pairs) {
        bool skip = false;
        for (const QString &k : oleDbOnly)
            skip = skip || pair.first.compare(k, Qt::CaseInsensitive) == 0;
        if (!skip)
            add(pair.first, pair.second, true);
    }
    return {out, LoginTimeout(pairs)};
}

} // namespace

namespace {

// Strict: any break of the syntax gives nothing, so that the driver manager reports the string.
// Lenient, for a string being edited: segments without "=" or keyword are dropped, an
// unterminated quote takes the rest of the text, text after a closing quote is ignored.
std::optional<Pairs> ScanOleDbPairs(const QString &text, bool lenient) {
    Pairs pairs;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // Keyword, up to "="; "==" stands for a literal "=" in it.
        QString key;
        while (i < n) {
            const QChar c = text[i];
            if (c == QLatin1Char('=')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('=')) {
                    key += c;
                    i += 2;
                    continue;
                }
                break;
            }
            if (c == QLatin1Char(';'))
                break;
            key += c;
            ++i;
        }
        key = key.trimmed();
        if (i >= n || text[i] == QLatin1Char(';')) {
            if (!key.isEmpty() && !lenient)
                return std::nullopt; // a keyword without a value
            ++i;                     // an empty pair
            continue;
        }
        ++i; // the "="
        while (i < n && text[i].isSpace())
            ++i;
        QString value;
        if (i < n && (text[i] == QLatin1Char('\'') || text[i] == QLatin1Char('"'))) {
            const QChar quote = text[i++];
            bool closed = false;
            while (i < n) {
                if (text[i] == quote) {
                    if (i + 1 < n && text[i + 1] == quote) {
                        value += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                value += text[i++];
            }
            if (!closed && !lenient)
                return std::nullopt;
            while (i < n && text[i].isSpace())
                ++i;
            if (i < n && text[i] != QLatin1Char(';')) {
                if (!lenient)
                    return std::nullopt; // text after the closing quote
                while (i < n && text[i] != QLatin1Char(';'))
                    ++i;
            }
        } else {
            while (i < n && text[i] != QLatin1Char(';'))
                value += text[i++];
            value = value.trimmed();
        }
        ++i; // the ";"
        if (key.isEmpty()) {
            if (!lenient)
                return std::nullopt;
            continue;
        }
        pairs.append({key, value});
    }
    return pairs;
}

} // namespace

std::optional<QList<QPair<QString, QString>>> ParseOleDbString(const QString &text) {
    return ScanOleDbPairs(text, false);
}

QList<QPair<QString, QString>> ParseOleDbStringLenient(const QString &text) {
    return *ScanOleDbPairs(text, true);
}

QString QuoteOdbcValue(const QString &value) {
    const bool plain = !value.isEmpty() && !value.contains(QLatin1Char(';')) &&
                       !value.contains(QLatin1Char('{')) && !value.contains(QLatin1Char('}')) &&
                       !value.contains(QLatin1Char('=')) && !value.front().isSpace() &&
                       !value.back().isSpace();
    if (plain)
        return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

bool OdbcStringHasKey(const QString &odbc, const QString &keyword) {
    const qsizetype n = odbc.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = odbc.indexOf(QLatin1Char('='), i);
        const qsizetype semi = odbc.indexOf(QLatin1Char(';'), i);
        if (eq < 0)
            return false;
        if (semi >= 0 && semi < eq) {
            i = semi + 1;
            continue;
        }
        if (odbc.mid(i, eq - i).trimmed().compare(keyword, Qt::CaseInsensitive) == 0)
            return true;
        i = eq + 1;
        while (i < n && odbc[i].isSpace())
            ++i;
        if (i < n && odbc[i] == QLatin1Char('{')) {
            // Braced value: "}}" is a literal brace, a single "}" ends it.
            ++i;
            while (i < n) {
                if (odbc[i] == QLatin1Char('}')) {
                    if (i + 1 < n && odbc[i + 1] == QLatin1Char('}')) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
        }
        const qsizetype next = odbc.indexOf(QLatin1Char(';'), i);
        if (next < 0)
            return false;
        i = next + 1;
    }
    return false;
}

QString ChooseSqlServerDriver(const QStringList &installedDrivers) {
    static const QStringList preferred = {QStringLiteral("ODBC Driver 18 for SQL Server"),
                                          QStringLiteral("ODBC Driver 17 for SQL Server"),
                                          QStringLiteral("SQL Server"), QStringLiteral("FreeTDS")};
    for (const QString &name : preferred)
        for (const QString &installed : installedDrivers)
            if (installed.compare(name, Qt::CaseInsensitive) == 0)
                return installed;
    // None installed: name the classic one, so that the driver manager says it is missing.
    return QStringLiteral("SQL Server");
}

OdbcConnectTarget TranslateConnectionString(const QString &text,
                                            const std::function<QStringList()> &installedDrivers) {
    OdbcConnectTarget passThrough{text, kDefaultLoginTimeout};
    const auto pairs = ParseOleDbString(text);
    if (!pairs)
        return passThrough;
    const QString provider = Value(*pairs, QStringLiteral("Provider")).trimmed();
    if (provider.isEmpty()) {
        bool odbcTarget = false;
        for (const auto &pair : *pairs)
            odbcTarget = odbcTarget || NamesOdbcTarget(pair.first);
        if (odbcTarget || pairs->isEmpty() || RawNamesOdbcTarget(text))
            return passThrough;
        return OdbcProvider(*pairs); // OLE DB's default provider is MSDASQL
    }
    const QString name = provider.section(QLatin1Char('.'), 0, 0).trimmed();
    if (name.compare(QLatin1String("MSDASQL"), Qt::CaseInsensitive) == 0)
        return OdbcProvider(*pairs);
    if (name.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) ||
        name.startsWith(QLatin1String("SQLNCLI"), Qt::CaseInsensitive) ||
        name.startsWith(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive))
        return SqlServer(*pairs, name, ChooseSqlServerDriver(installedDrivers()));
    return passThrough; // a provider we cannot reach: let the driver manager say so
}
