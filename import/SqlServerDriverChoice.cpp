#include "import/ConnectionString.h"

#include <QRegularExpression>

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
