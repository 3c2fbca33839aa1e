#include "OleDbConnectionString.h"

#include "import/ConnectionKeywords.h"
#include "import/ConnectionString.h"

#include <cstring>

namespace {

// The keywords that the prompt shows in fields of its own; every spelling of them is found
// through the run's keyword table, so that the prompt reads a string as the run does.
constexpr const char *kShown[] = {
    "Provider",
    "Data Source",
    "Initial Catalog",
    "User ID",
    "Password",
    "Integrated Security",
    "Persist Security Info",
    "Use Encryption for Data",
    "Trust Server Certificate",
    "Extended Properties",
};

QString Canonical(const QString &keyword) {
    const KeywordRow *row = FindConnectionKeyword(keyword);
    if (row == nullptr)
        return {};
    for (const char *k : kShown)
        if (std::strcmp(row->name, k) == 0)
            return QString::fromLatin1(k);
    return {};
}

bool IsTrue(const QString &value) {
    const QString v = value.trimmed();
    return v.compare(u"true", Qt::CaseInsensitive) == 0 ||
           v.compare(u"yes", Qt::CaseInsensitive) == 0 ||
           v.compare(u"sspi", Qt::CaseInsensitive) == 0 ||
           v.compare(u"mandatory", Qt::CaseInsensitive) == 0 ||
           v.compare(u"strict", Qt::CaseInsensitive) == 0 || v == u"1";
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
    bool persist = false, persistGiven = false, integratedGiven = false;
    for (const OleDbPair &p : ParseOleDbConnectionString(connectionString)) {
        const QString k = Canonical(p.keyword);
        if (k.isEmpty())
            f.others.append(p);
        else if (k == u"Provider")
            f.provider = p.value;
        else if (k == u"Data Source")
            f.dataSource = p.value;
        else if (k == u"Initial Catalog")
            f.database = p.value;
        else if (k == u"User ID")
            f.userName = p.value;
        else if (k == u"Password")
            f.password = p.value;
        else if (k == u"Integrated Security") {
            f.integratedSecurity = IsTrue(p.value);
            integratedGiven = true;
        } else if (k == u"Persist Security Info") {
            persist = IsTrue(p.value);
            persistGiven = true;
        } else if (k == u"Use Encryption for Data") {
            f.encrypt = IsTrue(p.value);
            f.encryptGiven = true;
            f.encryptStrict = p.value.trimmed().compare(u"strict", Qt::CaseInsensitive) == 0;
        } else if (k == u"Trust Server Certificate") {
            f.trustServerCertificate = IsTrue(p.value);
            f.trustGiven = true;
        } else if (k == u"Extended Properties") {
            f.odbcConnectionString = p.value;
            f.odbcUseConnectionString = true;
        }
    }
    if (!integratedGiven)
        f.integratedSecurity = false;
    // A password that the string already holds must survive an edit.
    f.allowSavingPassword = (persistGiven && persist) || !f.password.isEmpty();
    if (IsOdbcProvider(f.provider))
        f.integratedSecurity = false;
    return f;
}

QString BuildOleDbConnectionString(const OleDbConnectionFields &f, PasswordUse use) {
    const bool odbc = IsOdbcProvider(f.provider);
    const bool integrated = f.integratedSecurity && !odbc;
    QList<OleDbPair> pairs;
    pairs.append({QStringLiteral("Provider"), f.provider.trimmed()});
    if (integrated) {
        pairs.append({QStringLiteral("Integrated Security"), QStringLiteral("SSPI")});
    } else if (!f.password.isEmpty() && (f.allowSavingPassword || use == PasswordUse::Always)) {
        pairs.append({QStringLiteral("Password"), f.password});
    }
    pairs.append({QStringLiteral("Persist Security Info"), BoolText(f.allowSavingPassword)});
    if (!integrated && !f.userName.isEmpty())
        pairs.append({QStringLiteral("User ID"), f.userName});
    if (!f.database.isEmpty())
        pairs.append({QStringLiteral("Initial Catalog"), f.database});
    if (odbc && f.odbcUseConnectionString)
        pairs.append({QStringLiteral("Extended Properties"), f.odbcConnectionString});
    else if (!f.dataSource.isEmpty())
        pairs.append({QStringLiteral("Data Source"), f.dataSource});
    if (f.encrypt || f.encryptGiven)
        pairs.append({QStringLiteral("Use Encryption for Data"), f.encrypt && f.encryptStrict
                                                                     ? QStringLiteral("Strict")
                                                                     : BoolText(f.encrypt)});
    if (f.trustServerCertificate || f.trustGiven)
        pairs.append(
            {QStringLiteral("Trust Server Certificate"), BoolText(f.trustServerCertificate)});
    pairs.append(f.others);
    return BuildOleDbConnectionString(pairs);
}
