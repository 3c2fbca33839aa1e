# Tests of the main window and start-up.
