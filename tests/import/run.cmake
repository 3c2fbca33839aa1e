# Tests of media identifiers and the import run.
vi_add_test(test_ibutton SOURCES test_ibutton.cpp LIBS vi_import)
