#include "schedule/DownloadTimer.h"
#include "settings/StoredValues.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct TickFixture : ::testing::Test {
    StoredValueTable values;
    ProgramState state;
    int runs = 0;
    std::vector<std::string> traces;
    std::function<void()> onRun = [] {};
    DownloadTick tick{values, state,
                      [this] {
                          ++runs;
                          onRun();
                      },
                      [this](const std::string &t) { traces.push_back(t); }};
};

} // namespace

TEST_F(TickFixture, AutoDownloadOffHoldsCounterAtZero) {
    state.elapsedSeconds = 500;
    values.WriteStoredValue(QStringLiteral("DownloadAuto"), false);
    values.WriteStoredValue(QStringLiteral("DownloadTime"), 0);
    for (int i = 0; i < 3; ++i)
        tick.Tick();
    EXPECT_EQ(state.elapsedSeconds, 0u);
    EXPECT_EQ(runs, 0);
    ASSERT_EQ(traces.size(), 3u);
    EXPECT_EQ(traces[0],
              "tmrDownloadTimer: Nije uključen auto download - poništavam brojač sekundi");
}

TEST_F(TickFixture, RunInProgressFreezesCounter) {
    state.elapsedSeconds = 42;
    state.downloadInProgress = true;
    values.WriteStoredValue(QStringLiteral("DownloadTime"), 0);
    tick.Tick();
    EXPECT_EQ(state.elapsedSeconds, 42u);
    EXPECT_EQ(runs, 0);
    ASSERT_EQ(traces.size(), 1u);
    EXPECT_EQ(traces[0], "tmrDownloadTimer: Download je u toku, pa neću da brojim sekunde");
}

TEST_F(TickFixture, OneMinuteRunsAtTheSixtiethTick) {
    values.WriteStoredValue(QStringLiteral("DownloadTime"), 1);
    for (int i = 1; i < 60; ++i)
        tick.Tick();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(state.elapsedSeconds, 59u);
    EXPECT_EQ(traces.back(), "tmrDownloadTimer: Prošlo je 59 sekundi");

    unsigned counterSeenByRun = 99;
    onRun = [&] { counterSeenByRun = state.elapsedSeconds; };
    tick.Tick();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(counterSeenByRun, 0u); // reset before the run starts
    ASSERT_GE(traces.size(), 2u);
    EXPECT_EQ(traces[traces.size() - 2], "tmrDownloadTimer: Prošlo je 60 sekundi");
    EXPECT_EQ(traces.back(), "tmrDownloadTimer: Prošlo je 1 minuta, pokrećem download");

    // The next period is a full one again.
    for (int i = 1; i < 60; ++i)
        tick.Tick();
    EXPECT_EQ(runs, 1);
    tick.Tick();
    EXPECT_EQ(runs, 2);
}

TEST_F(TickFixture, ZeroMinutesRunsAtEveryFreeTick) {
    values.WriteStoredValue(QStringLiteral("DownloadTime"), 0);
    tick.Tick();
    tick.Tick();
    EXPECT_EQ(runs, 2);
    state.downloadInProgress = true;
    tick.Tick();
    EXPECT_EQ(runs, 2);
}

TEST_F(TickFixture, PeriodIsComparedUnsigned) {
    values.WriteStoredValue(QStringLiteral("DownloadTime"), -1); // 4294967295 minutes
    state.elapsedSeconds = 4000000000u;
    tick.Tick();
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(state.elapsedSeconds, 4000000001u);

    // Lowering the period below the minutes already counted runs at the next tick.
    values.WriteStoredValue(QStringLiteral("DownloadTime"), 15);
    state.elapsedSeconds = 20 * 60;
    tick.Tick();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(traces.back(), "tmrDownloadTimer: Prošlo je 15 minuta, pokrećem download");
}

TEST_F(TickFixture, CounterWrapsAsUnsigned32) {
    values.WriteStoredValue(QStringLiteral("DownloadTime"), -1);
    state.elapsedSeconds = 0xFFFFFFFFu;
    tick.Tick();
    EXPECT_EQ(state.elapsedSeconds, 0u);
}

TEST(DownloadTimerObject, FiresEverySecondAndOnlyTicks) {
    StoredValueTable values;
    ProgramState state;
    values.WriteStoredValue(QStringLiteral("DownloadAuto"), false);
    state.elapsedSeconds = 7;
    DownloadTick tick(
        values, state, [] {}, [](const std::string &) {});
    DownloadTimer timer(tick);
    EXPECT_EQ(timer.tmrDownload.interval(), 1000);
    EXPECT_TRUE(timer.tmrDownload.isActive());
    QSignalSpy ticked(&timer, &DownloadTimer::Ticked);
    ASSERT_TRUE(ticked.wait(2500));
    EXPECT_EQ(state.elapsedSeconds, 0u);
}
