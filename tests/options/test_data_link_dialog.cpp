// Our own connection prompt: the strings it builds, editing, and Test Connection.
#include "OptionsTestUtil.h"

#include "options/uDlgVIDataLink.h"
#include "tests/common/LoopbackPort.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

struct ShownBox {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
};

class DataLinkDialogTest : public ::testing::Test {
protected:
    DataLinkDialogTest() {
        dialog.SetMessageBox(
            [this](QWidget *, QMessageBox::Icon icon, const QString &caption, const QString &text) {
                boxes.append({icon, caption, text});
            });
    }
    template <typename T> T *Get(const char *name) {
        T *w = dialog.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void ChooseProvider(const char *progId) {
        auto *combo = Get<QComboBox>("cmbProvider");
        combo->setCurrentIndex(combo->findData(QString::fromLatin1(progId)));
    }

    TDlgVIDataLink dialog;
    QList<ShownBox> boxes;
};

} // namespace

TEST_F(DataLinkDialogTest, BuildsBothAuthenticationKinds) {
    ChooseProvider("SQLOLEDB");
    Get<QLineEdit>("edtServer")->setText(QStringLiteral("db.example,1433"));
    Get<QLineEdit>("edtDatabase")->setText(QStringLiteral("Tallyhouse7"));
    Get<QRadioButton>("rbIntegrated")->click();
    EXPECT_FALSE(Get<QLineEdit>("edtUserName")->isEnabled());
    EXPECT_EQ(dialog.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Integrated Security=SSPI;Persist Security "
                             "Info=False;Initial Catalog=Tallyhouse7;Data Source=db.example,1433"));

    Get<QRadioButton>("rbSqlServer")->click();
    EXPECT_TRUE(Get<QLineEdit>("edtUserName")->isEnabled());
    Get<QLineEdit>("edtUserName")->setText(QStringLiteral("sa"));
    Get<QLineEdit>("edtPassword")->setText(QStringLiteral("secret"));
    Get<QCheckBox>("chkAllowSaving")->setChecked(true);
    Get<QCheckBox>("chkEncrypt")->setChecked(true);
    EXPECT_EQ(dialog.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Password=secret;Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=Tallyhouse7;Data Source=db.example,1433;"
                             "Use Encryption for Data=True"));

    ChooseProvider("MSDASQL");
    EXPECT_FALSE(Get<QRadioButton>("rbIntegrated")->isEnabled());
    Get<QRadioButton>("rbOdbcString")->click();
    Get<QLineEdit>("edtOdbcString")->setText(QStringLiteral("DSN=vantrel;"));
    EXPECT_EQ(dialog.ConnectionString(),
              QStringLiteral("Provider=MSDASQL;Password=secret;Persist Security Info=True;"
                             "User ID=sa;Initial Catalog=Tallyhouse7;"
                             "Extended Properties=\"DSN=vantrel;\""));
}

TEST_F(DataLinkDialogTest, EditingKeepsUnknownKeywordsAndTheProviderAsWritten) {
    dialog.SetFields(ParseOleDbConnectionFields(
        QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                       "Initial Catalog=Vantrel;Data Source=old;Workstation ID=PC7;"
                       "Application Name=\"a;b\"")));
    EXPECT_EQ(Get<QComboBox>("cmbProvider")->currentData().toString(), QStringLiteral("SQLOLEDB"));
    EXPECT_TRUE(Get<QRadioButton>("rbSqlServer")->isChecked());
    EXPECT_EQ(Get<QLineEdit>("edtUserName")->text(), QStringLiteral("sa"));
    Get<QLineEdit>("edtServer")->setText(QStringLiteral("new"));
    EXPECT_EQ(dialog.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                             "Initial Catalog=Vantrel;Data Source=new;Workstation ID=PC7;"
                             "Application Name=\"a;b\""));

    // A provider we do not list is kept under its own name.
    dialog.SetFields(
        ParseOleDbConnectionFields(QStringLiteral("Provider=SQLNCLI10;Data Source=s")));
    EXPECT_TRUE(dialog.ConnectionString().startsWith(QStringLiteral("Provider=SQLNCLI10;")));
}

TEST_F(DataLinkDialogTest, TestConnectionUsesTheEnteredPasswordAndReportsSuccess) {
    QStringList opened;
    dialog.SetConnectionOpener([&](const QString &s) { opened.append(s); });
    Get<QLineEdit>("edtServer")->setText(QStringLiteral("s"));
    Get<QRadioButton>("rbSqlServer")->click();
    Get<QLineEdit>("edtUserName")->setText(QStringLiteral("sa"));
    Get<QLineEdit>("edtPassword")->setText(QStringLiteral("pw"));
    Get<QPushButton>("btnTestConnection")->click();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].contains(QStringLiteral("Password=pw"))) << opened[0].toStdString();
    EXPECT_FALSE(dialog.ConnectionString().contains(QStringLiteral("Password")));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Test connection succeeded."));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DataLinkDialogTest, TestConnectionAgainstAClosedLoopbackPortReportsTheProvider) {
    const quint16 port = ClosedLoopbackPort();
    ChooseProvider("SQLOLEDB");
    Get<QLineEdit>("edtServer")->setText(QStringLiteral("127.0.0.1,%1").arg(port));
    Get<QRadioButton>("rbSqlServer")->click();
    Get<QLineEdit>("edtUserName")->setText(QStringLiteral("sa"));
    Get<QLineEdit>("edtPassword")->setText(QStringLiteral("pw"));
    Get<QLineEdit>("edtDatabase")->setText(QStringLiteral("master"));

    QElapsedTimer clock;
    clock.start();
    Get<QPushButton>("btnTestConnection")->click();
    const qint64 elapsed = clock.elapsed();

    EXPECT_LT(elapsed, 11000) << "longer than the login time-out";
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("Test Connection"));
    const QString prefix = QStringLiteral("Test connection failed:\n");
    ASSERT_TRUE(boxes[0].text.startsWith(prefix)) << boxes[0].text.toStdString();
    EXPECT_GT(boxes[0].text.size(), prefix.size() + 5) << "the provider's message is missing";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    std::printf("Test Connection to 127.0.0.1,%u failed after %lld ms: %s\n", unsigned(port),
                static_cast<long long>(elapsed), qPrintable(boxes[0].text.mid(prefix.size())));
}
