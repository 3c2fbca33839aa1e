#pragma once
// MSDASQL, OLE DB's provider over ODBC: its string carries an ODBC string to the driver manager.

#include "import/ConnectionString.h"
#include "import/OleDbSyntax.h"

OdbcConnectTarget TranslateOdbcProvider(const OleDbPairs &pairs);
