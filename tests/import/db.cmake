# Tests of the SQL Server layer.
