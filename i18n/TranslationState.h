#pragma once
// The translation state: language code, catalogue folder and the catalogue of the text
// domain "default", looked for at the first lookup and kept until the state is released.

#include "i18n/MoCatalog.h"

#include <QMutex>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class TranslationState {
public:
    enum class Status { NotLookedFor, Open, NotFound, TurnedOff };

    // Shows a problem with the catalogue to the user (caption, text). Without one the problem
    // only turns translation off.
    using ProblemReporter = std::function<void(const QString &caption, const QString &text)>;

    // catalogueFolder ends with a path separator ("<exe dir>/locale/").
    TranslationState(QString catalogueFolder, QString languageCode);

    // The translation of an English text, or the text itself. Empty texts are never looked up.
    // A translation whose printf conversions differ from the key's is not used (traced once).
    // Throws Exception when the catalogue file exists but cannot be read as one; nothing is
    // remembered of that, so the next lookup tries the file again.
    QString Lookup(const QString &english);

    void SetProblemReporter(ProblemReporter reporter);

    const QString &LanguageCode() const { return m_languageCode; }
    const QString &CatalogueFolder() const { return m_folder; }
    Status CurrentStatus() const;
    QString CataloguePath() const; // the file in use; empty unless one was found

    // The two files looked for, in order.
    QString FirstCandidate() const;
    QString SecondCandidate() const;

private:
    // Called with m_mutex held; returns the text for the problem box, if one must be shown.
    std::optional<QString> FindCatalogue();

    mutable QMutex m_mutex;
    const QString m_folder;
    const QString m_languageCode;
    Status m_status = Status::NotLookedFor;
    QString m_path;
    MoCatalog m_catalog;
    QSet<QByteArray> m_mismatched; // keys whose translation was refused (traced once)
    ProblemReporter m_reporter;
};

// The process-wide state used by TextLookup, the windows and Qt's own texts. Created at the
// first call: catalogue folder beside the executable, language from LANG or the system.
TranslationState &ProcessTranslation();
// Replaces the process-wide state (tests; start-up never needs it).
void SetProcessTranslation(std::unique_ptr<TranslationState> state);

// The language code for this process: LANG, else the system's locale, without codeset.
QString ProcessLanguageCode();
// "<folder of the executable>/locale/".
QString DefaultCatalogueFolder();
