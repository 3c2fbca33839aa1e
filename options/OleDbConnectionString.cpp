#include "OleDbConnectionString.h"

#include "import/ConnectionKeywords.h"
#include "import/ConnectionString.h"

#include <iterator>

namespace {

// The keywords that the prompt shows in fields of its own. For the SQL Server providers every
// spelling of them is found through the run's keyword table; the ODBC bridge reads only the OLE DB
// names and passes every other keyword to the driver, security settings included.
constexpr const char *kShown[] = {
    "Provider",
    "Data Source",
    "Initial Catalog",
    "User ID",
    "Password",
    "Persist Security Info",
    "Extended Properties",
    "Integrated Security",
    "Use Encryption for Data",
    "Trust Server Certificate",
};
constexpr int kShownThroughOdbc = 7;

QString Canonical(const QString &keyword, bool odbc) {
    const KeywordRow *row = FindConnectionKeyword(keyword);
    const QString name = odbc ? keyword : QString::fromLatin1(row ? row->name : "");
    for (int i = 0; i < (odbc ? kShownThroughOdbc : int(std::size(kShown))); ++i)
        if (name.compare(QLatin1String(kShown[i]), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(kShown[i]);
    return {};
}

// The run's reading of an encryption value: 0 optional, 1 mandatory, 2 strict, -1 none.
int EncryptionLevel(const QString &value) {
    const QString v = value.trimmed();
    const char *levels[] = {"optional", "mandatory", "strict"};
    for (int level = 0; level < 3; ++level)
        if (v.compare(QLatin1String(levels[level]), Qt::CaseInsensitive) == 0)
            return level;
    return OleDbFlag(v);
}

// A value that the run refuses is kept as typed, so that it goes on refusing it.
void KeepUnread(std::optional<QString> &slot, const QString &value, bool readable) {
    slot = readable ? std::nullopt : std::optional<QString>(value);
}

// Takes a keyword that the prompt shows into its field; false for one it does not show.
bool Show(OleDbConnectionFields &f, const OleDbPair &p, bool odbc, bool &persist) {
    const QString k = Canonical(p.keyword, odbc);
    const QString &v = p.value;
    if (k == u"Provider")
        f.provider = v;
    else if (k == u"Data Source") {
        if (!v.trimmed().isEmpty() || f.dataSource.isEmpty()) // a blank one names no server
            f.dataSource = v;
    }
    else if (k == u"Initial Catalog")
        f.database = v;
    else if (k == u"User ID") {
        f.userName = v;
        f.userGiven = true;
    } else if (k == u"Password") {
        f.password = v;
        f.passwordGiven = true;
    } else if (k == u"Persist Security Info")
        persist = OleDbFlag(v) == 1;
    else if (k == u"Integrated Security") {
        const QString t = v.trimmed();
        const int on = t.compare(u"SSPI", Qt::CaseInsensitive) == 0 ? 1 : OleDbFlag(t);
        f.integratedSecurity = on == 1;
        KeepUnread(f.integratedAsTyped, v, on >= 0 || t.isEmpty());
    } else if (k == u"Use Encryption for Data") {
        const int level = EncryptionLevel(v);
        f.encrypt = level > 0;
        f.encryptStrict = level == 2;
        f.encryptGiven = true;
        KeepUnread(f.encryptAsTyped, v, level >= 0);
    } else if (k == u"Trust Server Certificate") {
        const int on = OleDbFlag(v);
        f.trustServerCertificate = on == 1;
        f.trustGiven = true;
        KeepUnread(f.trustAsTyped, v, on >= 0);
    } else
        return false;
    return true;
}

QString BoolText(bool b) {
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

QList<OleDbPair> ParseOleDbConnectionString(const QString &text) {
    QList<OleDbPair> pairs;
    for (const auto &[keyword, value] : ParseOleDbStringLenient(text))
        pairs.append({keyword, value});
    return pairs;
}

QString QuoteOleDbValue(const QString &value) {
    // A reader trims every Unicode blank from the ends of a bare value, and takes "==" right
    // after the keyword for an "=" in the keyword.
    const bool needsQuotes = value.contains(u';') || value.startsWith(u'"') ||
                             value.startsWith(u'\'') || value.startsWith(u'=') ||
                             (!value.isEmpty() && value.front().isSpace()) ||
                             (!value.isEmpty() && value.back().isSpace());
    if (!needsQuotes)
        return value;
    if (!value.contains(u'"'))
        return u'"' + value + u'"';
    if (!value.contains(u'\''))
        return u'\'' + value + u'\'';
    QString doubled = value;
    doubled.replace(u'"', QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QString BuildOleDbConnectionString(const QList<OleDbPair> &pairs) {
    QStringList parts;
    for (const OleDbPair &p : pairs) {
        QString keyword = p.keyword;
        keyword.replace(u'=', QStringLiteral("=="));
        parts.append(keyword + u'=' + QuoteOleDbValue(p.value));
    }
    return parts.join(u';');
}

qsizetype FindOleDbKeyword(const QList<OleDbPair> &pairs, const QString &keyword) {
    for (qsizetype i = pairs.size() - 1; i >= 0; --i)
        if (pairs[i].keyword.compare(keyword, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool IsOdbcProvider(const QString &provider) {
    const QString p = provider.trimmed();
    return p.compare(u"MSDASQL", Qt::CaseInsensitive) == 0 ||
           p.startsWith(QStringLiteral("MSDASQL."), Qt::CaseInsensitive);
}

OleDbConnectionFields ParseOleDbConnectionFields(const QString &connectionString) {
    OleDbConnectionFields f;
    const QList<OleDbPair> pairs = ParseOleDbConnectionString(connectionString);
    for (const OleDbPair &p : pairs)
        if (p.keyword.compare(u"Provider", Qt::CaseInsensitive) == 0)
            f.provider = p.value;
    const bool odbc = IsOdbcProvider(f.provider);
    // The run reads what Extended Properties holds first, and a keyword written outside wins.
    QList<OleDbPair> extended, outside;
    int extendedCount = 0;
    for (const OleDbPair &p : pairs) {
        if (Canonical(p.keyword, odbc) != u"Extended Properties") {
            outside.append(p);
        } else if (odbc) { // the ODBC string; the last one counts
            f.odbcConnectionString = p.value;
            f.odbcUseConnectionString = true;
        } else { // more keywords, all of them counting
            for (const auto &[keyword, value] : ParseOdbcPairs(p.value))
                extended.append({keyword, value});
            f.odbcConnectionString = p.value;
            f.odbcUseConnectionString = true;
            ++extendedCount;
        }
    }
    bool persist = false;
    QStringList unshown; // what stays in Extended Properties
    for (const OleDbPair &p : std::as_const(extended)) {
        const QString k = Canonical(p.keyword, false);
        const bool nested = k == u"Provider" || k == u"Persist Security Info" ||
                            k == u"Extended Properties"; // the run ignores them in there
        if (nested || !Show(f, p, false, persist))
            unshown.append(p.keyword + u'=' + QuoteOdbcValue(p.value));
    }
    if (unshown.size() < extended.size() || extendedCount > 1) {
        f.odbcConnectionString = unshown.join(u';');
        f.odbcUseConnectionString = !unshown.isEmpty();
    }
    for (const OleDbPair &p : std::as_const(outside))
        if (!Show(f, p, odbc, persist))
            f.others.append(p);
    // A password that the string already holds must survive an edit.
    f.allowSavingPassword = persist || !f.password.isEmpty();
    if (!f.encryptGiven)
        f.encrypt = ProviderEncryptsByDefault(f.provider);
    return f;
}

QString BuildOleDbConnectionString(const OleDbConnectionFields &f, PasswordUse use) {
    const bool odbc = IsOdbcProvider(f.provider);
    const bool integrated = f.integratedSecurity && !odbc;
    QList<OleDbPair> pairs;
    const auto add = [&pairs](const char *keyword, const QString &value) {
        pairs.append({QString::fromLatin1(keyword), value});
    };
    add("Provider", f.provider.trimmed());
    if (integrated)
        add("Integrated Security", QStringLiteral("SSPI"));
    else if (f.integratedAsTyped && !odbc)
        add("Integrated Security", *f.integratedAsTyped);
    // Under integrated security a user and password are written only as the start string had them.
    if ((f.passwordGiven || (!integrated && !f.password.isEmpty())) &&
        (f.allowSavingPassword || use == PasswordUse::Always))
        add("Password", f.password);
    add("Persist Security Info", BoolText(f.allowSavingPassword));
    if (f.userGiven || (!integrated && !f.userName.isEmpty()))
        add("User ID", f.userName);
    if (!f.database.isEmpty())
        add("Initial Catalog", f.database);
    if (f.odbcUseConnectionString)
        add("Extended Properties", f.odbcConnectionString);
    if ((!odbc || !f.odbcUseConnectionString) && !f.dataSource.isEmpty())
        add("Data Source", f.dataSource);
    if (!odbc) {
        // Written wherever the box differs from what the provider does by itself.
        if (f.encryptAsTyped)
            add("Use Encryption for Data", *f.encryptAsTyped);
        else if (f.encryptGiven || f.encrypt != ProviderEncryptsByDefault(f.provider))
            add("Use Encryption for Data",
                f.encrypt && f.encryptStrict ? QStringLiteral("Strict") : BoolText(f.encrypt));
        if (f.trustAsTyped)
            add("Trust Server Certificate", *f.trustAsTyped);
        else if (f.trustServerCertificate || f.trustGiven)
            add("Trust Server Certificate", BoolText(f.trustServerCertificate));
    }
    pairs.append(f.others);
    return BuildOleDbConnectionString(pairs);
}
