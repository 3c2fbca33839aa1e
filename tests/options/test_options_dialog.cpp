// The Options dialog: filling, the download controls, Select..., the check on OK and writing.
#include "OptionsTestUtil.h"

#include "options/Anchors.h"
#include "options/DialogSupport.h"
#include "options/WholeNumberEdit.h"
#include "options/uDlgVIOptions.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct ShownBox {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};

class OptionsDialogTest : public ::testing::Test {
protected:
    OptionsDialogTest()
        : script(std::make_shared<PromptScript>()),
          dialog(nullptr, std::make_unique<FakePrompt>(script)) {
        dialog.SetMessageBox(
            [this](QWidget *, QMessageBox::Icon icon, const QString &caption, const QString &text) {
                boxes.append({icon, caption, text});
            });
        values.WriteStoredValue(QStringLiteral("ConnStrVantrelMain"), QStringLiteral("main"));
        values.WriteStoredValue(QStringLiteral("ConnStrVantrelEvents"), QStringLiteral("events"));
        values.WriteStoredValue(QStringLiteral("ConnStrTH7"), QStringLiteral("th7"));
        values.writes.clear();
    }

    template <typename T> T *Get(const char *name) {
        T *w = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QPlainTextEdit *Memo(const char *name) { return Get<QPlainTextEdit>(name); }

    std::shared_ptr<PromptScript> script;
    TDlgVIOptions dialog;
    RecordingStoredValues values;
    QList<ShownBox> boxes;
};

} // namespace

TEST_F(OptionsDialogTest, DesignNamesTextsAndPositions) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("VantrelImport Options"));
    EXPECT_EQ(dialog.size(), QSize(377, 368));
    auto *pag = Get<QTabWidget>("pag");
    ASSERT_EQ(pag->count(), 3);
    EXPECT_EQ(pag->tabText(0), QStringLiteral("Vantrel"));
    EXPECT_EQ(pag->tabText(1), QStringLiteral("Harrowby"));
    EXPECT_EQ(pag->tabText(2), QStringLiteral("Download"));
    EXPECT_EQ(pag->currentIndex(), 0);
    EXPECT_EQ(Get<QPushButton>("btnOK")->geometry(), QRect(217, 339, 75, 25));
    EXPECT_EQ(Get<QPushButton>("btnCancel")->geometry(), QRect(298, 339, 75, 25));
    EXPECT_TRUE(Get<QPushButton>("btnOK")->isDefault());
    for (const char *name : {"btnSelectDBMain", "btnSelectDBEvents", "btnSelectDB"})
        EXPECT_EQ(Get<QPushButton>(name)->text(), QStringLiteral("Select..."));
    EXPECT_EQ(Get<QCheckBox>("chkShowSysTrayInfo")->text(),
              QStringLiteral("Show informations in systray"));
    auto *minutes = Get<TWholeNumberEdit>("edtMinutes");
    EXPECT_EQ(minutes->text(), QStringLiteral("1"));
    EXPECT_FALSE(minutes->isEnabled());
    EXPECT_EQ(minutes->geometry(), QRect(87, 27, 49, 21));

    // Tab order: OK, Cancel, the pages.
    EXPECT_EQ(Get<QPushButton>("btnOK")->nextInFocusChain(), Get<QPushButton>("btnCancel"));
    EXPECT_EQ(Get<QPushButton>("btnCancel")->nextInFocusChain(), pag);
}

