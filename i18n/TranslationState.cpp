#include "i18n/TranslationState.h"

#include "core/Exceptions.h"
#include "core/Trace.h"
#include "i18n/FormatConversions.h"
#include "i18n/SystemLocale.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace {

const QString kDomainFile = QStringLiteral("default.mo");

// Keys are stored with bare line feeds.
QByteArray KeyOf(const QString &text) {
    QByteArray key = text.toUtf8();
    key.replace('\r', QByteArray());
    return key;
}

// Every line feed not already preceded by a carriage return gets one.
QString WithCrLf(const QByteArray &utf8) {
    QByteArray out;
    out.reserve(utf8.size() + utf8.count('\n'));
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r'))
            out.append('\r');
        out.append(utf8[i]);
    }
    return QString::fromUtf8(out);
}

bool IsFile(const QString &path) {
    return QFileInfo(path).isFile();
}

} // namespace

TranslationState::TranslationState(QString catalogueFolder, QString languageCode)
    : m_folder(std::move(catalogueFolder)), m_languageCode(std::move(languageCode)) {}

void TranslationState::SetProblemReporter(ProblemReporter reporter) {
    QMutexLocker lock(&m_mutex);
    m_reporter = std::move(reporter);
}

TranslationState::Status TranslationState::CurrentStatus() const {
    QMutexLocker lock(&m_mutex);
    return m_status;
}

QString TranslationState::CataloguePath() const {
    QMutexLocker lock(&m_mutex);
    return m_path;
}

QString TranslationState::FirstCandidate() const {
    return m_folder + m_languageCode + QStringLiteral("/LC_MESSAGES/") + kDomainFile;
}

QString TranslationState::SecondCandidate() const {
    return m_folder + m_languageCode.left(2) + QStringLiteral("/LC_MESSAGES/") + kDomainFile;
}

std::optional<QString> TranslationState::FindCatalogue() {
    QString path = FirstCandidate();
    if (!IsFile(path)) {
        path = SecondCandidate();
        if (!IsFile(path)) {
            m_status = Status::NotFound;
            return std::nullopt;
        }
    }
    // Throws without changing the status: the next lookup reads the file again.
    MoCatalog catalog = MoCatalog::Load(path);
    const QByteArray contentType = HeaderContentType(catalog.Header());
    if (!contentType.toUpper().contains("CHARSET=UTF-8")) {
        m_status = Status::TurnedOff;
        return QStringLiteral("The translation for the language code %1 (in %2) does not have "
                              "charset=utf-8 in its Content-Type. Translations are turned off.")
            .arg(m_languageCode, QDir::toNativeSeparators(path));
    }
    m_catalog = std::move(catalog);
    m_path = path;
    m_status = Status::Open;
    return std::nullopt;
}

QString TranslationState::Lookup(const QString &english) {
    if (english.isEmpty())
        return english;
    std::optional<QString> problem;
    ProblemReporter reporter;
    QString result = english;
    {
        QMutexLocker lock(&m_mutex);
        if (m_status == Status::NotLookedFor) {
            problem = FindCatalogue();
            reporter = m_reporter;
        }
        if (m_status == Status::Open) {
            const QByteArray key = KeyOf(english);
            if (const QByteArray *translation = m_catalog.Find(key)) {
                // Any text may be used as a format; one that asks for other arguments than
                // its key would misread them, so the English text stands instead.
                if (SameConversions(key, *translation))
                    result = WithCrLf(*translation);
                else if (!m_mismatched.contains(key)) {
                    m_mismatched.insert(key);
                    TraceMessage("Prevod ne odgovara formatu (" + m_languageCode.toStdString() +
                                 "): " + key.toStdString());
                }
            }
        }
    }
    // Outside the lock: the box runs an event loop whose own texts come back here.
    if (problem && reporter)
        reporter(QStringLiteral("Localization problem"), *problem);
    return result;
}

namespace {
std::unique_ptr<TranslationState> &ProcessSlot() {
    static std::unique_ptr<TranslationState> state;
    return state;
}
QMutex g_slotMutex;
} // namespace

QString ProcessLanguageCode() {
    return QString::fromStdString(ChooseLanguageCode(qEnvironmentVariable("LANG").toStdString()));
}

QString DefaultCatalogueFolder() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/locale/");
}

TranslationState &ProcessTranslation() {
    QMutexLocker lock(&g_slotMutex);
    auto &slot = ProcessSlot();
    if (!slot)
        slot = std::make_unique<TranslationState>(DefaultCatalogueFolder(), ProcessLanguageCode());
    return *slot;
}

void SetProcessTranslation(std::unique_ptr<TranslationState> state) {
    QMutexLocker lock(&g_slotMutex);
    ProcessSlot() = std::move(state);
}
