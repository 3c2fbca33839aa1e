# Tests of media identifiers and the import run.
