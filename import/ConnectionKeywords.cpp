#include "import/ConnectionKeywords.h"

namespace {

constexpr FamilyFate M(const char *odbc = nullptr) {
    return {Fate::Mapped, odbc};
}
constexpr FamilyFate kNA{Fate::NotApplicable, nullptr};
constexpr FamilyFate kNo{Fate::Refused, nullptr};

// Columns: ODBC Driver 18+, ODBC Driver 17 and older, Native Client, "SQL Server", FreeTDS.
// A mapped row without a keyword is carried by the translation itself (server names,
// encryption, time-outs). Keywords that no row names are refused.
constexpr KeywordRow kRows[] = {
    // Where.
    {"Data Source",
     "Server",
     ValueKind::Server,
     {M("Server"), M("Server"), M("Server"), M("Server"), M("Server")},
     "",
     ""},
    {"Network Address",
     "Address|Addr",
     ValueKind::Address,
     {M("Address"), M("Address"), M("Address"), M("Address"), M("Server")},
     "",
     ""},
    {"Network Library",
     "Net|Network",
     ValueKind::Protocol,
     {M(), M(), M(), M("Network"), M()},
     "",
     ""},
    {"Failover Partner",
     "FailoverPartner",
     ValueKind::Text,
     {M("Failover_Partner"), M("Failover_Partner"), M("Failover_Partner"), kNo, kNo},
     "",
     ""},
    {"Multi Subnet Failover",
     "MultiSubnetFailover",
     ValueKind::Flag,
     {M("MultiSubnetFailover"), M("MultiSubnetFailover"), M("MultiSubnetFailover"), kNo, kNo},
     "no",
     ""},
    {"Application Intent",
     "ApplicationIntent",
     ValueKind::Text,
     {M("ApplicationIntent"), M("ApplicationIntent"), M("ApplicationIntent"), kNo,
      M("ApplicationIntent")},
     "ReadWrite",
     ""},
    // In which database.
    {"Initial Catalog",
     "Database",
     ValueKind::Text,
     {M("Database"), M("Database"), M("Database"), M("Database"), M("Database")},
     "",
     ""},
    {"Initial File Name",
     "AttachDBFileName",
     ValueKind::Text,
     {M("AttachDBFileName"), M("AttachDBFileName"), M("AttachDBFileName"), M("AttachDBFileName"),
      M("AttachDbFilename")},
     "",
     ""},
    // As whom.
    {"User ID", "UID", ValueKind::Text, {M("UID"), M("UID"), M("UID"), M("UID"), M("UID")}, "", ""},
    {"Password",
     "PWD",
     ValueKind::Text,
     {M("PWD"), M("PWD"), M("PWD"), M("PWD"), M("PWD")},
     "",
     ""},
    {"Integrated Security",
     "Trusted_Connection",
     ValueKind::Integrated,
     {M("Trusted_Connection"), M("Trusted_Connection"), M("Trusted_Connection"),
      M("Trusted_Connection"), M("Trusted_Connection")},
     "",
     ""},
    {"Authentication",
     "",
     ValueKind::Text,
     {M("Authentication"), M("Authentication"), kNo, kNo, kNo},
     "",
     ""},
    {"Access Token", "AccessToken", ValueKind::Text, {kNo, kNo, kNo, kNo, kNo}, "", ""},
    {"Server SPN",
     "ServerSPN",
     ValueKind::Text,
     {M("ServerSPN"), M("ServerSPN"), M("ServerSPN"), kNo, M("ServerSPN")},
     "",
     ""},
    {"Failover Partner SPN",
     "FailoverPartnerSPN",
     ValueKind::Text,
     {M("FailoverPartnerSPN"), M("FailoverPartnerSPN"), M("FailoverPartnerSPN"), kNo, kNo},
     "",
     ""},
    // How securely.
    {"Use Encryption for Data",
     "Encrypt",
     ValueKind::Encryption,
     {M(), M(), M(), M(), M()},
     "",
     ""},
    {"Trust Server Certificate",
     "TrustServerCertificate",
     ValueKind::TrustCert,
     {M(), M(), M(), M(), M()},
     "",
     ""},
    {"Host Name In Certificate",
     "HostNameInCertificate",
     ValueKind::Text,
     {M("HostnameInCertificate"), kNo, kNo, kNo, kNo},
     "",
     ""},
    {"Server Certificate",
     "ServerCertificate",
     ValueKind::Text,
     {M("ServerCertificate"), kNo, kNo, kNo, kNo},
     "",
     ""},
    // How the session behaves.
    {"Connect Timeout",
     "Timeout|Connection Timeout",
     ValueKind::LoginTimeout,
     {M(), M(), M(), M(), M()},
     "",
     ""},
    {"Application Name",
     "APP",
     ValueKind::Text,
     {M("APP"), M("APP"), M("APP"), M("APP"), M("APP")},
     "",
     ""},
    {"Workstation ID",
     "WSID",
     ValueKind::Text,
     {M("WSID"), M("WSID"), M("WSID"), M("WSID"), M("WSID")},
     "",
     ""},
    {"Current Language",
     "Language",
     ValueKind::Text,
     {M("Language"), M("Language"), M("Language"), M("Language"), M("Language")},
     "",
     ""},
    {"Packet Size",
     "PacketSize",
     ValueKind::PacketSize,
     {M(), M(), M(), M(), M("PacketSize")},
     "",
     ""},
    {"Auto Translate",
     "AutoTranslate",
     ValueKind::Flag,
     {M("AutoTranslate"), M("AutoTranslate"), M("AutoTranslate"), M("AutoTranslate"), kNo},
     "yes",
     ""},
    {"MARS Connection",
     "MarsConn|MultipleActiveResultSets",
     ValueKind::Flag,
     {M("MARS_Connection"), M("MARS_Connection"), M("MARS_Connection"), kNo, M("MARS_Connection")},
     "no",
     ""},
    {"Connect Retry Count",
     "ConnectRetryCount",
     ValueKind::Number,
     {M("ConnectRetryCount"), M("ConnectRetryCount"), kNo, kNo, kNo},
     "",
     ""},
    {"Connect Retry Interval",
     "ConnectRetryInterval",
     ValueKind::Number,
     {M("ConnectRetryInterval"), M("ConnectRetryInterval"), kNo, kNo, kNo},
     "",
     ""},
    // More keywords, in the provider-string syntax.
    {"Extended Properties", "", ValueKind::ProviderString, {M(), M(), M(), M(), M()}, "", ""},
    // Meaningful to OLE DB and ADO only.
    {"Provider",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "names the OLE DB provider; an ODBC driver is chosen in its place"},
    {"Persist Security Info",
     "",
     ValueKind::Flag,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "whether ADO hides the password in an open connection's string, which nothing here reads"},
    {"OLE DB Services",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "switches the OLE DB service components (session pooling, enlistment)"},
    {"Prompt",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "lets an OLE DB provider ask for missing values in a dialog; opens here never show one"},
    {"Window Handle",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "the parent window of an OLE DB provider's prompt"},
    {"Mode",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "ADO's sharing mode of the connection object, which the SQL Server providers do not enforce"},
    {"Locale Identifier",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "the OLE DB consumer's locale; ODBC drivers take the program's"},
    {"Location",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "an OLE DB property that the SQL Server providers ignore"},
    {"Asynchronous Processing",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "ADO's asynchronous calls; every call here waits for its result"},
    {"General Timeout",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "OLE DB's limit for provider calls; statements and queries here set their own"},
    {"Use Procedure for Prepare",
     "UseProcForPrepare",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "how SQLOLEDB kept prepared statements; ODBC drivers prepare in their own way, with the "
     "same results"},
    {"Tag with column collation when possible",
     "",
     ValueKind::Flag,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "marks OLE DB rowset columns with their collation"},
    {"DataTypeCompatibility",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "which OLE DB types a provider reports to ADO"},
    {"Cache Authentication",
     "",
     ValueKind::Flag,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "an option of the OLE DB authentication service that the SQL Server providers do not use"},
    {"Encrypt Password",
     "",
     ValueKind::Flag,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "an option of the OLE DB authentication service that the SQL Server providers do not use"},
    {"Mask Password",
     "",
     ValueKind::Flag,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "an option of the OLE DB authentication service that the SQL Server providers do not use"},
    {"Protection Level",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "an option of the OLE DB authentication service that the SQL Server providers do not use"},
    {"Impersonation Level",
     "",
     ValueKind::Text,
     {kNA, kNA, kNA, kNA, kNA},
     "",
     "an option of the OLE DB authentication service that the SQL Server providers do not use"},
};

// Case and blanks do not count: "UserID", "user id" and "User ID" are one keyword.
QString Folded(const QString &keyword) {
    QString folded;
    folded.reserve(keyword.size());
    for (const QChar c : keyword)
        if (!c.isSpace())
            folded += c.toCaseFolded();
    return folded;
}

} // namespace

