// Where the platform has no data-link dialog, the locator shows ours, modal to its parent.
#include "OptionsTestUtil.h"

#include "options/uDlgVIDataLink.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

TEST(DataSourceLocatorPosix, ShowsOurPromptModalToTheParent) {
    QWidget parent;
    parent.show();
    TDataSourceLocator dl;

    QWidget *seenParent = nullptr;
    bool modal = false;
    WhenShown<TDlgVIDataLink>([&](TDlgVIDataLink *d) {
        seenParent = d->parentWidget();
        modal = d->isModal();
        d->findChild<QLineEdit *>(QStringLiteral("edtServer"))->setText(QStringLiteral("srv"));
        d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    });
    ASSERT_TRUE(dl.PromptNew(&parent));
    EXPECT_EQ(seenParent, &parent);
    EXPECT_TRUE(modal);
    EXPECT_EQ(dl.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Persist Security Info=False;Data Source=srv"));

    // Editing starts from the string; cancelling gives false and empties the result.
    QString shownServer;
    WhenShown<TDlgVIDataLink>([&](TDlgVIDataLink *d) {
        shownServer = d->findChild<QLineEdit *>(QStringLiteral("edtServer"))->text();
        d->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
    });
    EXPECT_FALSE(dl.PromptEdit(&parent, QStringLiteral("Provider=SQLOLEDB;Data Source=old;X=1")));
    EXPECT_EQ(shownServer, QStringLiteral("old"));
    EXPECT_TRUE(dl.ConnectionString().isEmpty());

    WhenShown<TDlgVIDataLink>([&](TDlgVIDataLink *d) {
        d->findChild<QRadioButton *>(QStringLiteral("rbIntegrated"))->click();
        d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    });
    ASSERT_TRUE(dl.PromptEdit(&parent, QStringLiteral("Provider=SQLOLEDB;Data Source=old;X=1")));
    EXPECT_EQ(dl.ConnectionString(),
              QStringLiteral("Provider=SQLOLEDB;Integrated Security=SSPI;Persist Security "
                             "Info=False;Data Source=old;X=1"));
}
