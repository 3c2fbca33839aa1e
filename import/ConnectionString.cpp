#include "import/ConnectionString.h"

#include "import/ConnectionKeywords.h"

#include <QRegularExpression>

#include <map>

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

QString Quoted(const QString &text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString KeywordRefused(const QString &keyword, const QString &driver) {
    return QStringLiteral("The keyword %1 cannot be used with the ODBC driver %2")
        .arg(Quoted(keyword), Quoted(driver));
}

QString ValueRefused(const QString &keyword, const QString &value) {
    return QStringLiteral("The value %1 of the keyword %2 is not understood")
        .arg(Quoted(value), Quoted(keyword));
}

// FreeTDS reads a braced value up to the first "};" (or "}" at the end) and keeps every other
// "}" as it is, so doubling a "}" would alter the value.
std::optional<QString> FreeTdsValue(const QString &value) {
    const bool plain = !value.isEmpty() && !value.contains(QLatin1Char(';')) &&
                       value.front() != QLatin1Char('{') && !value.front().isSpace() &&
                       !value.back().isSpace();
    if (plain)
        return value;
    if (value.contains(QLatin1String("};")))
        return std::nullopt;
    return QLatin1Char('{') + value + QLatin1Char('}');
}

// The parts of a SQL Server name: [protocol:]host[\instance][,port].
struct ServerName {
    QString protocol; // "tcp", "np", "lpc" or empty
    QString host;
    QString instance;
    QString port;
};

ServerName SplitServerName(const QString &text) {
    ServerName name;
    QString rest = text.trimmed();
    static const QRegularExpression protocol(QStringLiteral("^(tcp|np|lpc|admin):"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = protocol.match(rest);
    if (match.hasMatch()) {
        name.protocol = match.captured(1).toLower();
        rest = rest.mid(match.capturedLength());
    }
    const qsizetype comma = rest.lastIndexOf(QLatin1Char(','));
    if (comma >= 0) {
        name.port = rest.mid(comma + 1).trimmed();
        rest = rest.left(comma);
    }
    const qsizetype backslash = rest.indexOf(QLatin1Char('\\'));
    if (backslash >= 0) {
        name.instance = rest.mid(backslash + 1).trimmed();
        rest = rest.left(backslash);
    }
    name.host = rest.trimmed();
    if (name.host.startsWith(QLatin1Char('[')) && name.host.endsWith(QLatin1Char(']')))
        name.host = name.host.mid(1, name.host.size() - 2); // [::1]
    return name;
}

bool IsThisMachine(const QString &host) {
    return host.isEmpty() || host == QLatin1String(".") ||
           host.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0;
}

// The protocol prefix that an OLE DB network library stands for; empty for one we do not know.
QString ProtocolOfLibrary(const QString &library) {
    const QString l = library.trimmed().toUpper();
    if (l == QLatin1String("DBMSSOCN"))
        return QStringLiteral("tcp");
    if (l == QLatin1String("DBNMPNTW"))
        return QStringLiteral("np");
    if (l == QLatin1String("DBMSLPCN"))
        return QStringLiteral("lpc");
    return {};
}

enum class Encryption { Optional, Mandatory, Strict };

std::optional<Encryption> EncryptionOf(const QString &value) {
    const QString v = value.trimmed();
    if (v.compare(QLatin1String("strict"), Qt::CaseInsensitive) == 0)
        return Encryption::Strict;
    if (v.compare(QLatin1String("mandatory"), Qt::CaseInsensitive) == 0)
        return Encryption::Mandatory;
    if (v.compare(QLatin1String("optional"), Qt::CaseInsensitive) == 0)
        return Encryption::Optional;
    switch (OleDbFlag(v)) {
    case 1:
        return Encryption::Mandatory;
    case 0:
        return Encryption::Optional;
    default:
        return std::nullopt;
    }
}

// Keyword=value pairs in the provider-string syntax of "Extended Properties" (ODBC's: braces
// around a value that holds ";", "}}" inside them for "}").
Pairs ParseProviderString(const QString &text) {
    Pairs pairs;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            const QString stray = text.mid(i, semi < 0 ? n - i : semi - i).trimmed();
            if (!stray.isEmpty())
                pairs.append({stray, QString()});
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        const QString key = text.mid(i, eq - i).trimmed();
        i = eq + 1;
        while (i < n && text[i].isSpace())
            ++i;
        QString value;
        if (i < n && text[i] == QLatin1Char('{')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('}')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('}')) {
                        value += QLatin1Char('}');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            i = next < 0 ? n : next + 1;
        } else {
            const qsizetype next = text.indexOf(QLatin1Char(';'), i);
            value = text.mid(i, (next < 0 ? n : next) - i).trimmed();
            i = next < 0 ? n : next + 1;
        }
        pairs.append({key, value});
    }
    return pairs;
}

// Builds the driver's string from the rows of the keyword table.
class SqlServerTranslation {
public:
    SqlServerTranslation(const QString &provider, const QString &driver, bool localProtocols)
        : m_provider(provider), m_driver(driver), m_family(FamilyOfDriver(driver)),
          m_localProtocols(localProtocols) {}

    OdbcConnectTarget Run(const Pairs &pairs) {
        // What Extended Properties holds counts first; a keyword written outside it wins.
        Pairs all;
        for (const auto &pair : pairs) {
            const KeywordRow *row = FindConnectionKeyword(pair.first);
            if (row != nullptr && row->kind == ValueKind::ProviderString)
                all += ParseProviderString(pair.second);
        }
        for (const auto &pair : pairs) {
            const KeywordRow *row = FindConnectionKeyword(pair.first);
            if (row == nullptr || row->kind != ValueKind::ProviderString)
                all.append(pair);
        }
        for (const auto &pair : all) {
            const KeywordRow *row = FindConnectionKeyword(pair.first);
            if (row == nullptr)
                return Refuse(QStringLiteral("Unknown keyword %1 in the connection string")
                                  .arg(Quoted(pair.first)));
            m_values[row] = pair; // the last one wins, as with OLE DB
        }

        m_out = QStringLiteral("Driver={") + QString(m_driver).replace(u'}', QStringLiteral("}}")) +
                QLatin1Char('}');
        if (!Server())
            return m_target;
        for (const KeywordRow &row : ConnectionKeywords()) {
            const auto found = m_values.find(&row);
            if (found == m_values.end() || !m_target.refusal.isEmpty())
                continue;
            Row(row, found->second.first, found->second.second);
        }
        if (m_target.refusal.isEmpty())
            Security();
        m_target.connectionString = m_out;
        return m_target;
    }

private:
    OdbcConnectTarget Refuse(const QString &message) {
        if (m_target.refusal.isEmpty())
            m_target.refusal = message;
        return m_target;
    }

    // typed: the keyword as the OLE DB string wrote it, for a refusal to name.
    void Append(const QString &key, const QString &value, const QString &typed = QString()) {
        if (!m_out.isEmpty())
            m_out += QLatin1Char(';');
        if (m_family != DriverFamily::FreeTds) {
            m_out += key + QLatin1Char('=') + QuoteOdbcValue(value);
            return;
        }
        const auto quoted = FreeTdsValue(value);
        if (!quoted) {
            Refuse(QStringLiteral("The value of the keyword %1 cannot be passed to the ODBC "
                                  "driver %2 because it contains %3")
                       .arg(Quoted(typed.isEmpty() ? key : typed), Quoted(m_driver),
                            Quoted(QStringLiteral("};"))));
            return;
        }
        m_out += key + QLatin1Char('=') + *quoted;
    }

    const QPair<QString, QString> *Given(ValueKind kind) const {
        for (const auto &[row, pair] : m_values)
            if (row->kind == kind)
                return &pair;
        return nullptr;
    }

    void Row(const KeywordRow &row, const QString &keyword, const QString &value) {
        const FamilyFate &fate = row.For(m_family);
        if (fate.fate == Fate::NotApplicable)
            return;
        if (fate.fate == Fate::Refused) {
            const QString behaviour = QString::fromLatin1(row.driverDefault);
            const bool asDriverDoes =
                !behaviour.isEmpty() &&
                (row.kind == ValueKind::Flag
                     ? OleDbFlag(value) == OleDbFlag(behaviour)
                     : value.trimmed().compare(behaviour, Qt::CaseInsensitive) == 0);
            if (!asDriverDoes)
                Refuse(KeywordRefused(keyword, m_driver));
            return;
        }
        const QString odbc = QString::fromLatin1(fate.odbc ? fate.odbc : "");
        switch (row.kind) {
        case ValueKind::Text:
            // An empty user or password is still what was asked for; other empty values are
            // the driver's default.
            if (!value.isEmpty() || odbc == QLatin1String("UID") || odbc == QLatin1String("PWD"))
                Append(odbc, value, keyword);
            break;
        case ValueKind::Flag: {
            const int flag = OleDbFlag(value);
            if (flag < 0)
                Refuse(ValueRefused(keyword, value));
            else
                Append(odbc, flag ? QStringLiteral("yes") : QStringLiteral("no"));
            break;
        }
        case ValueKind::Number: {
            bool ok = false;
            value.trimmed().toInt(&ok);
            if (!ok)
                Refuse(ValueRefused(keyword, value));
            else
                Append(odbc, value.trimmed());
            break;
        }
        case ValueKind::Integrated: {
            const QString v = value.trimmed();
            const int flag =
                v.compare(QLatin1String("SSPI"), Qt::CaseInsensitive) == 0 ? 1 : OleDbFlag(v);
            if (flag < 0 && !v.isEmpty())
                Refuse(ValueRefused(keyword, value));
            else if (flag == 1)
                Append(odbc, QStringLiteral("Yes"));
            break;
        }
        case ValueKind::LoginTimeout: {
            bool ok = false;
            const int seconds = value.trimmed().toInt(&ok);
            if (!ok)
                Refuse(ValueRefused(keyword, value));
            else if (seconds > 0)
                m_target.loginTimeoutSeconds = seconds;
            break;
        }
        case ValueKind::PacketSize: {
            bool ok = false;
            const int bytes = value.trimmed().toInt(&ok);
            if (!ok || bytes < 0)
                Refuse(ValueRefused(keyword, value));
            else if (!odbc.isEmpty())
                Append(odbc, QString::number(bytes));
            else
                m_target.packetSize = bytes;
            break;
        }
        default: // server names and security go their own ways
            break;
        }
    }

    // Where: Data Source, Network Address and Network Library together. False when refused.
    bool Server() {
        const auto *source = Given(ValueKind::Server);
        const auto *address = Given(ValueKind::Address);
        const auto *library = Given(ValueKind::Protocol);
        const QString libraryName = library ? library->second.trimmed() : QString();
        const QString libraryProtocol = ProtocolOfLibrary(libraryName);
        if (!libraryName.isEmpty() && libraryProtocol.isEmpty() &&
            m_family != DriverFamily::Legacy) {
            Refuse(ValueRefused(library->first, library->second));
            return false;
        }

        if (m_family == DriverFamily::FreeTds) {
            const auto *where = address ? address : source;
            const ServerName name = SplitServerName(where ? where->second : QString());
            const QString protocol = name.protocol.isEmpty() ? libraryProtocol : name.protocol;
            if (!protocol.isEmpty() && protocol != QLatin1String("tcp")) {
                Refuse(QStringLiteral("The server name %1 asks for a protocol that the ODBC "
                                      "driver %2 cannot use")
                           .arg(Quoted(where ? where->second.trimmed() : libraryName),
                                Quoted(m_driver)));
                return false;
            }
            const QString host = IsThisMachine(name.host) ? QStringLiteral("localhost") : name.host;
            if (!name.port.isEmpty()) {
                bool ok = false;
                const int port = name.port.toInt(&ok);
                if (!ok || port < 1 || port > 65535) {
                    Refuse(QStringLiteral("The port in the server name %1 is not a number from "
                                          "1 to 65535")
                               .arg(Quoted(where->second.trimmed())));
                    return false;
                }
                Append(QStringLiteral("Server"), host);
                Append(QStringLiteral("Port"), QString::number(port));
            } else if (!name.instance.isEmpty()) {
                m_target.instance = NamedInstance{host, name.instance};
            } else {
                Append(QStringLiteral("Server"), host);
                Append(QStringLiteral("Port"), QStringLiteral("1433"));
            }
            return m_target.refusal.isEmpty();
        }

        // Microsoft's drivers read the server names themselves.
        auto place = [&](const QPair<QString, QString> &given) -> std::optional<QString> {
            QString text = given.second.trimmed();
            ServerName name = SplitServerName(text);
            if (name.protocol.isEmpty() && m_family != DriverFamily::Legacy &&
                !libraryProtocol.isEmpty() && !(text.isEmpty() && libraryProtocol == u"tcp")) {
                name.protocol = libraryProtocol;
                text = libraryProtocol + QLatin1Char(':') +
                       (text.isEmpty() ? QStringLiteral("(local)") : text);
            }
            const bool local = name.protocol == u"np" || name.protocol == u"lpc";
            if (local && !m_localProtocols) {
                Refuse(QStringLiteral("The server name %1 asks for a protocol that the ODBC "
                                      "driver %2 cannot use here")
                           .arg(Quoted(text), Quoted(m_driver)));
                return std::nullopt;
            }
            if (!m_localProtocols && IsThisMachine(name.host) && !text.isEmpty()) {
                // Outside Windows "(local)" and "." mean nothing to the drivers.
                text = (name.protocol.isEmpty() ? QString() : name.protocol + u':') +
                       QStringLiteral("localhost") +
                       (name.instance.isEmpty() ? QString() : u'\\' + name.instance) +
                       (name.port.isEmpty() ? QString() : u',' + name.port);
            }
            return text;
        };
        const QPair<QString, QString> none{QStringLiteral("Data Source"), QString()};
        const auto server = place(source ? *source : none);
        if (!server)
            return false;
        if (!server->isEmpty())
            Append(QStringLiteral("Server"), *server);
        if (address) {
            const auto at = place(*address);
            if (!at)
                return false;
            if (!at->isEmpty())
                Append(QStringLiteral("Address"), *at);
        }
        if (m_family == DriverFamily::Legacy && !libraryName.isEmpty())
            Append(QStringLiteral("Network"), libraryName.toUpper());
        return m_target.refusal.isEmpty();
    }

    // How securely: the provider's encryption and certificate settings with their defaults
    // (MSOLEDBSQL19 encrypts unless told otherwise, the older providers do not), each written
    // so that the driver's own default cannot change their meaning.
    void Security() {
        Encryption encryption =
            m_provider.startsWith(QLatin1String("MSOLEDBSQL19"), Qt::CaseInsensitive)
                ? Encryption::Mandatory
                : Encryption::Optional;
        if (const auto *given = Given(ValueKind::Encryption)) {
            const auto parsed = EncryptionOf(given->second);
            if (!parsed) {
                Refuse(ValueRefused(given->first, given->second));
                return;
            }
            encryption = *parsed;
        }
        bool trust = false;
        const auto *trustGiven = Given(ValueKind::TrustCert);
        if (trustGiven) {
            const int flag = OleDbFlag(trustGiven->second);
            if (flag < 0) {
                Refuse(ValueRefused(trustGiven->first, trustGiven->second));
                return;
            }
            trust = flag == 1;
        }
        if (encryption == Encryption::Strict && m_family != DriverFamily::MsOdbc18) {
            Refuse(QStringLiteral("Strict encryption cannot be used with the ODBC driver %1")
                       .arg(Quoted(m_driver)));
            return;
        }
        const QString yesNo =
            encryption == Encryption::Optional ? QStringLiteral("no") : QStringLiteral("yes");
        switch (m_family) {
        case DriverFamily::MsOdbc18:
            Append(QStringLiteral("Encrypt"),
                   encryption == Encryption::Strict ? QStringLiteral("strict") : yesNo);
            if (trustGiven || encryption != Encryption::Optional)
                Append(QStringLiteral("TrustServerCertificate"),
                       trust ? QStringLiteral("yes") : QStringLiteral("no"));
            break;
        case DriverFamily::MsOdbc:
        case DriverFamily::NativeClient:
            Append(QStringLiteral("Encrypt"), yesNo);
            if (trustGiven || encryption != Encryption::Optional)
                Append(QStringLiteral("TrustServerCertificate"),
                       trust ? QStringLiteral("yes") : QStringLiteral("no"));
            break;
        case DriverFamily::Legacy:
            if (trust && encryption != Encryption::Optional) {
                Refuse(KeywordRefused(trustGiven->first, m_driver));
                return;
            }
            if (encryption != Encryption::Optional)
                Append(QStringLiteral("Encrypt"), yesNo);
            break;
        case DriverFamily::FreeTds:
            // FreeTDS checks a certificate only against a CA file of its own configuration,
            // which the connection string cannot name: encryption through it is unchecked.
            if (encryption == Encryption::Mandatory && !trust) {
                Refuse(QStringLiteral("The ODBC driver %1 cannot check the server's certificate; "
                                      "encrypting through it needs %2")
                           .arg(Quoted(m_driver), Quoted(QStringLiteral("Trust Server "
                                                                        "Certificate=True"))));
                return;
            }
            Append(QStringLiteral("Encryption"), encryption == Encryption::Mandatory
                                                     ? QStringLiteral("require")
                                                     : QStringLiteral("request"));
            // FreeTDS's default protocol detection falls back to an older login on a second
            // connection that waits with no time limit on a silent server; 7.4 is negotiated
            // down by older servers.
            Append(QStringLiteral("TDS_Version"), QStringLiteral("7.4"));
            break;
        }
    }

    QString m_provider;
    QString m_driver;
    DriverFamily m_family;
    bool m_localProtocols;
    std::map<const KeywordRow *, QPair<QString, QString>> m_values;
    OdbcConnectTarget m_target;
    QString m_out;
};

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
    // Best first: Microsoft's current drivers (the highest version), the Native Client, FreeTDS,
    // and last the old driver that comes with Windows.
    static const QRegularExpression microsoft(QStringLiteral("^ODBC Driver (\\d+) for SQL Server$"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nativeClient(
        QStringLiteral("^SQL Server Native Client (\\d+)(\\.\\d+)?$"),
        QRegularExpression::CaseInsensitiveOption);
    auto highest = [&installedDrivers](const QRegularExpression &pattern) {
        QString best;
        double bestVersion = -1;
        for (const QString &installed : installedDrivers) {
            const QRegularExpressionMatch match = pattern.match(installed.trimmed());
            if (!match.hasMatch())
                continue;
            const double version = (match.captured(1) + match.captured(2)).toDouble();
            if (version > bestVersion) {
                bestVersion = version;
                best = installed;
            }
        }
        return best;
    };
    for (const QRegularExpression *pattern : {&microsoft, &nativeClient}) {
        const QString best = highest(*pattern);
        if (!best.isEmpty())
            return best;
    }
    for (const char *name : {"FreeTDS", "SQL Server"})
        for (const QString &installed : installedDrivers)
            if (installed.trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return installed;
    // None installed: name the classic one, so that the driver manager says it is missing.
    return QStringLiteral("SQL Server");
}

OdbcConnectTarget TranslateConnectionString(const QString &text,
                                            const std::function<QStringList()> &installedDrivers,
                                            bool localProtocols) {
    OdbcConnectTarget passThrough;
    passThrough.connectionString = text;
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
        return SqlServerTranslation(name, ChooseSqlServerDriver(installedDrivers()), localProtocols)
            .Run(*pairs);
    return passThrough; // a provider we cannot reach: let the driver manager say so
}
