#pragma once
// Which ODBC driver an ODBC string reaches when it names it only through a data source: a DSN's
// "Driver" entry, a file DSN's DRIVER=, and the library that the driver manager's list of
// drivers gives a driver's name.

#include <QString>
#include <QStringList>

#include <functional>

// keyword: "DSN", "FILEDSN" or "Driver"; name: its value. The driver's name and its library as
// far as the driver manager's configuration knows them; empty when it knows none.
using DataSourceDriverLookup =
    std::function<QStringList(const QString &keyword, const QString &name)>;

// The lookup in the driver manager's configuration (odbc.ini and odbcinst.ini, or the registry).
QStringList DataSourceDriver(const QString &keyword, const QString &name);

// FreeTDS, by its name or by its library (libtdsodbc.so, tdsodbc.dll), which keeps "}}" in
// braces as two characters.
bool IsFreeTdsDriver(const QString &driver);
