#pragma once
// The names of the ODBC data sources that the driver manager knows (user and system).

#include <QStringList>

QStringList OdbcDataSourceNames();
