# Tests of the About dialog.
