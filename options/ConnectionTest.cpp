// Test Connection of the connection prompt: a connection of the program's own SQL Server layer.
#include "uDlgVIDataLink.h"

#include "import/ADOConnectionMSSQL.h"

void OpenTestConnection(const QString &connectionString) {
    TADOConnectionMSSQL connection(QStringLiteral("connTest"));
    connection.SetConnectionString(connectionString);
    connection.Open();
    connection.Close();
}