TEST_F(OptionsDialogTest, DownloadAutoEnablesTheFrequencyControls) {
    values.WriteStoredValue(QStringLiteral("DownloadAuto"), false);
    dialog.Fill(values);
    auto *check = Get<QCheckBox>("chkDownloadAuto");
    QWidget *controls[] = {Get<QLabel>("lblFrequency"), Get<TWholeNumberEdit>("edtMinutes"),
                           Get<QLabel>("lblminutes")};
    EXPECT_FALSE(check->isChecked());
    for (QWidget *w : controls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    check->click();
    for (QWidget *w : controls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    check->click();
    for (QWidget *w : controls)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();

    values.WriteStoredValue(QStringLiteral("DownloadAuto"), true);
    dialog.Fill(values);
    for (QWidget *w : controls)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(OptionsDialogTest, StoredPeriodOutsideTheBoundsShowsClamped) {
    values.WriteStoredValue(QStringLiteral("DownloadTime"), 0);
    dialog.Fill(values);
    EXPECT_EQ(Get<TWholeNumberEdit>("edtMinutes")->text(), QStringLiteral("1"));
    dialog.Store(values);
    EXPECT_EQ(values.ReadStoredValue(QStringLiteral("DownloadTime")), QVariant(1));

    values.WriteStoredValue(QStringLiteral("DownloadTime"), qint64(5000000000));
    dialog.Fill(values);
    EXPECT_EQ(Get<TWholeNumberEdit>("edtMinutes")->text(), QStringLiteral("999999"));
}

TEST_F(OptionsDialogTest, StoreWritesTheSixValuesInOrderAndKind) {
    values.WriteStoredValue(QStringLiteral("DownloadAuto"), true);
    values.WriteStoredValue(QStringLiteral("DownloadTime"), 30);
    values.WriteStoredValue(QStringLiteral("SysTrayShowInfo"), false);
    dialog.Fill(values);
    values.writes.clear();
    Get<TWholeNumberEdit>("edtMinutes")->setText(QStringLiteral("+45")); // as typed, uncommitted
    Memo("mmoHarrowbyDB")->setPlainText(QStringLiteral("Provider=X;\r\nData Source=Y\n"));

    dialog.Store(values);
    ASSERT_EQ(values.writes.size(), 6);
    const struct {
        const char *name;
        QVariant value;
    } expected[] = {
        {"DownloadAuto", true},
        {"DownloadTime", 45},
        {"ConnStrVantrelMain", QStringLiteral("main")},
        {"ConnStrVantrelEvents", QStringLiteral("events")},
        {"ConnStrTH7", QStringLiteral("Provider=X;Data Source=Y")}, // line breaks removed
        {"SysTrayShowInfo", false},
    };
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(values.writes[i].name, QString::fromLatin1(expected[i].name));
        EXPECT_EQ(values.writes[i].value, expected[i].value) << expected[i].name;
        EXPECT_EQ(values.writes[i].value.typeId(), expected[i].value.typeId()) << expected[i].name;
    }
}

TEST_F(OptionsDialogTest, OkWithAnEmptyFieldShowsTheMessageAndStaysOpen) {
    dialog.Fill(values);
    dialog.show();
    auto *pag = Get<QTabWidget>("pag");
    pag->setCurrentIndex(1);
    Memo("mmoHarrowbyDB")->clear();
    Memo("mmoVantrelDBEvents")->setPlainText(QStringLiteral("edited"));
    Get<QPushButton>("btnOK")->click();

    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].text, QStringLiteral("All databases must be defined."));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_EQ(pag->currentIndex(), 1);
    EXPECT_EQ(Memo("mmoVantrelDBEvents")->toPlainText(), QStringLiteral("edited"));
    EXPECT_TRUE(values.writes.isEmpty());

    // Each field is checked, in any position.
    for (const char *name : {"mmoVantrelDBMain", "mmoVantrelDBEvents"}) {
        Memo("mmoHarrowbyDB")->setPlainText(QStringLiteral("th7"));
        const QString kept = Memo(name)->toPlainText();
        Memo(name)->clear();
        Get<QPushButton>("btnOK")->click();
        EXPECT_TRUE(dialog.isVisible()) << name;
        Memo(name)->setPlainText(kept);
    }
    EXPECT_EQ(boxes.size(), 3);

    // A blank or a line break alone counts as defined.
    Memo("mmoVantrelDBMain")->setPlainText(QStringLiteral(" "));
    Memo("mmoVantrelDBEvents")->setPlainText(QStringLiteral("\n"));
    Get<QPushButton>("btnOK")->click();
    EXPECT_EQ(boxes.size(), 3);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    dialog.Store(values);
    EXPECT_EQ(values.ReadStoredValue(QStringLiteral("ConnStrVantrelMain")), QStringLiteral(" "));
    EXPECT_EQ(values.ReadStoredValue(QStringLiteral("ConnStrVantrelEvents")), QString());
}

TEST_F(OptionsDialogTest, TheRealMessageBoxIsAStopBoxOwnedByTheDialog) {
    TDlgVIOptions plain(nullptr, std::make_unique<FakePrompt>(script));
    plain.show();
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QWidget *boxParent = nullptr;
    WhenShown<QMessageBox>([&](QMessageBox *box) {
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        boxParent = box->parentWidget();
        box->accept();
    });
    auto *events = plain.findChild<QPlainTextEdit *>(QStringLiteral("mmoVantrelDBEvents"));
    events->setFocus();
    plain.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    EXPECT_EQ(plain.focusWidget(), events) << "the dialog keeps its focus";
    EXPECT_EQ(caption, QStringLiteral("Error"));
    EXPECT_EQ(text, QStringLiteral("All databases must be defined."));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(boxParent, &plain);
    EXPECT_TRUE(plain.isVisible());
}

TEST_F(OptionsDialogTest, SelectPromptsNewOrEditAndKeepsTheFieldOnCancel) {
    dialog.Fill(values);
    Memo("mmoVantrelDBEvents")->clear();

    Get<QPushButton>("btnSelectDBEvents")->click();
    EXPECT_EQ(script->newCalls, 1);
    EXPECT_EQ(script->editCalls, 0);
    EXPECT_EQ(script->parent, &dialog);
    EXPECT_EQ(Memo("mmoVantrelDBEvents")->toPlainText(), script->give);

    Memo("mmoVantrelDBMain")->setPlainText(QStringLiteral("Provider=A;\nData Source=B"));
    script->give = QStringLiteral("Provider=A;Data Source=C");
    Get<QPushButton>("btnSelectDBMain")->click();
    EXPECT_EQ(script->editCalls, 1);
    EXPECT_EQ(script->editStart, QStringLiteral("Provider=A;\nData Source=B"));
    EXPECT_EQ(Memo("mmoVantrelDBMain")->toPlainText(), QStringLiteral("Provider=A;Data Source=C"));

    script->answer = PromptScript::Answer::Cancel;
    Get<QPushButton>("btnSelectDB")->click();
    EXPECT_EQ(script->editCalls, 2);
    EXPECT_EQ(Memo("mmoHarrowbyDB")->toPlainText(), QStringLiteral("th7"));
    EXPECT_TRUE(dialog.Locator()->ConnectionString().isEmpty());

    Memo("mmoHarrowbyDB")->clear();
    Get<QPushButton>("btnSelectDB")->click();
    EXPECT_EQ(script->newCalls, 2);
    EXPECT_EQ(Memo("mmoHarrowbyDB")->toPlainText(), QString());
}

