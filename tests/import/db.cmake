# Tests of the SQL Server layer.
find_package(Qt6 REQUIRED COMPONENTS Network)
vi_add_test(test_db
  SOURCES test_db_units.cpp test_db_sqlite.cpp test_db_freetds.cpp db_sqlite_fixture.h
  LIBS vi_import vi_tds_test_server Qt6::Network)
