#include "import/SqlServerProviderTranslation.h"

#include "import/ConnectionKeywords.h"
#include "import/OdbcSyntax.h"

#include <QRegularExpression>

#include <map>

namespace {

using Pairs = OleDbPairs;

QString Quoted(const QString &text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString KeywordRefused(const QString &keyword, const QString &driver) {
    return QStringLiteral("The keyword %1 cannot be used with the ODBC driver %2")
        .arg(Quoted(keyword), Quoted(driver));
}

// For a keyword that the driver takes with one value only.
QString KeywordValueRefused(const QString &keyword, const QString &value, const QString &driver) {
    return QStringLiteral("The keyword %1 with the value %2 cannot be used with the ODBC driver %3")
        .arg(Quoted(keyword), Quoted(value), Quoted(driver));
}

QString ValueRefused(const QString &keyword, const QString &value) {
    return QStringLiteral("The value %1 of the keyword %2 is not understood")
        .arg(Quoted(value), Quoted(keyword));
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
                all += ParseOdbcPairs(pair.second);
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
            // An empty server name or address is not given: it neither replaces one that is
            // nor means this machine when another keyword names the server.
            if ((row->kind == ValueKind::Server || row->kind == ValueKind::Address) &&
                pair.second.trimmed().isEmpty())
                continue;
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
            Refuse(FreeTdsValueRefusal(typed.isEmpty() ? key : typed, m_driver));
            return;
        }
        m_out += key + QLatin1Char('=') + *quoted;
    }

    // Names the keyword that asked for the protocol, as typed: the server name's prefix or the
    // network library.
    QString ProtocolRefused(const QPair<QString, QString> &typed, const QString &where) const {
        return QStringLiteral("The value %1 of the keyword %2 asks for a protocol that the ODBC "
                              "driver %3 cannot use%4")
            .arg(Quoted(typed.second.trimmed()), Quoted(typed.first), Quoted(m_driver), where);
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
                Refuse(behaviour.isEmpty() ? KeywordRefused(keyword, m_driver)
                                           : KeywordValueRefused(keyword, value, m_driver));
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
                Refuse(ProtocolRefused(name.protocol.isEmpty() ? *library : *where, QString()));
                return false;
            }
            const QString host = IsThisMachine(name.host) ? QStringLiteral("localhost") : name.host;
            const QString typed = where ? where->first : QString();
            if (!name.port.isEmpty()) {
                bool ok = false;
                const int port = name.port.toInt(&ok);
                if (!ok || port < 1 || port > 65535) {
                    Refuse(QStringLiteral("The port in the value %1 of the keyword %2 is not a "
                                          "number from 1 to 65535")
                               .arg(Quoted(where->second.trimmed()), Quoted(where->first)));
                    return false;
                }
                Append(QStringLiteral("Server"), host, typed);
                Append(QStringLiteral("Port"), QString::number(port));
            } else if (!name.instance.isEmpty()) {
                // Server= is added once the browser has told the port: checked here already.
                if (!FreeTdsValue(host))
                    Refuse(FreeTdsValueRefusal(typed, m_driver));
                else
                    m_target.instance = NamedInstance{host, name.instance};
            } else {
                Append(QStringLiteral("Server"), host, typed);
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
                const bool typedPrefix = !SplitServerName(given.second).protocol.isEmpty();
                Refuse(ProtocolRefused(typedPrefix || !library ? given : *library,
                                       QStringLiteral(" here")));
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
            ProviderEncryptsByDefault(m_provider) ? Encryption::Mandatory : Encryption::Optional;
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
            const auto *given = Given(ValueKind::Encryption);
            Refuse(KeywordValueRefused(given->first, given->second, m_driver));
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
                Refuse(KeywordValueRefused(trustGiven->first, trustGiven->second, m_driver));
                return;
            }
            if (encryption != Encryption::Optional)
                Append(QStringLiteral("Encrypt"), yesNo);
            break;
        case DriverFamily::FreeTds:
            // FreeTDS checks a certificate only against a CA file of its own configuration,
            // which the connection string cannot name: encryption through it is unchecked.
            if (encryption == Encryption::Mandatory && !trust) {
                // Named: what asked for encryption, the keyword or the provider that encrypts
                // by default.
                const auto *asked = Given(ValueKind::Encryption);
                const auto provider =
                    m_values.find(FindConnectionKeyword(QStringLiteral("Provider")));
                const QPair<QString, QString> by =
                    asked ? *asked
                          : (provider != m_values.end() ? provider->second
                                                        : QPair<QString, QString>{});
                Refuse(QStringLiteral("The value %1 of the keyword %2 asks for encryption with a "
                                      "checked certificate, but the ODBC driver %3 cannot check "
                                      "the server's certificate; encrypting through it needs %4")
                           .arg(Quoted(by.second.trimmed()), Quoted(by.first), Quoted(m_driver),
                                Quoted(QStringLiteral("Trust Server Certificate=True"))));
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

} // namespace

OdbcConnectTarget TranslateSqlServerProvider(const QString &provider, const QString &driver,
                                             bool localProtocols, const OleDbPairs &pairs) {
    return SqlServerTranslation(provider, driver, localProtocols).Run(pairs);
}
