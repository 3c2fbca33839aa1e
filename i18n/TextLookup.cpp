#include "i18n/TextLookup.h"

#include "i18n/TranslationState.h"

QString TextLookup(const QString &english) {
    return ProcessTranslation().Lookup(english);
}
