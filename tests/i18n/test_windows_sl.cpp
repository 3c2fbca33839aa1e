// Each window built under the shipped Slovenian catalogue keeps no English text of its design.

#include "app/uDlgVIAbout.h"
#include "app/uVantrelForm.h"
#include "i18n/CatalogueTranslator.h"
#include "i18n/ExclusionRegistry.h"
#include "i18n/TextLookup.h"
#include "i18n/TranslationState.h"
#include "log/uDlgVILogDetails.h"
#include "options/uDlgVIDataLink.h"
#include "options/uDlgVIOptions.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMessageBox>
#include <QMetaProperty>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Texts that read the same in Slovenian: names, placeholders and numbers.
const QSet<QString> kSameInBothLanguages = {
    QStringLiteral("VantrelImport"), QStringLiteral("Vantrel"), QStringLiteral("Harrowby"),
    QStringLiteral("XXX"),
    // Product names of the database providers.
    QStringLiteral("Microsoft OLE DB Driver for SQL Server"),
    QStringLiteral("SQL Server Native Client 11.0"),
    QStringLiteral("Microsoft OLE DB Provider for SQL Server"),
    QStringLiteral("Microsoft OLE DB Provider for ODBC Drivers")};

const QSet<QString> kTechnicalProperties = {QStringLiteral("objectName"),
                                            QStringLiteral("styleSheet")};

// Every user-visible text of a window by where it sits: object path and property.
using Texts = QMap<QString, QString>;

void Collect(QObject *object, const QString &path, Texts &texts, QSet<QObject *> &seen) {
    // A memo's document as markup: the memo's own text stands for it.
    if (!object || seen.contains(object) || object->inherits("QWidgetTextControl"))
        return;
    seen.insert(object);
    const QMetaObject *meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (p.metaType().id() != QMetaType::QString || !p.isWritable() ||
            kTechnicalProperties.contains(QString::fromLatin1(p.name())))
            continue;
        const QString value = p.read(object).toString();
        if (!value.isEmpty())
            texts.insert(path + QLatin1Char('.') + QString::fromLatin1(p.name()), value);
    }
    if (auto *tabs = qobject_cast<QTabBar *>(object))
        for (int i = 0; i < tabs->count(); ++i)
            texts.insert(path + QStringLiteral(".tab%1").arg(i), tabs->tabText(i));
    if (auto *combo = qobject_cast<QComboBox *>(object))
        for (int i = 0; i < combo->count(); ++i)
            texts.insert(path + QStringLiteral(".item%1").arg(i), combo->itemText(i));
    if (auto *view = qobject_cast<QAbstractItemView *>(object); view && view->model())
        for (int c = 0; c < view->model()->columnCount(); ++c)
            texts.insert(path + QStringLiteral(".header%1").arg(c),
                         view->model()->headerData(c, Qt::Horizontal).toString());
    if (auto *widget = qobject_cast<QWidget *>(object))
        for (QAction *action : widget->actions())
            Collect(action, path + QStringLiteral("/action:") + action->objectName(), texts, seen);
    if (auto *tray = qobject_cast<QSystemTrayIcon *>(object))
        Collect(tray->contextMenu(), path + QStringLiteral("/menu"), texts, seen);
    int index = 0;
    for (QObject *child : object->children())
        Collect(child,
                path + QLatin1Char('/') + QString::fromLatin1(child->metaObject()->className()) +
                    QLatin1Char(':') + child->objectName() + QLatin1Char('#') +
                    QString::number(index++),
                texts, seen);
}

Texts TextsOf(QObject *window) {
    Texts texts;
    QSet<QObject *> seen;
    Collect(window, QStringLiteral("window"), texts, seen);
    return texts;
}

