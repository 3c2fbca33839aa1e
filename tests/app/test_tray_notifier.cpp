#include "app/TrayNotifier.h"
#include "settings/StoredValues.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Call {
    QString title, text;
    BalloonKind kind;
    unsigned delay;
    bool IsHide() const { return title.isEmpty() && text.isEmpty(); }
};

class RecordingSurface : public IBalloonSurface {
public:
    bool CanShowBalloons() const override { return available; }
    void PutBalloon(const QString &title, const QString &text, BalloonKind kind,
                    unsigned delayMs) override {
        calls.push_back({title, text, kind, delayMs});
    }
    bool available = true;
    std::vector<Call> calls;
};

struct NotifierTest : ::testing::Test {
    StoredValueTable values;
    RecordingSurface surface;
    TrayNotifier notifier{values, surface};
};

} // namespace

TEST_F(NotifierTest, InformationOnlyWhenSwitchedOn) {
    notifier.ShowInformationNotification(QStringLiteral("Starting download"));
    ASSERT_FALSE(surface.calls.empty());
    const Call &last = surface.calls.back();
    EXPECT_EQ(last.title, QStringLiteral("Information"));
    EXPECT_EQ(last.text, QStringLiteral("Starting download"));
    EXPECT_EQ(last.kind, BalloonKind::Information);
    EXPECT_EQ(last.delay, 3000u);
    EXPECT_TRUE(notifier.hideTimer.isActive());
    EXPECT_EQ(notifier.hideTimer.interval(), 3000);

    surface.calls.clear();
    values.WriteStoredValue(QStringLiteral("SysTrayShowInfo"), false);
    notifier.ShowInformationNotification(QStringLiteral("Download finished"));
    EXPECT_TRUE(surface.calls.empty());
}

TEST_F(NotifierTest, ErrorAlwaysForFiveSeconds) {
    values.WriteStoredValue(QStringLiteral("SysTrayShowInfo"), false);
    notifier.ShowErrorNotification(QStringLiteral("Login failed"));
    ASSERT_FALSE(surface.calls.empty());
    EXPECT_EQ(surface.calls.back().title, QStringLiteral("Error"));
    EXPECT_EQ(surface.calls.back().kind, BalloonKind::Error);
    EXPECT_EQ(surface.calls.back().delay, 5000u);
    EXPECT_EQ(notifier.hideTimer.interval(), 5000);
    EXPECT_EQ(notifier.ShownBalloonCount(), 1);
}

TEST_F(NotifierTest, EachBalloonTakesDownTheOneBefore) {
    notifier.ShowErrorNotification(QStringLiteral("first"));
    surface.calls.clear();
    notifier.ShowInformationNotification(QStringLiteral("second"));
    // Two removals (count 1, plus one), then the new balloon.
    ASSERT_EQ(surface.calls.size(), 3u);
    EXPECT_TRUE(surface.calls[0].IsHide());
    EXPECT_TRUE(surface.calls[1].IsHide());
    EXPECT_EQ(surface.calls[0].kind, BalloonKind::None);
    EXPECT_EQ(surface.calls[2].text, QStringLiteral("second"));
    EXPECT_EQ(notifier.ShownBalloonCount(), 1);
}

TEST_F(NotifierTest, ShortBalloonTakenDownOnTime) {
    notifier.ShowInformationNotification(QStringLiteral("Download finished"));
    surface.calls.clear();
    QSignalSpy fired(&notifier.hideTimer, &QTimer::timeout);
    ASSERT_TRUE(fired.wait(4000));
    ASSERT_FALSE(surface.calls.empty());
    for (const Call &c : surface.calls)
        EXPECT_TRUE(c.IsHide());
    EXPECT_EQ(notifier.ShownBalloonCount(), 0);
    EXPECT_FALSE(notifier.hideTimer.isActive());

    // Long balloons are left to the shell.
    notifier.ShowBalloon(QStringLiteral("t"), QStringLiteral("x"), BalloonKind::Warning, 10000,
                         true);
    EXPECT_FALSE(notifier.hideTimer.isActive());
}

TEST_F(NotifierTest, NothingWithoutANotificationArea) {
    surface.available = false;
    notifier.ShowErrorNotification(QStringLiteral("Login failed"));
    notifier.ShowInformationNotification(QStringLiteral("x"));
    EXPECT_TRUE(surface.calls.empty());
    EXPECT_FALSE(notifier.hideTimer.isActive());
}

TEST_F(NotifierTest, TitleAndTextAreCut) {
    notifier.ShowBalloon(QString(100, u'T'), QString(300, u'x'), BalloonKind::Information, 3000,
                         false);
    ASSERT_EQ(surface.calls.size(), 1u);
    EXPECT_EQ(surface.calls[0].title.size(), 63);
    EXPECT_EQ(surface.calls[0].text.size(), 255);
}
