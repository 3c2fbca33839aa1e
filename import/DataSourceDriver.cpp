#include "import/DataSourceDriver.h"

#include "import/OdbcHeaders.h"

#include <odbcinst.h>

#include <QFileInfo>

#include <iterator>

namespace {

static_assert(sizeof(WCHAR) == sizeof(char16_t), "odbcinst's text must be UTF-16");

LPCWSTR Wide(const QString &text) {
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

QString Entry(const QString &section, const QString &entry, const QString &file) {
    WCHAR buffer[1024] = {};
    const int length = SQLGetPrivateProfileStringW(Wide(section), Wide(entry), Wide(QString()),
                                                   buffer, int(std::size(buffer)), Wide(file));
    if (length <= 0)
        return {};
    return QStringView(reinterpret_cast<const char16_t *>(buffer),
                       qMin<qsizetype>(length, std::size(buffer) - 1))
        .toString()
        .trimmed();
}

QString FileDsnDriver(const QString &file) {
    WCHAR buffer[1024] = {};
    WORD length = 0;
    if (!SQLReadFileDSNW(Wide(file), Wide(QStringLiteral("ODBC")), Wide(QStringLiteral("DRIVER")),
                         buffer, WORD(std::size(buffer)), &length))
        return {};
    return QStringView(reinterpret_cast<const char16_t *>(buffer),
                       qMin<qsizetype>(length, std::size(buffer) - 1))
        .toString()
        .trimmed();
}

bool Is(const QString &a, const char *b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList DataSourceDriver(const QString &keyword, const QString &name) {
    QString driver = name.trimmed();
    if (driver.isEmpty())
        return {}; // an empty section would list every section
    if (Is(keyword, "DSN"))
        driver = Entry(driver, QStringLiteral("Driver"), QStringLiteral("ODBC.INI"));
    else if (Is(keyword, "FILEDSN"))
        driver = FileDsnDriver(driver);
    if (driver.startsWith(QLatin1Char('{')) && driver.endsWith(QLatin1Char('}')))
        driver = driver.mid(1, driver.size() - 2);
    if (driver.isEmpty())
        return {};
    QStringList found{driver};
    // A driver's name stands for its library in the list of drivers.
    const QString library = Entry(driver, QStringLiteral("Driver"), QStringLiteral("ODBCINST.INI"));
    if (!library.isEmpty())
        found.append(library);
    return found;
}

bool IsFreeTdsDriver(const QString &driver) {
    QString name = driver.trimmed();
    if (name.startsWith(QLatin1Char('{')) && name.endsWith(QLatin1Char('}')))
        name = name.mid(1, name.size() - 2).trimmed();
    if (Is(name, "FreeTDS"))
        return true;
    const QString file = QFileInfo(name).fileName().toLower();
    return file.startsWith(QLatin1String("libtdsodbc.")) || file == QLatin1String("tdsodbc.dll");
}