class SlovenianWindows : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The program's exclusions, as start-up registers them.
        static bool registered = false;
        if (!registered)
            RegisterProgramExclusions();
        registered = true;
    }
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFileInfo::exists(DefaultCatalogueFolder() +
                                      QStringLiteral("sl/LC_MESSAGES/default.mo")))
            << "the Slovenian catalogue is built beside the test";
    }
    void TearDown() override { UseLanguage(QStringLiteral("C")); }

    static void UseLanguage(const QString &code) {
        SetProcessTranslation(std::make_unique<TranslationState>(DefaultCatalogueFolder(), code));
    }

    // Builds the window once in English and once in Slovenian and compares every text.
    void ExpectTranslated(const std::function<std::unique_ptr<QWidget>()> &make) {
        UseLanguage(QStringLiteral("C"));
        const Texts english = TextsOf(make().get());
        UseLanguage(QStringLiteral("sl_SI"));
        const auto window = make();
        EXPECT_EQ(ProcessTranslation().CurrentStatus(), TranslationState::Status::Open);
        const Texts slovenian = TextsOf(window.get());
        ASSERT_FALSE(english.isEmpty());
        for (auto it = english.cbegin(); it != english.cend(); ++it) {
            // Names and placeholders read alike; numbers and versions have no words.
            if (kSameInBothLanguages.contains(it.value()) ||
                !it.value().contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
                continue;
            ASSERT_TRUE(slovenian.contains(it.key())) << it.key().toStdString();
            EXPECT_NE(slovenian.value(it.key()), it.value())
                << "left in English: " << it.key().toStdString() << " = \""
                << it.value().toStdString() << "\"";
        }
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(SlovenianWindows, MainWindow) {
    ExpectTranslated([this] {
        VantrelFormSetup setup;
        setup.settingsFileName = m_dir.filePath(QStringLiteral("settings.ini"));
        setup.trayAvailable = [] { return false; };
        setup.runImport = [] {};
        auto form = std::make_unique<TfVantrelForm>(setup);
        // The status labels as the first show sets them.
        form->RefreshStatusLabels();
        return form;
    });
}

TEST_F(SlovenianWindows, OptionsDialog) {
    ExpectTranslated([] { return std::make_unique<TDlgVIOptions>(); });
}

TEST_F(SlovenianWindows, ConnectionStringPrompt) {
    ExpectTranslated([] { return std::make_unique<TDlgVIDataLink>(); });
}

TEST_F(SlovenianWindows, LogDetailsDialog) {
    ExpectTranslated([] { return std::make_unique<TDlgVILogDetails>(nullptr); });
}

TEST_F(SlovenianWindows, AboutDialog) {
    ExpectTranslated([] {
        return std::make_unique<TDlgVIAbout>(nullptr, FileVersion{1, 0, 0, 0});
    });
}

TEST_F(SlovenianWindows, TextsLookedUpByCode) {
    UseLanguage(QStringLiteral("sl_SI"));
    // Every text the program looks up in code, and Qt's own texts that its windows show.
    for (const char *key : {"Starting download",
                            "%d new persons imported",
                            "%d new MediaIDs assigned",
                            "%d new registrations imported",
                            "Download finished",
                            "Information",
                            "Error",
                            "VantrelImport is still active.",
                            "Yes",
                            "No",
                            "%d minute(s)",
                            "All databases must be defined.",
                            "!!! ERROR !!! ",
                            "! WARNING ! ",
                            "%d persons or MediaIDs could not be written. First error: %s",
                            "%d registrations could not be written. First error: %s",
                            "Bad MediaID length. Should be 8, 14 or 16 characters.",
                            "Time",
                            "Event description",
                            "Test Connection",
                            "Test connection succeeded.",
                            "Test connection failed:\n%s",
                            "OK",
                            "Cancel",
                            "&Undo",
                            "&Redo",
                            "Cu&t",
                            "&Copy",
                            "&Paste",
                            "Delete",
                            "Select All"}) {
        const QString english = QString::fromUtf8(key);
        const QString translated = TextLookup(english);
        EXPECT_NE(translated, english) << key;
        // A translation keeps the placeholders of its key, in order.
        static const QRegularExpression placeholder(QStringLiteral("%[ds]"));
        QStringList keyMarks, translatedMarks;
        for (const auto &m : placeholder.globalMatch(english))
            keyMarks << m.captured();
        for (const auto &m : placeholder.globalMatch(translated))
            translatedMarks << m.captured();
        EXPECT_EQ(keyMarks, translatedMarks) << key;
        EXPECT_EQ(english.endsWith(QLatin1Char(' ')), translated.endsWith(QLatin1Char(' '))) << key;
    }
}

TEST_F(SlovenianWindows, ToolkitTextsThroughTheTranslator) {
    UseLanguage(QStringLiteral("sl_SI"));
    CatalogueTranslator translator;
    ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("x"), QStringLiteral("y"),
                    QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("V redu"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Prekliči"));
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_TRUE(menu->actions().first()->text().startsWith(QStringLiteral("&Razveljavi")))
        << menu->actions().first()->text().toStdString();
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    QCoreApplication::removeTranslator(&translator);
}
