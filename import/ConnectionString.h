#pragma once
// The connection strings in the settings are OLE DB strings ("Provider=SQLOLEDB.1;Data
// Source=...;Initial Catalog=..."); ODBC wants its own keywords. This turns the one into the
// other without touching a database.

#include "import/DataSourceDriver.h"
#include "import/OdbcSyntax.h"
#include "import/OleDbSyntax.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#ifdef Q_OS_WIN
inline constexpr bool kLocalProtocols = true;
#else
inline constexpr bool kLocalProtocols = false;
#endif

// A named instance that the driver cannot find by itself within the login time-out: its port is
// asked of the SQL Server Browser first, then Server= and Port= are added.
struct NamedInstance {
    QString host;
    QString instance;
};

struct OdbcConnectTarget {
    QString connectionString;
    int loginTimeoutSeconds = 10;
    int packetSize = 0; // bytes; 0 leaves the driver's own
    // Not empty: the string cannot be carried to the chosen driver as written, and the open is
    // refused with this message (without the connection's name).
    QString refusal;
    std::optional<NamedInstance> instance;
};

// The ODBC form of a connection string. A string that already names Driver=, DSN= or FILEDSN=
// passes unchanged; so does one that cannot be read, so that the driver manager reports it.
// installedDrivers is asked only when a SQL Server driver has to be chosen, dataSourceDriver
// only where MSDASQL's ODBC string names its driver through a data source or a driver's name.
// Named pipes and shared memory are there only where the platform has them (Windows).
OdbcConnectTarget
TranslateConnectionString(const QString &text, const std::function<QStringList()> &installedDrivers,
                          bool localProtocols = kLocalProtocols,
                          const DataSourceDriverLookup &dataSourceDriver = DataSourceDriver);

// The SQL Server ODBC driver to use among the installed ones: the highest "ODBC Driver N for SQL
// Server", then the highest "SQL Server Native Client N", then "FreeTDS", then "SQL Server".
QString ChooseSqlServerDriver(const QStringList &installedDrivers);
