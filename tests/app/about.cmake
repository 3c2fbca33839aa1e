# Tests of the About dialog.
vi_add_test(test_about GUI SOURCES test_about.cpp LIBS vi_about)
