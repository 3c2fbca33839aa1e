#pragma once
// Qt's own texts (standard buttons, message boxes, context menus) through our catalogue.

#include <QTranslator>

class TranslationState;

class CatalogueTranslator : public QTranslator {
    Q_OBJECT
public:
    // Answers only on the thread that creates it. Without a state, the process-wide one.
    explicit CatalogueTranslator(TranslationState *state = nullptr, QObject *parent = nullptr);

    QString translate(const char *context, const char *sourceText,
                      const char *disambiguation = nullptr, int n = -1) const override;
    // Qt skips translators that report themselves empty.
    bool isEmpty() const override { return false; }

private:
    TranslationState *m_state;
};