DriverFamily FamilyOfDriver(const QString &driver) {
    if (driver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0)
        return DriverFamily::FreeTds;
    if (driver.startsWith(QLatin1String("SQL Server Native Client"), Qt::CaseInsensitive))
        return DriverFamily::NativeClient;
    static const QLatin1String prefix("ODBC Driver ");
    if (driver.startsWith(prefix, Qt::CaseInsensitive)) {
        const int version = driver.mid(prefix.size()).section(QLatin1Char(' '), 0, 0).toInt();
        return version >= 18 ? DriverFamily::MsOdbc18 : DriverFamily::MsOdbc;
    }
    return DriverFamily::Legacy;
}

QStringList KeywordRow::Names() const {
    QStringList names{QString::fromLatin1(name)};
    if (*synonyms != '\0')
        names += QString::fromLatin1(synonyms).split(QLatin1Char('|'));
    return names;
}

std::span<const KeywordRow> ConnectionKeywords() {
    return kRows;
}

const KeywordRow *FindConnectionKeyword(const QString &keyword) {
    const QString wanted = Folded(keyword);
    for (const KeywordRow &row : kRows)
        for (const QString &name : row.Names())
            if (Folded(name) == wanted)
                return &row;
    return nullptr;
}

int OleDbFlag(const QString &value) {
    const QString v = value.trimmed().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("1"))
        return 1;
    if (v == QLatin1String("false") || v == QLatin1String("no") || v == QLatin1String("0"))
        return 0;
    return -1;
}

bool ProviderEncryptsByDefault(const QString &provider) {
    return provider.section(QLatin1Char('.'), 0, 0)
        .trimmed()
        .startsWith(QLatin1String("MSOLEDBSQL19"), Qt::CaseInsensitive);
}
