#include "log/LogView.h"
#include "log/uDlgVILogDetails.h"
#include "settings/StoredValues.h"

#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(LogDetailsDialog, LayoutAndTexts) {
    TDlgVILogDetails dlg(nullptr);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Log details"));
    EXPECT_EQ(dlg.size(), QSize(271, 148));
    EXPECT_EQ(dlg.lblLogDateTime->pos(), QPoint(6, 6));
    EXPECT_EQ(dlg.lblLogDateTime->text(), QStringLiteral("XXX")); // until the time is set
    EXPECT_EQ(dlg.mmoLogDetails->geometry(), QRect(6, 24, 259, 89));
    EXPECT_EQ(dlg.mmoLogDetails->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(dlg.btnOK->geometry(), QRect(192, 119, 75, 25));
    EXPECT_EQ(dlg.btnOK->text(), QStringLiteral("OK"));
    EXPECT_TRUE(dlg.btnOK->isDefault());
}

TEST(LogDetailsDialog, ExecuteShowsTheRowAndOkCloses) {
    QWidget owner;
    QString shownTime, shownText;
    bool ownedByOwner = false;
    QTimer::singleShot(0, [&] {
        auto *dlg = owner.findChild<TDlgVILogDetails *>();
        ASSERT_NE(dlg, nullptr);
        ownedByOwner = dlg->parentWidget() == &owner;
        shownTime = dlg->lblLogDateTime->text();
        shownText = dlg->mmoLogDetails->toPlainText();
        dlg->btnOK->click();
    });
    TDlgVILogDetails::Execute(&owner, QStringLiteral("2013-01-26 16:37:05"),
                              QStringLiteral("!!! ERROR !!! Login failed"));
    EXPECT_TRUE(ownedByOwner);
    EXPECT_EQ(shownTime, QStringLiteral("2013-01-26 16:37:05"));
    EXPECT_EQ(shownText, QStringLiteral("!!! ERROR !!! Login failed"));
    EXPECT_EQ(owner.findChild<TDlgVILogDetails *>(), nullptr); // released
}

TEST(LogView, ReportStyleReadOnlyWholeRows) {
    StoredValueTable values;
    ActivityLog log(values);
    LogView view;
    view.SetLog(&log, 114, 280);
    EXPECT_EQ(view.header()->sectionSize(0), 114);
    EXPECT_EQ(view.header()->sectionSize(1), 280);
    EXPECT_FALSE(view.header()->sectionsClickable());
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(view.palette().color(QPalette::Inactive, QPalette::Highlight),
              view.palette().color(QPalette::Active, QPalette::Highlight));

    EXPECT_EQ(view.SelectedRow(), -1);
    log.AddLogEntry(QStringLiteral("a"), LogEntryKind::Information);
    log.AddLogEntry(QStringLiteral("b"), LogEntryKind::Information);
    view.selectionModel()->select(log.index(1, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(view.SelectedRow(), 1);
}

TEST(LogView, DoubleClickAnywhereIsReported) {
    StoredValueTable values;
    ActivityLog log(values);
    LogView view;
    view.SetLog(&log, 114, 280);
    view.resize(424, 232);
    view.show();
    log.AddLogEntry(QStringLiteral("a"), LogEntryKind::Information);
    QSignalSpy clicks(&view, &LogView::DoubleClicked);
    // Below the only row: empty space.
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(50, 200));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(view.SelectedRow(), -1);
    const QRect row = view.visualRect(log.index(0, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(view.SelectedRow(), 0);
}
