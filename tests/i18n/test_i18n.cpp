#include "CatalogueFixture.h"

#include "core/Exceptions.h"
#include "i18n/CatalogueTranslator.h"
#include "i18n/ExclusionRegistry.h"
#include "i18n/FormatConversions.h"
#include "i18n/MoCatalog.h"
#include "i18n/SystemLocale.h"
#include "i18n/TextLookup.h"
#include "i18n/TranslationState.h"

#include <QCoreApplication>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string_view>
#include <unistd.h>

using namespace testcat;
using namespace std::literals;

namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Folder() const { return m_dir.path() + QStringLiteral("/locale/"); }
    void Make(const QString &code, const Entries &entries, bool bigEndian = false) {
        WriteMo(MoPath(Folder(), code), PoText(entries), bigEndian);
    }

    QTemporaryDir m_dir;
};

// Sets an environment variable for one scope.
class EnvGuard {
public:
    EnvGuard(const char *name, const char *value) : m_name(name) {
        if (const char *old = std::getenv(name))
            m_old = old, m_had = true;
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~EnvGuard() {
        if (m_had)
            qputenv(m_name, QByteArray::fromStdString(m_old));
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(LanguageChoice, LangValueLosesEverythingFromTheFirstDot) {
    EXPECT_EQ(ChooseLanguageCode("de_DE.UTF-8"), "de_DE");
    EXPECT_EQ(ChooseLanguageCode("de_DE.UTF-8@euro"), "de_DE");
    EXPECT_EQ(ChooseLanguageCode("sr_RS@latin"), "sr_RS@latin");
    EXPECT_EQ(ChooseLanguageCode("SL_si"), "SL_si");
    EXPECT_EQ(ChooseLanguageCode("C"), "C");
}

TEST(LanguageChoice, EmptyLangAsksTheSystemLocale) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows asks the user's locale, not the environment (the Windows units "
                    "test that)";
#endif
    EnvGuard messages("LC_MESSAGES", nullptr);
    {
        EnvGuard all("LC_ALL", "sl_SI.UTF-8");
        EXPECT_EQ(ChooseLanguageCode(""), "sl_SI");
    }
    {
        EnvGuard all("LC_ALL", nullptr);
        EnvGuard msg("LC_MESSAGES", "no_NO.ISO-8859-1");
        EXPECT_EQ(ChooseLanguageCode(""), "nb_NO");
    }
}

TEST(LanguageChoice, IsoNamesAndLocaleTable) {
    EXPECT_EQ(LanguageCodeFromIsoNames("sl", "SI"), "sl_SI");
    EXPECT_EQ(LanguageCodeFromIsoNames("no", "NO"), "nb_NO");
    EXPECT_EQ(LanguageCodeFromIsoNames("NO", "NO"), "nb_NO");
    EXPECT_EQ(LanguageCodeFromIsoNames("nn", "NO"), "nn_NO");
    EXPECT_EQ(LanguageCodeFromIsoNames("sl", ""), "");
    EXPECT_EQ(LanguageCodeFromIsoNames("fil", "PH"), "");
    EXPECT_EQ(LocaleIdToCode(1044), "nb_NO");
    EXPECT_EQ(LocaleIdToCode(2068), "nn_NO");
    EXPECT_EQ(LocaleIdToCode(1034), "es_ES");
    EXPECT_EQ(LocaleIdToCode(3082), "es_ES");
    EXPECT_EQ(LocaleIdToCode(1042), "ko_KR");
    EXPECT_EQ(LocaleIdToCode(4103), "de_LU");
    EXPECT_EQ(LocaleIdToCode(1060), "C"); // Slovenian is not in the table
    EXPECT_EQ(LocaleIdToCode(0), "C");
}

TEST_F(CatalogueTest, FullCodeFirstThenTwoLetters) {
    Make(QStringLiteral("de"), {{QStringLiteral("Exit"), QStringLiteral("Beenden (de)")}});
    TranslationState onlyShort(Folder(), QStringLiteral("de_DE"));
    EXPECT_EQ(onlyShort.FirstCandidate(), MoPath(Folder(), QStringLiteral("de_DE")));
    EXPECT_EQ(onlyShort.SecondCandidate(), MoPath(Folder(), QStringLiteral("de")));
    EXPECT_EQ(onlyShort.Lookup(QStringLiteral("Exit")), QStringLiteral("Beenden (de)"));

    Make(QStringLiteral("de_DE"), {{QStringLiteral("Exit"), QStringLiteral("Beenden (de_DE)")}});
    TranslationState both(Folder(), QStringLiteral("de_DE"));
    EXPECT_EQ(both.Lookup(QStringLiteral("Exit")), QStringLiteral("Beenden (de_DE)"));
    EXPECT_EQ(both.CataloguePath(), MoPath(Folder(), QStringLiteral("de_DE")));

    // The language folder keeps the code's case and modifier.
    TranslationState other(Folder(), QStringLiteral("DE_de@x"));
    EXPECT_EQ(other.FirstCandidate(), MoPath(Folder(), QStringLiteral("DE_de@x")));
    EXPECT_EQ(other.SecondCandidate(), MoPath(Folder(), QStringLiteral("DE")));
}

TEST_F(CatalogueTest, LanguageCLooksOnlyForFolderC) {
    Make(QStringLiteral("de"), {{QStringLiteral("Exit"), QStringLiteral("Beenden")}});
    TranslationState plain(Folder(), QStringLiteral("C"));
    EXPECT_EQ(plain.Lookup(QStringLiteral("Exit")), QStringLiteral("Exit"));
    EXPECT_EQ(plain.CurrentStatus(), TranslationState::Status::NotFound);

    Make(QStringLiteral("C"), {{QStringLiteral("Exit"), QStringLiteral("Quit")}});
    TranslationState withC(Folder(), QStringLiteral("C"));
    EXPECT_EQ(withC.Lookup(QStringLiteral("Exit")), QStringLiteral("Quit"));
}

TEST_F(CatalogueTest, BothByteOrdersReadAlike) {
    const Entries entries{{QStringLiteral("Download"), QStringLiteral("Prenos")},
                          {QStringLiteral("Log details"), QStringLiteral("Podrobnosti dnevnika")},
                          {QStringLiteral("Options..."), QStringLiteral("Možnosti ...")}};
    Make(QStringLiteral("sl"), entries);
    Make(QStringLiteral("sl_SI"), entries, true);
    TranslationState little(Folder(), QStringLiteral("sl"));
    TranslationState big(Folder(), QStringLiteral("sl_SI"));
    for (const auto &[key, value] : entries) {
        EXPECT_EQ(little.Lookup(key), value);
        EXPECT_EQ(big.Lookup(key), value);
    }
    EXPECT_EQ(big.Lookup(QStringLiteral("Not there")), QStringLiteral("Not there"));
    EXPECT_EQ(big.CataloguePath(), MoPath(Folder(), QStringLiteral("sl_SI")));
}

TEST_F(CatalogueTest, Utf8InAnyLetterCaseIsAccepted) {
    int reports = 0;
    for (const QString &header : {QStringLiteral("Content-Type: text/plain; charset=utf-8"),
                                  QStringLiteral("content-type: TEXT/PLAIN; CHARSET=Utf-8")}) {
        WriteMo(MoPath(Folder(), QStringLiteral("sl")),
                PoText({{QStringLiteral("Yes"), QStringLiteral("Da")}}, header));
        TranslationState state(Folder(), QStringLiteral("sl_SI"));
        state.SetProblemReporter([&](const QString &, const QString &) { ++reports; });
        EXPECT_EQ(state.Lookup(QStringLiteral("Yes")), QStringLiteral("Da"))
            << header.toStdString();
    }
    EXPECT_EQ(reports, 0);
}

TEST_F(CatalogueTest, OtherCharsetReportsOnceAndStaysEnglish) {
    WriteMo(MoPath(Folder(), QStringLiteral("cs")),
            PoText({{QStringLiteral("Yes"), QStringLiteral("Ano")}},
                   QStringLiteral("Content-Type: text/plain; charset=ISO-8859-2")));
    TranslationState state(Folder(), QStringLiteral("cs_CZ"));
    QStringList captions, texts;
    state.SetProblemReporter([&](const QString &caption, const QString &text) {
        captions << caption;
        texts << text;
    });
    EXPECT_EQ(state.Lookup(QStringLiteral("Yes")), QStringLiteral("Yes"));
    EXPECT_EQ(state.Lookup(QStringLiteral("Yes")), QStringLiteral("Yes"));
    EXPECT_EQ(state.CurrentStatus(), TranslationState::Status::TurnedOff);
    ASSERT_EQ(captions.size(), 1);
    EXPECT_EQ(captions[0], QStringLiteral("Localization problem"));
    EXPECT_EQ(texts[0], QStringLiteral("The translation for the language code cs_CZ (in ") +
                            MoPath(Folder(), QStringLiteral("cs")) +
                            QStringLiteral(") does not have charset=utf-8 in its Content-Type. "
                                           "Translations are turned off."));
}

TEST_F(CatalogueTest, NotACatalogueFailsEachLookupUntilMended) {
    const QString path = MoPath(Folder(), QStringLiteral("sl"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile junk(path);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(64, 'x'));
    junk.close();

    TranslationState state(Folder(), QStringLiteral("sl_SI"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            state.Lookup(QStringLiteral("Yes"));
            FAIL() << "a file that is not a catalogue must fail the lookup";
        } catch (const Exception &e) {
            EXPECT_TRUE(e.Message().contains(path)) << e.what();
            EXPECT_TRUE(e.Message().contains(QStringLiteral("magic number"))) << e.what();
        }
        EXPECT_EQ(state.CurrentStatus(), TranslationState::Status::NotLookedFor);
    }
    // Nothing was remembered: once the file is a catalogue, the next lookup uses it.
    Make(QStringLiteral("sl"), {{QStringLiteral("Yes"), QStringLiteral("Da")}});
    EXPECT_EQ(state.Lookup(QStringLiteral("Yes")), QStringLiteral("Da"));
}

TEST_F(CatalogueTest, DamagedCatalogueIsRejectedNotRead) {
    Make(QStringLiteral("sl"), {{QStringLiteral("Yes"), QStringLiteral("Da")}});
    QFile file(MoPath(Folder(), QStringLiteral("sl")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    // Cut inside the string data: the tables now point past the end.
    EXPECT_THROW(MoCatalog::Parse(whole.left(whole.size() - 3), QStringLiteral("x.mo")), Exception);
    EXPECT_THROW(MoCatalog::Parse(whole.left(12), QStringLiteral("x.mo")), Exception);
    QByteArray hugeCount = whole;
    hugeCount[8] = char(0xff), hugeCount[9] = char(0xff), hugeCount[10] = char(0xff);
    EXPECT_THROW(MoCatalog::Parse(hugeCount, QStringLiteral("x.mo")), Exception);
    EXPECT_EQ(MoCatalog::Parse(whole, QStringLiteral("x.mo")).Count(), 2);
}

TEST_F(CatalogueTest, CatalogueAppearingLaterIsNotUsed) {
    TranslationState none(Folder(), QStringLiteral("sl_SI"));
    EXPECT_EQ(none.Lookup(QStringLiteral("Yes")), QStringLiteral("Yes"));
    Make(QStringLiteral("sl"), {{QStringLiteral("Yes"), QStringLiteral("Da")}});
    EXPECT_EQ(none.Lookup(QStringLiteral("Yes")), QStringLiteral("Yes"));

    // A catalogue found at the first lookup is kept, even when the file changes.
    TranslationState found(Folder(), QStringLiteral("sl_SI"));
    EXPECT_EQ(found.Lookup(QStringLiteral("Yes")), QStringLiteral("Da"));
    Make(QStringLiteral("sl_SI"), {{QStringLiteral("Yes"), QStringLiteral("Ja")}});
    Make(QStringLiteral("sl"), {{QStringLiteral("Yes"), QStringLiteral("Seveda")}});
    EXPECT_EQ(found.Lookup(QStringLiteral("Yes")), QStringLiteral("Da"));
}

TEST_F(CatalogueTest, KeysAreExactAndLineEndsAreMended) {
    Make(QStringLiteral("sl"), {{QStringLiteral("! WARNING ! "), QStringLiteral("! OPOZORILO ! ")},
                                {QStringLiteral("!!! ERROR !!!"), QStringLiteral("!!! NAPAKA !!!")},
                                {QStringLiteral("%d minute(s)"), QStringLiteral("%d min.")},
                                {QStringLiteral("First line\nSecond line"),
                                 QStringLiteral("Prva vrstica\nDruga vrstica")},
                                {QStringLiteral("Download"), QStringLiteral("Prenos")}});
    TranslationState state(Folder(), QStringLiteral("sl_SI"));
    EXPECT_EQ(state.Lookup(QStringLiteral("! WARNING ! ")), QStringLiteral("! OPOZORILO ! "));
    // The entry lacks the trailing space, so the key does not match.
    EXPECT_EQ(state.Lookup(QStringLiteral("!!! ERROR !!! ")), QStringLiteral("!!! ERROR !!! "));
    EXPECT_EQ(state.Lookup(QStringLiteral("download")), QStringLiteral("download"));
    EXPECT_EQ(
        QString::asprintf(state.Lookup(QStringLiteral("%d minute(s)")).toUtf8().constData(), 15),
        QStringLiteral("15 min."));
    // Carriage returns are not part of keys; line feeds come back as CR LF.
    EXPECT_EQ(state.Lookup(QStringLiteral("First line\r\nSecond line")),
              QStringLiteral("Prva vrstica\r\nDruga vrstica"));
    EXPECT_EQ(state.Lookup(QStringLiteral("First line\nSecond line")),
              QStringLiteral("Prva vrstica\r\nDruga vrstica"));
    // The empty key would find the header.
    EXPECT_EQ(state.Lookup(QString()), QString());
    EXPECT_EQ(state.Lookup(QStringLiteral("")), QStringLiteral(""));
}

TEST_F(CatalogueTest, TranslatorAnswersOnItsThreadAndNeverForLayoutDirection) {
    Make(QStringLiteral("sl"), {{QStringLiteral("OK"), QStringLiteral("V redu")},
                                {QStringLiteral("QT_LAYOUT_DIRECTION"), QStringLiteral("RTL")},
                                {QStringLiteral("&Yes"), QStringLiteral("&Da")}});
    TranslationState state(Folder(), QStringLiteral("sl_SI"));
    CatalogueTranslator translator(&state);
    EXPECT_FALSE(translator.isEmpty());
    EXPECT_EQ(translator.translate("QPlatformTheme", "OK"), QStringLiteral("V redu"));
    EXPECT_EQ(translator.translate("QPlatformTheme", "&Yes", nullptr, -1), QStringLiteral("&Da"));
    EXPECT_TRUE(translator.translate("QGuiApplication", "QT_LAYOUT_DIRECTION").isEmpty());
    EXPECT_TRUE(translator.translate("QPlatformTheme", "Nothing").isEmpty());
    EXPECT_TRUE(translator.translate("QPlatformTheme", "").isEmpty());

    QString fromOtherThread = QStringLiteral("unset");
    QThread *worker =
        QThread::create([&] { fromOtherThread = translator.translate("QPlatformTheme", "OK"); });
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    delete worker;
    EXPECT_TRUE(fromOtherThread.isEmpty());
}

TEST(ExclusionRegistry, WholeClassTwiceIsAProgrammingError) {
    ExclusionRegistry registry;
    registry.IgnoreClass(QStringLiteral("TADOQuery"));
    try {
        registry.IgnoreClass(QStringLiteral("TADOQuery"));
        FAIL() << "registering a class twice must fail";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("You cannot add a class to the ignore list that is already on "
                                 "that list: TADOQuery. You should keep all TP_Global functions "
                                 "in one place in your source code."));
    }
    // A property entry counts as an entry too; adding properties never fails.
    registry.IgnoreClassProperty(QStringLiteral("QLabel"), QStringLiteral("text"));
    registry.IgnoreClassProperty(QStringLiteral("QLabel"), QStringLiteral("TEXT"));
    EXPECT_THROW(registry.IgnoreClass(QStringLiteral("QLabel")), Exception);
    EXPECT_NO_THROW(registry.IgnoreClassProperty(QStringLiteral("TADOQuery"), QStringLiteral("x")));
    // The program's list registers every class once, next to the layer's own entries.
    ExclusionRegistry program;
    EXPECT_NO_THROW(RegisterProgramExclusions(program));
    EXPECT_THROW(RegisterProgramExclusions(program), Exception);
}

TEST(ExclusionRegistry, EntriesApplyToDerivedClasses) {
    ExclusionRegistry registry;
    // The layer's own entry: object names.
    EXPECT_TRUE(registry.ExcludedProperties(&QThread::staticMetaObject).contains("OBJECTNAME"));
    registry.IgnoreClassProperty(QStringLiteral("QObject"), QStringLiteral("someText"));
    registry.IgnoreClassProperty(QStringLiteral("QTranslator"), QStringLiteral("Other"));
    const QSet<QString> names = registry.ExcludedProperties(&CatalogueTranslator::staticMetaObject);
    EXPECT_EQ(names, (QSet<QString>{QStringLiteral("OBJECTNAME"), QStringLiteral("SOMETEXT"),
                                    QStringLiteral("OTHER")}));
    EXPECT_FALSE(registry.ExcludedProperties(&QThread::staticMetaObject).contains("OTHER"));
    EXPECT_FALSE(registry.IsClassExcluded(&CatalogueTranslator::staticMetaObject));
    registry.IgnoreClass(QStringLiteral("QThread"));
    EXPECT_TRUE(registry.IsClassExcluded(&QThread::staticMetaObject));
    EXPECT_FALSE(registry.IsClassExcluded(&CatalogueTranslator::staticMetaObject));
    EXPECT_FALSE(registry.IsClassExcluded(QStringLiteral("QObject")));
}

TEST_F(CatalogueTest, TextLookupUsesTheProcessWideState) {
    Make(QStringLiteral("sl"), {{QStringLiteral("Yes"), QStringLiteral("Da")}});
    EXPECT_TRUE(DefaultCatalogueFolder().endsWith(QStringLiteral("/locale/")));
    EXPECT_TRUE(DefaultCatalogueFolder().startsWith(QCoreApplication::applicationDirPath()));
    SetProcessTranslation(std::make_unique<TranslationState>(Folder(), QStringLiteral("sl_SI")));
    EXPECT_EQ(TextLookup("Yes"), QStringLiteral("Da"));
    EXPECT_EQ(CatalogueTranslator().translate("QPlatformTheme", "Yes"), QStringLiteral("Da"));
    SetProcessTranslation(std::make_unique<TranslationState>(Folder(), QStringLiteral("C")));
    EXPECT_EQ(TextLookup("Yes"), QStringLiteral("Yes"));
}

// The catalogue is compiled without the c-format flag, so msgfmt lets every mismatch through.
// A translation that asks for other arguments than its key is not used (the program would
// misread its arguments or crash); the key is, and the refusal is traced once.
TEST_F(CatalogueTest, TranslationWithOtherConversionsThanItsKeyIsNotUsed) {
    const struct {
        const char *key;
        std::string_view translation;
        bool used;
    } cases[] = {
        {"%d minute(s)", "%s minut", false},              // another kind
        {"%d of %s", "%s od %d", false},                  // another order
        {"%d new persons imported", "%d oseb %d", false}, // another number
        {"%d of %d", "%ld od %d", false},                 // another size
        {"Download", "Prenos %s", false},                 // a plain text that turns into a format
        {"%s: %s", "%s - %s", true},
        {"%d%% done", "%d %% opravljeno", true}, // "%%" takes no argument
        {"%5.2f s", "%.1f s", true},             // width and precision may change
        {"%x", "%X", true},
        {"%zu of %ld", "%Zu od %ld", true}, // "Z" is "z"
        {"%d to %d", "%hd do %d", true},    // read as an int all the same
        {"%d new MediaIDs assigned", "%d %Zs", false},
        {"%d min", "%*%d", false}, // the "*" reads an int before the bad "%*%"
        {"%d s", "%*y%d", false},
        {"%d h", "%d%*", false},
        {"%d days", "%Ld dni", false},     // prints 0 and reads nothing
        {"%d weeks", "x%Zs\0%d"sv, false}, // asprintf stops at the NUL
        {"%d%n", "%d%n", false},           // writes through its argument
    };
    for (const auto &c : cases)
        EXPECT_EQ(SameConversions(
                      c.key, QByteArray(c.translation.data(), qsizetype(c.translation.size()))),
                  c.used)
            << c.key << " / " << c.translation;
    Entries entries;
    for (const auto &c : cases)
        entries.push_back({QString::fromUtf8(c.key), Utf8(c.translation)});
    Make(QStringLiteral("sl"), entries);
    TranslationState state(Folder(), QStringLiteral("sl_SI"));

#ifndef _WIN32
    // The traces go to standard error: caught in a pipe for the length of the lookups.
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
    const int savedErr = ::dup(STDERR_FILENO);
    ::dup2(fds[1], STDERR_FILENO);
    for (int round = 0; round < 2; ++round)
        for (const auto &c : cases)
            EXPECT_EQ(state.Lookup(QString::fromUtf8(c.key)),
                      c.used ? Utf8(c.translation) : QString::fromUtf8(c.key))
                << c.key;
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedErr);
    ::close(fds[1]);
    QByteArray traces;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        traces.append(buffer, n);
    ::close(fds[0]);
    for (const auto &c : cases)
        EXPECT_EQ(traces.count(QByteArray("): ") + c.key + "\"\n"), c.used ? 0 : 1)
            << c.key << "\n"
            << traces.constData();
#else
    // Windows hands traces to the debugger: only the lookups are checked here.
    for (const auto &c : cases)
        EXPECT_EQ(state.Lookup(QString::fromUtf8(c.key)),
                  c.used ? Utf8(c.translation) : QString::fromUtf8(c.key))
            << c.key;
#endif

    // Used as the program uses it, the refused one formats its argument safely.
    EXPECT_EQ(
        QString::asprintf(state.Lookup(QStringLiteral("%d minute(s)")).toUtf8().constData(), 15),
        QStringLiteral("15 minute(s)"));
}

// msgfmt --check-format (run by the build) checks only the entries flagged c-format: every
// shipped entry whose key takes arguments must carry the flag.
TEST(ShippedCatalogue, EveryFormatEntryIsCheckedByMsgfmt) {
    QFile po(qEnvironmentVariable("VI_TEST_SOURCE_DIR") + QStringLiteral("/locale/sl/default.po"));
    ASSERT_TRUE(po.open(QIODevice::ReadOnly)) << po.fileName().toStdString();
    const QList<QByteArray> lines = po.readAll().split('\n');
    int formats = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith("msgid \""))
            continue;
        QByteArray key = lines[i].mid(6);
        for (qsizetype j = i + 1; j < lines.size() && lines[j].startsWith('"'); ++j)
            key += lines[j];
        if (PrintfConversions(key).isEmpty())
            continue;
        ++formats;
        const bool flagged =
            i > 0 && lines[i - 1].startsWith("#,") && lines[i - 1].contains("c-format");
        EXPECT_TRUE(flagged) << key.constData();
    }
    EXPECT_GT(formats, 5);
}
