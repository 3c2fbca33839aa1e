# Windows data-link dialog unit.
