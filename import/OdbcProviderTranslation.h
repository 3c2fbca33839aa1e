#pragma once
// MSDASQL, OLE DB's provider over ODBC: its string carries an ODBC string to the driver manager.

#include "import/ConnectionString.h"
#include "import/DataSourceDriver.h"
#include "import/OleDbSyntax.h"

// dataSourceDriver: which driver a DSN, a file DSN or a driver's name stands for.
OdbcConnectTarget TranslateOdbcProvider(const OleDbPairs &pairs,
                                        const DataSourceDriverLookup &dataSourceDriver);