TEST_F(OptionsDialogTest, APromptFailureIsReportedAndLeavesTheField) {
    QStringList reported;
    SetErrorReporterOf(&dialog, [&](const QString &message) { reported << message; });
    dialog.Fill(values);
    script->answer = PromptScript::Answer::Confirm;
    dialog.actSelectDBVantrelMainExecute();
    ASSERT_FALSE(dialog.Locator()->ConnectionString().isEmpty());

    script->answer = PromptScript::Answer::Throw;
    const QString before = Memo("mmoVantrelDBMain")->toPlainText();
    // The button's click goes through Qt's own frames: nothing may come out of it.
    EXPECT_NO_THROW(Get<QPushButton>("btnSelectDBMain")->click());
    EXPECT_EQ(reported, QStringList{QStringLiteral("Class not registered")});
    EXPECT_EQ(Memo("mmoVantrelDBMain")->toPlainText(), before);
    EXPECT_TRUE(dialog.Locator()->ConnectionString().isEmpty())
        << "an earlier result must not survive a failed prompt";
}

TEST(OptionsExecute, CancelWritesNothingAndOkWritesSix) {
    RecordingStoredValues values;
    for (const char *name : {"ConnStrVantrelMain", "ConnStrVantrelEvents", "ConnStrTH7"})
        values.WriteStoredValue(QString::fromLatin1(name), QStringLiteral("x"));
    values.writes.clear();

    WhenShown<TDlgVIOptions>([](TDlgVIOptions *d) {
        d->findChild<QPlainTextEdit *>(QStringLiteral("mmoVantrelDBMain"))->setPlainText("y");
        d->findChild<QCheckBox *>(QStringLiteral("chkDownloadAuto"))->setChecked(false);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(TDlgVIOptions::Execute(nullptr, values));
    EXPECT_TRUE(values.writes.isEmpty());

    WhenShown<TDlgVIOptions>([](TDlgVIOptions *d) { d->reject(); });
    EXPECT_FALSE(TDlgVIOptions::Execute(nullptr, values));
    EXPECT_TRUE(values.writes.isEmpty());

    // OK without changes writes the six values all the same.
    WhenShown<TDlgVIOptions>(
        [](TDlgVIOptions *d) { d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click(); });
    EXPECT_TRUE(TDlgVIOptions::Execute(nullptr, values));
    ASSERT_EQ(values.writes.size(), 6);
    EXPECT_EQ(values.writes[0].value, QVariant(true));
    EXPECT_EQ(values.writes[1].value, QVariant(15));
    EXPECT_EQ(values.writes[2].value, QVariant(QStringLiteral("x")));
}

TEST(Anchors, EdgesKeepTheirDistanceFromTheParent) {
    const QSize design(100, 80), now(130, 100);
    const QRect r(10, 20, 30, 40); // right gap 60, bottom gap 20
    EXPECT_EQ(AnchoredRect(r, akLeftTop, design, now), r);
    EXPECT_EQ(AnchoredRect(r, akLeftTopRight, design, now), QRect(10, 20, 60, 40));
    EXPECT_EQ(AnchoredRect(r, akRight | akBottom, design, now), QRect(40, 40, 30, 40));
    EXPECT_EQ(AnchoredRect(r, akAll, design, now), QRect(10, 20, 60, 60));
}

TEST(Anchors, TheOptionsPagesStretchTheirGroupsAndMoveTheButtons) {
    TDlgVIOptions dialog(nullptr, std::make_unique<FakePrompt>(std::make_shared<PromptScript>()));
    dialog.show();
    auto *page = dialog.findChild<QWidget *>(QStringLiteral("tabVantrel"));
    auto *group = dialog.findChild<QWidget *>(QStringLiteral("gbxVantrelMainDB"));
    auto *memo = dialog.findChild<QWidget *>(QStringLiteral("mmoVantrelDBMain"));
    auto *select = dialog.findChild<QWidget *>(QStringLiteral("btnSelectDBMain"));
    ASSERT_TRUE(page && group && memo && select);
    // Designed on a 363 pixel wide page: 4 pixels to the right of the group.
    EXPECT_EQ(group->geometry().right() + 1, page->width() - 4);
    EXPECT_EQ(memo->geometry().right() + 1, group->width() - 9);
    EXPECT_EQ(select->geometry().right() + 1, group->width() - 10);
    EXPECT_EQ(select->y(), 111);
}
