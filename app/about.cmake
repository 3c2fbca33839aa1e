# About dialog.
