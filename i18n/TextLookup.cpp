#include "i18n/TextLookup.h"

// Interim lookup: no catalogue is read yet, so every text stays English.
QString TextLookup(const QString &english) { return english; }
