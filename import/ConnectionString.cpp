#include "import/ConnectionString.h"

#include "import/OdbcProviderTranslation.h"
#include "import/SqlServerProviderTranslation.h"

#include <QRegularExpression>

namespace {

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

} // namespace

OdbcConnectTarget TranslateConnectionString(const QString &text,
                                            const std::function<QStringList()> &installedDrivers,
                                            bool localProtocols,
                                            const DataSourceDriverLookup &dataSourceDriver) {
    OdbcConnectTarget passThrough;
    passThrough.connectionString = text;
    const auto pairs = ParseOleDbString(text);
    if (!pairs)
        return passThrough;
    const QString provider = OleDbValue(*pairs, QStringLiteral("Provider")).trimmed();
    if (provider.isEmpty()) {
        bool odbcTarget = false;
        for (const auto &pair : *pairs)
            odbcTarget = odbcTarget || NamesOdbcTarget(pair.first);
        if (odbcTarget || pairs->isEmpty() || RawNamesOdbcTarget(text))
            return passThrough;
        return TranslateOdbcProvider(*pairs,
                                     dataSourceDriver); // OLE DB's default provider is MSDASQL
    }
    const QString name = provider.section(QLatin1Char('.'), 0, 0).trimmed();
    if (name.compare(QLatin1String("MSDASQL"), Qt::CaseInsensitive) == 0)
        return TranslateOdbcProvider(*pairs, dataSourceDriver);
    if (name.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) ||
        name.startsWith(QLatin1String("SQLNCLI"), Qt::CaseInsensitive) ||
        name.startsWith(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive))
        return TranslateSqlServerProvider(name, ChooseSqlServerDriver(installedDrivers()),
                                          localProtocols, *pairs);
    return passThrough; // a provider we cannot reach: let the driver manager say so
}
