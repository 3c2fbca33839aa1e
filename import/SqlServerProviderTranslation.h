#pragma once
// The SQL Server OLE DB providers (SQLOLEDB, SQLNCLI, MSOLEDBSQL) stood in for by an ODBC driver:
// every keyword becomes the driver's own or is refused by name (ConnectionKeywords.h).

#include "import/ConnectionString.h"
#include "import/OleDbSyntax.h"

// provider: its name without the version ("SQLNCLI11"); driver: the ODBC driver chosen.
OdbcConnectTarget TranslateSqlServerProvider(const QString &provider, const QString &driver,
                                             bool localProtocols, const OleDbPairs &pairs);
