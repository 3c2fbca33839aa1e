#pragma once
// Start-up of the translation layer in the program.

class QApplication;

// Chooses the language (LANG, else the user's locale), binds the catalogue folder beside the
// executable, shows catalogue problems in an ownerless "Localization problem" box and routes
// Qt's own texts through the catalogue. Call right after the QApplication is constructed.
void InstallTranslation(QApplication &app);
