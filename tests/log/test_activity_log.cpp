#include "log/ActivityLog.h"
#include "settings/StoredValues.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

QDateTime At(int h, int m, int s) {
    return QDateTime(QDate(2013, 1, 26), QTime(h, m, s));
}

} // namespace

TEST(ActivityLog, RowTextsByKind) {
    StoredValueTable values;
    QDateTime now = At(16, 37, 5);
    ActivityLog log(values, [&] { return now; });

    EXPECT_EQ(log.AddLogEntry(QStringLiteral("3 new persons imported"), LogEntryKind::Information),
              0);
    now = At(9, 5, 7);
    log.AddLogEntry(QStringLiteral("Login failed"), LogEntryKind::Error);
    log.AddLogEntry(QStringLiteral("Slow server"), LogEntryKind::Warning);

    ASSERT_EQ(log.rowCount(), 3);
    EXPECT_EQ(log.Rows()[0].time, QStringLiteral("2013-01-26 16:37:05"));
    EXPECT_EQ(log.Rows()[0].description, QStringLiteral("3 new persons imported"));
    EXPECT_EQ(log.Rows()[1].time, QStringLiteral("2013-01-26 09:05:07"));
    EXPECT_EQ(log.Rows()[1].description, QStringLiteral("!!! ERROR !!! Login failed"));
    EXPECT_EQ(log.Rows()[2].description, QStringLiteral("! WARNING ! Slow server"));

    // The model shows the same texts in its two columns, with the two headers.
    EXPECT_EQ(log.data(log.index(1, ActivityLog::ColTime)).toString(),
              QStringLiteral("2013-01-26 09:05:07"));
    EXPECT_EQ(log.data(log.index(1, ActivityLog::ColDescription)).toString(),
              QStringLiteral("!!! ERROR !!! Login failed"));
    EXPECT_EQ(log.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Time"));
    EXPECT_EQ(log.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Event description"));
    // The headings are design texts: the window's translation writes them once, by property.
    ASSERT_TRUE(log.setProperty("timeHeading", QStringLiteral("Čas")));
    EXPECT_EQ(log.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Čas"));
    EXPECT_EQ(log.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Event description"));
    EXPECT_FALSE(log.flags(log.index(0, 1)) & Qt::ItemIsEditable);
}

TEST(ActivityLog, TrimsToLogLinesMaxDroppingTheOldest) {
    StoredValueTable values; // LogLinesMax 300 by default
    int n = 0;
    ActivityLog log(values, [&] { return At(0, 0, 0).addSecs(n); });
    for (n = 0; n < 300; ++n)
        log.AddLogEntry(QString::number(n), LogEntryKind::Information);
    ASSERT_EQ(log.rowCount(), 300);
    EXPECT_EQ(log.Rows().front().description, QStringLiteral("0"));

    QSignalSpy removed(&log, &QAbstractItemModel::rowsRemoved);
    EXPECT_EQ(log.AddLogEntry(QStringLiteral("300"), LogEntryKind::Information), 299);
    EXPECT_EQ(log.rowCount(), 300);
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(log.Rows().front().description, QStringLiteral("1"));
    EXPECT_EQ(log.Rows().back().description, QStringLiteral("300"));
    EXPECT_EQ(log.Rows().back().time, QStringLiteral("2013-01-26 00:05:00"));

    // A lower limit takes effect at the next entry and trims down to it at once.
    values.WriteStoredValue(QStringLiteral("LogLinesMax"), 10);
    log.AddLogEntry(QStringLiteral("301"), LogEntryKind::Information);
    ASSERT_EQ(log.rowCount(), 10);
    EXPECT_EQ(log.Rows().front().description, QStringLiteral("292"));
}

TEST(ActivityLog, ZeroOrNegativeLimitKeepsTheListEmpty) {
    StoredValueTable values;
    ActivityLog log(values, [] { return At(1, 2, 3); });
    values.WriteStoredValue(QStringLiteral("LogLinesMax"), 0);
    EXPECT_EQ(log.AddLogEntry(QStringLiteral("gone"), LogEntryKind::Error), -1);
    EXPECT_EQ(log.rowCount(), 0);

    values.WriteStoredValue(QStringLiteral("LogLinesMax"), -5);
    EXPECT_EQ(log.AddLogEntry(QStringLiteral("gone too"), LogEntryKind::Information), -1);
    EXPECT_EQ(log.rowCount(), 0);
}
