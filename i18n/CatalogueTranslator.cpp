#include "i18n/CatalogueTranslator.h"

#include "i18n/TranslationState.h"

#include <QThread>
#include <exception>

CatalogueTranslator::CatalogueTranslator(TranslationState *state, QObject *parent)
    : QTranslator(parent), m_state(state) {}

QString CatalogueTranslator::translate(const char *, const char *sourceText, const char *,
                                       int) const {
    if (!sourceText || !*sourceText)
        return {};
    // Qt asks its translators for the layout direction; a catalogue entry must not flip it.
    if (qstrcmp(sourceText, "QT_LAYOUT_DIRECTION") == 0)
        return {};
    if (QThread::currentThread() != thread())
        return {};
    const QString english = QString::fromUtf8(sourceText);
    try {
        const QString translated = (m_state ? *m_state : ProcessTranslation()).Lookup(english);
        // An empty answer lets Qt use its source text (and ask the next translator).
        return translated == english ? QString() : translated;
    } catch (const std::exception &) {
        // Errors cannot pass through Qt's code; the text stays English and the next of our
        // own lookups reports the unreadable catalogue.
        return {};
    }
}
