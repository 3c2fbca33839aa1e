# SQL Server layer over ODBC: target_sources(vi_import PRIVATE ...)
