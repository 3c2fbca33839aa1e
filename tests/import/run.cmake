# Tests of media identifiers and the import run.
vi_add_test(test_ibutton SOURCES test_ibutton.cpp LIBS vi_import)
vi_add_test(test_import_run
  SOURCES test_import_run.cpp test_import_tds.cpp run_fakes.h run_fakes.cpp
  LIBS vi_import vi_schedule vi_tds_test_server)
vi_add_test(test_vantrel_databases SOURCES test_vantrel_databases.cpp LIBS vi_import)
