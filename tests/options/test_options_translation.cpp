// The dialogs' design texts are reached by the window translation, and their messages are
// looked up: checked with the Slovenian catalogue built beside the test.
#include "OptionsTestUtil.h"
#include "tests/i18n/CatalogueFixture.h"

#include "i18n/TranslationState.h"
#include "options/uDlgVIDataLink.h"
#include "options/uDlgVIOptions.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SlovenianTexts : public ::testing::Test {
protected:
    void SetUp() override {
        const QString folder = DefaultCatalogueFolder();
        if (!QFileInfo::exists(folder + QStringLiteral("sl/LC_MESSAGES/default.mo")))
            GTEST_SKIP() << "no Slovenian catalogue in " << folder.toStdString();
        SetProcessTranslation(std::make_unique<TranslationState>(folder, QStringLiteral("sl")));
    }
    void TearDown() override {
        // Back to English: a language without a catalogue.
        SetProcessTranslation(
            std::make_unique<TranslationState>(DefaultCatalogueFolder(), QStringLiteral("en")));
    }
};

template <typename T> T *Child(QObject &parent, const char *name) {
    T *w = parent.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace

TEST_F(SlovenianTexts, OptionsDialog) {
    QList<QString> shown;
    TDlgVIOptions dialog(nullptr, std::make_unique<FakePrompt>(std::make_shared<PromptScript>()));
    dialog.SetMessageBox([&](QWidget *, QMessageBox::Icon, const QString &caption,
                             const QString &text) { shown << caption << text; });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Možnosti VantrelImport"));
    EXPECT_EQ(Child<QPushButton>(dialog, "btnOK")->text(), QStringLiteral("V redu"));
    EXPECT_EQ(Child<QTabWidget>(dialog, "pag")->tabText(2), QStringLiteral("Prenos"));
    EXPECT_EQ(Child<QGroupBox>(dialog, "gbxVantrelMainDB")->title(),
              QStringLiteral("Glavna podatkovna baza"));
    EXPECT_EQ(Child<QPushButton>(dialog, "btnSelectDB")->text(), QStringLiteral("Izberi ..."));
    EXPECT_EQ(Child<QLabel>(dialog, "lblFrequency")->text(), QStringLiteral("Pogostost:"));

    Child<QPushButton>(dialog, "btnOK")->click();
    EXPECT_EQ(shown, (QList<QString>{QStringLiteral("Napaka"),
                                     QStringLiteral("Določene morajo biti vse podatkovne baze.")}));
}

TEST_F(SlovenianTexts, ConnectionPrompt) {
    QList<QString> shown;
    TDlgVIDataLink dialog;
    dialog.SetMessageBox([&](QWidget *, QMessageBox::Icon, const QString &caption,
                             const QString &text) { shown << caption << text; });
    dialog.SetConnectionOpener([](const QString &) { throw Exception(QStringLiteral("nope")); });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Lastnosti podatkovne povezave"));
    EXPECT_EQ(Child<QGroupBox>(dialog, "gbxLogon")->title(), QStringLiteral("Prijava v strežnik"));
    EXPECT_EQ(Child<QCheckBox>(dialog, "chkAllowSaving")->text(),
              QStringLiteral("D&ovoli shranjevanje gesla"));

    Child<QPushButton>(dialog, "btnTestConnection")->click();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], QStringLiteral("Preizkus povezave"));
    // The catalogue's line break may come back as CR LF.
    EXPECT_TRUE(shown[1].startsWith(QStringLiteral("Preizkus povezave ni uspel:")) &&
                shown[1].endsWith(QStringLiteral("\nnope")))
        << shown[1].toStdString();
}

// An unreadable catalogue: both windows report the failure through the program's report and
// open all the same.
TEST(OptionsTranslationFailure, ReportedAndTheDialogsStillOpen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + QStringLiteral("/locale/");
    const QString mo = testcat::MoPath(folder, QStringLiteral("de"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(mo).absolutePath()));
    QFile junk(mo);
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("junk");
    junk.close();
    SetProcessTranslation(std::make_unique<TranslationState>(folder, QStringLiteral("de_DE")));

    QStringList reported;
    bool optionsShown = false;
    bool promptShown = false;
    WhenShown<TDlgVIOptions>([&](TDlgVIOptions *d) {
        optionsShown = true;
        WhenShown<TDlgVIDataLink>([&](TDlgVIDataLink *p) {
            promptShown = true;
            p->reject();
            d->reject();
        });
        d->actSelectDBVantrelMainExecute(); // the platform's prompt: our own dialog here
    });
    RecordingStoredValues values;
    EXPECT_FALSE(TDlgVIOptions::Execute(nullptr, values,
                                        [&](const QString &message) { reported << message; }));
    SetProcessTranslation(
        std::make_unique<TranslationState>(DefaultCatalogueFolder(), QStringLiteral("en")));

    EXPECT_TRUE(optionsShown);
    EXPECT_TRUE(promptShown);
    ASSERT_EQ(reported.size(), 2) << reported.join(QStringLiteral(" | ")).toStdString();
    for (const QString &message : reported)
        EXPECT_TRUE(message.startsWith(QStringLiteral("Property cannot be translated.")))
            << message.toStdString();
}
