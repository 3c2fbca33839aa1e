#include "app/ErrorReport.h"
#include "app/WindowOnScreen.h"
#include "app/uVantrelForm.h"
#include "log/LogView.h"
#include "log/uDlgVILogDetails.h"

#include <QPlainTextEdit>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Balloon {
    QString title, text;
    BalloonKind kind;
    unsigned delay;
};

class FakeSurface : public IBalloonSurface {
public:
    bool CanShowBalloons() const override { return available; }
    void PutBalloon(const QString &title, const QString &text, BalloonKind kind,
                    unsigned delayMs) override {
        calls.push_back({title, text, kind, delayMs});
    }
    // The balloons with content, in order.
    std::vector<Balloon> Shown() const {
        std::vector<Balloon> r;
        for (const Balloon &b : calls)
            if (!b.title.isEmpty() || !b.text.isEmpty())
                r.push_back(b);
        return r;
    }
    bool available = true;
    std::vector<Balloon> calls;
};

// The next widget that the Tab key reaches.
QWidget *NextTab(QWidget *w) {
    do
        w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
    return w;
}

void Settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QString IniPath() const { return dir.filePath(QStringLiteral("settings.ini")); }

    void WriteIni(const QByteArray &settings, const QByteArray &form = {}) {
        QFile f(IniPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[fVantrelForm]\r\nFormVersion=0\r\n" + form + "\r\n[fVantrelForm\\Settings]\r\n" +
                settings);
    }

    std::unique_ptr<TfVantrelForm> Make(bool tray = true) {
        trayAvailable = tray;
        TfVantrelForm::Setup s;
        s.settingsFileName = IniPath();
        s.trayAvailable = [this] { return trayAvailable; };
        s.balloons = &surface;
        s.runImport = [this] { ++runs; };
        s.executeOptions = [this](QWidget *, IStoredValues &values) {
            ++optionsShown;
            if (optionsAnswer)
                values.WriteStoredValue(QStringLiteral("DownloadAuto"), false);
            return optionsAnswer;
        };
        return std::make_unique<TfVantrelForm>(s);
    }

    QTemporaryDir dir;
    FakeSurface surface;
    bool trayAvailable = true;
    int runs = 0;
    int optionsShown = 0;
    bool optionsAnswer = false;
};

const QByteArray kAllConnStrs = "ConnStrVantrelMain=Provider=SQLOLEDB.1;Data Source=a\r\n"
                                "ConnStrVantrelEvents=Provider=SQLOLEDB.1;Data Source=b\r\n"
                                "ConnStrTH7=Provider=SQLOLEDB.1;Data Source=c\r\n";

} // namespace

TEST_F(MainWindowTest, LayoutCommandsAndTrayMenu) {
    auto f = Make();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("VantrelImport"));
    EXPECT_EQ(f->size(), QSize(601, 354));
    EXPECT_EQ(f->minimumSize(), f->maximumSize());
    EXPECT_FALSE(f->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(f->img->geometry(), QRect(0, 0, 164, 314));
    EXPECT_FALSE(f->img->pixmap().isNull());
    EXPECT_EQ(f->Bevel->geometry().bottom(), 296 + 23 - 1);
    EXPECT_EQ(f->Bevel->width(), 601);
    EXPECT_EQ(f->lblAutoDownloadTitle->pos(), QPoint(171, 9));
    EXPECT_EQ(f->lblAutoDownloadYesNo->pos(), QPoint(312, 9));
    EXPECT_EQ(f->lblFrequencyTitle->pos(), QPoint(171, 30));
    EXPECT_EQ(f->lblFrequency->pos(), QPoint(312, 30));
    EXPECT_EQ(f->lblLogTitle->pos(), QPoint(171, 63));
    EXPECT_EQ(f->lblAutoDownloadYesNo->text(), QStringLiteral("No"));
    EXPECT_TRUE(f->lblFrequencyTitle->isHidden());
    EXPECT_TRUE(f->lblFrequency->isHidden());
    EXPECT_EQ(f->lvLog->geometry(), QRect(171, 81, 424, 232));
    EXPECT_EQ(f->btnAbout->geometry(), QRect(3, 324, 96, 25));
    EXPECT_EQ(f->btnOptions->geometry(), QRect(399, 324, 96, 25));
    EXPECT_EQ(f->btnDownload->geometry(), QRect(501, 324, 96, 25));

    // Tab order: About, Options, Download, then the log.
    EXPECT_EQ(NextTab(f->btnAbout), f->btnOptions);
    EXPECT_EQ(NextTab(f->btnOptions), f->btnDownload);
    EXPECT_EQ(NextTab(f->btnDownload), f->lvLog);
    EXPECT_EQ(NextTab(f->lvLog), f->btnAbout);

    EXPECT_EQ(f->btnAbout->text(), QStringLiteral("About..."));
    EXPECT_EQ(f->btnOptions->text(), QStringLiteral("Options..."));
    EXPECT_EQ(f->btnDownload->text(), QStringLiteral("Download"));
    EXPECT_EQ(f->actExit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(f->actLogDetails->text(), QStringLiteral("Log details"));

    const QList<QAction *> items = f->popTray->actions();
    ASSERT_EQ(items.size(), 6);
    EXPECT_EQ(items[0], f->actDownload);
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2], f->actOptions);
    EXPECT_EQ(items[3], f->actAbout);
    EXPECT_TRUE(items[4]->isSeparator());
    EXPECT_EQ(items[5], f->actExit);
    EXPECT_EQ(f->popTray->defaultAction(), nullptr);
    EXPECT_EQ(f->tray->toolTip(), QStringLiteral("Harrowby Vantrel Import"));
    EXPECT_EQ(f->tray->contextMenu(), f->popTray);
}

TEST_F(MainWindowTest, TimeColumnShowsTheWholeTime) {
    auto f = Make();
    const QHeaderView *h = f->lvLog->header();
    EXPECT_GE(h->sectionSize(0), 114);
    const int text =
        f->lvLog->fontMetrics().horizontalAdvance(QStringLiteral("2013-01-26 16:37:05"));
    EXPECT_GT(h->sectionSize(0), text + 6);
    // Both columns still fit the list without a horizontal scroll bar.
    EXPECT_LE(h->sectionSize(0) + h->sectionSize(1), 424 - 20);
}

TEST_F(MainWindowTest, DownloadButtonFollowsTheRunFlag) {
    auto f = Make();
    f->State().downloadInProgress = true;
    f->actDownloadUpdate();
    EXPECT_FALSE(f->actDownload->isEnabled());
    EXPECT_FALSE(f->btnDownload->isEnabled());
    f->btnDownload->click();
    EXPECT_EQ(runs, 0);
    f->State().downloadInProgress = false;
    f->actDownloadUpdate();
    EXPECT_TRUE(f->btnDownload->isEnabled());
    f->btnDownload->click();
    EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowTest, StatusLabels) {
    WriteIni(kAllConnStrs + "DownloadAuto=FALSE\r\nDownloadTime=15\r\n");
    auto f = Make();
    f->show();
    Settle();
    EXPECT_EQ(f->lblAutoDownloadYesNo->text(), QStringLiteral("No"));
    EXPECT_TRUE(f->lblFrequencyTitle->isHidden());
    EXPECT_TRUE(f->lblFrequency->isHidden());

    f->StoredValues().WriteStoredValue(QStringLiteral("DownloadAuto"), true);
    f->RefreshStatusLabels();
    EXPECT_EQ(f->lblAutoDownloadYesNo->text(), QStringLiteral("Yes"));
    EXPECT_FALSE(f->lblFrequencyTitle->isHidden());
    EXPECT_FALSE(f->lblFrequency->isHidden());
    EXPECT_EQ(f->lblFrequency->text(), QStringLiteral("15 minute(s)"));
    // The label is wide enough for its text.
    EXPECT_GE(f->lblFrequency->width(),
              f->lblFrequency->fontMetrics().horizontalAdvance(f->lblFrequency->text()));
}

TEST_F(MainWindowTest, OptionsRequestedOnceWhenAConnectionStringIsEmpty) {
    WriteIni("ConnStrVantrelMain=x\r\nConnStrVantrelEvents=y\r\n");
    auto f = Make();
    QSignalSpy requested(f.get(), &TfVantrelForm::OptionsRequestHandled);
    f->show();
    EXPECT_EQ(requested.count(), 0); // posted, not handled during the show
    Settle();
    EXPECT_EQ(requested.count(), 1);
    EXPECT_EQ(optionsShown, 1);
    EXPECT_TRUE(f->IsShowing());
    f->hide();
    f->show();
    Settle();
    EXPECT_EQ(requested.count(), 1);
}

TEST_F(MainWindowTest, NoOptionsRequestWhenAllConnectionStringsAreSet) {
    WriteIni(kAllConnStrs);
    auto f = Make();
    QSignalSpy requested(f.get(), &TfVantrelForm::OptionsRequestHandled);
    f->show();
    Settle();
    EXPECT_EQ(requested.count(), 0);
    EXPECT_EQ(optionsShown, 0);
    EXPECT_EQ(f->lblAutoDownloadYesNo->text(), QStringLiteral("Yes")); // labels refreshed
}

TEST_F(MainWindowTest, ConfirmedOptionsAreSavedAndShown) {
    WriteIni(kAllConnStrs);
    auto f = Make();
    f->show();
    Settle();
    optionsAnswer = true;
    f->btnOptions->click();
    EXPECT_EQ(optionsShown, 1);
    EXPECT_EQ(f->lblAutoDownloadYesNo->text(), QStringLiteral("No"));
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("DownloadAuto=FALSE"));

    // Cancelled: nothing saved.
    optionsAnswer = false;
    f->StoredValues().WriteStoredValue(QStringLiteral("DownloadTime"), 99);
    f->actOptions->trigger();
    ini.close();
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ini.readAll().contains("DownloadTime=99"));
}

TEST_F(MainWindowTest, CloseHidesIntoTheTrayWithABalloon) {
    WriteIni(kAllConnStrs);
    auto f = Make(true);
    f->show();
    Settle();
    EXPECT_FALSE(f->close());
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(f->IsInTray());
    EXPECT_TRUE(f->IsApplicationMinimized());
    const auto shown = surface.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, QStringLiteral("Information"));
    EXPECT_EQ(shown[0].text, QStringLiteral("VantrelImport is still active."));
    EXPECT_EQ(shown[0].kind, BalloonKind::Information);
    EXPECT_EQ(shown[0].delay, 3000u);

    // A left click on the icon brings it back, the next one hides it again.
    const QPoint where = f->pos();
    f->TrayIconClicked();
    EXPECT_TRUE(f->IsShowing());
    EXPECT_FALSE(f->IsInTray());
    EXPECT_EQ(f->pos(), where);
    f->TrayIconClicked();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(surface.Shown().size(), 1u); // no balloon for the click
}

TEST_F(MainWindowTest, CloseWithoutInformationBalloonsStillHides) {
    WriteIni(kAllConnStrs + "SysTrayShowInfo=FALSE\r\n");
    auto f = Make(true);
    f->show();
    Settle();
    f->close();
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(surface.Shown().empty());
}

TEST_F(MainWindowTest, MinimiseHidesIntoTheTrayWithoutBalloon) {
    WriteIni(kAllConnStrs);
    auto f = Make(true);
    f->show();
    Settle();
    f->showMinimized();
    Settle();
    EXPECT_FALSE(f->isVisible());
    EXPECT_TRUE(f->IsInTray());
    EXPECT_TRUE(surface.Shown().empty());
    f->TrayIconClicked();
    EXPECT_TRUE(f->IsShowing());
    EXPECT_FALSE(f->isMinimized());
}

TEST_F(MainWindowTest, WithoutTrayCloseAndMinimiseMinimiseNormally) {
    WriteIni(kAllConnStrs);
    surface.available = false;
    auto f = Make(false);
    f->show();
    Settle();
    EXPECT_FALSE(f->close());
    Settle();
    EXPECT_TRUE(f->isVisible()); // still in the taskbar, reachable
    EXPECT_TRUE(f->isMinimized());
    EXPECT_FALSE(f->IsInTray());
    EXPECT_TRUE(surface.calls.empty());

    f->RestoreFromTray();
    EXPECT_TRUE(f->IsShowing());
    f->showMinimized();
    Settle();
    EXPECT_TRUE(f->isVisible());
    EXPECT_FALSE(f->IsInTray());
}

TEST_F(MainWindowTest, ExitSavesClearsTheRunFlagAndEnds) {
    WriteIni(kAllConnStrs + "DownloadTime=7\r\n");
    auto f = Make();
    f->show();
    Settle();
    QSignalSpy ended(f.get(), &TfVantrelForm::ProgramEnded);
    f->State().downloadInProgress = true;
    f->StoredValues().WriteStoredValue(QStringLiteral("EventIDLast"), 4711);
    f->actExit->trigger();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(f->isVisible());
    EXPECT_FALSE(f->State().downloadInProgress);
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("EventIDLast=4711")) << text.constData();
    EXPECT_TRUE(text.contains("DownloadTime=7"));
    EXPECT_TRUE(text.contains("ShowCmd=1"));
}

TEST_F(MainWindowTest, LeftInTheTrayAtExitStartsInTheTray) {
    WriteIni(kAllConnStrs);
    {
        auto f = Make();
        f->show();
        Settle();
        f->HideToTray();
        QSignalSpy ended(f.get(), &TfVantrelForm::ProgramEnded);
        f->ExitProgram();
        EXPECT_EQ(ended.count(), 1); // Exit from the tray menu ends the program too
    }
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("ShowCmd=2"));
    ini.close();

    auto f = Make();
    f->show();
    Settle();
    EXPECT_TRUE(f->IsInTray());
    EXPECT_FALSE(f->isVisible());
}

TEST_F(MainWindowTest, InTrayWithEmptyConnectionStringComesBackForOptions) {
    WriteIni("", "ShowCmd=2\r\n");
    auto f = Make();
    QSignalSpy requested(f.get(), &TfVantrelForm::OptionsRequestHandled);
    f->show();
    Settle();
    EXPECT_EQ(requested.count(), 1);
    EXPECT_TRUE(f->IsShowing());
    EXPECT_FALSE(f->IsInTray());
}

TEST_F(MainWindowTest, LogEntriesAndDetails) {
    auto f = Make();
    f->AddLogEntry(QStringLiteral("Starting download"), LogEntryKind::Information);
    f->AddLogEntry(QStringLiteral("Login failed"), LogEntryKind::Error);
    ASSERT_EQ(f->Log().rowCount(), 2);
    EXPECT_EQ(f->Log().Rows()[1].description, QStringLiteral("!!! ERROR !!! Login failed"));

    // No row selected: nothing opens.
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto *d = f->findChild<TDlgVILogDetails *>()) {
            opened = true;
            d->reject();
        }
    });
    f->actLogDetails->trigger();
    Settle();
    EXPECT_FALSE(opened);

    f->lvLog->selectionModel()->select(f->Log().index(1, 0), QItemSelectionModel::ClearAndSelect |
                                                                 QItemSelectionModel::Rows);
    QString memo;
    QTimer::singleShot(0, [&] {
        if (auto *d = f->findChild<TDlgVILogDetails *>()) {
            memo = d->mmoLogDetails->toPlainText();
            d->btnOK->click();
        }
    });
    f->actLogDetails->trigger();
    EXPECT_EQ(memo, QStringLiteral("!!! ERROR !!! Login failed"));
}

TEST_F(MainWindowTest, ImportHostNotificationsReachTheBalloons) {
    WriteIni(kAllConnStrs);
    auto f = Make();
    f->show();
    Settle();
    f->ShowErrorNotification(QStringLiteral("Server gone"));
    f->ShowInformationNotification(QStringLiteral("Download finished"));
    const auto shown = surface.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].title, QStringLiteral("Error"));
    EXPECT_EQ(shown[0].kind, BalloonKind::Error);
    EXPECT_EQ(shown[0].delay, 5000u);
    EXPECT_EQ(shown[1].title, QStringLiteral("Information"));
}

TEST_F(MainWindowTest, TimerTickStartsTheRun) {
    auto f = Make();
    f->StoredValues().WriteStoredValue(QStringLiteral("DownloadTime"), 0);
    f->DownloadTickLogic().Tick();
    EXPECT_EQ(runs, 1);
}

TEST_F(MainWindowTest, SessionQuestionOnlySavesAndTheSessionsEndEndsLikeExit) {
    WriteIni(kAllConnStrs);
    auto f = Make();
    f->show();
    Settle();
    QSignalSpy ended(f.get(), &TfVantrelForm::ProgramEnded);
    f->StoredValues().WriteStoredValue(QStringLiteral("EventIDLast"), 4711);
    f->SessionMayEnd();
    QFile ini(IniPath());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("EventIDLast=4711"));
    // The logout may still be cancelled: the program goes on as it was.
    EXPECT_EQ(ended.count(), 0);
    EXPECT_TRUE(f->IsShowing());

    // The session's real end arrives as a quit of the application, which the window watches.
    QEvent quit(QEvent::Quit);
    f->eventFilter(QCoreApplication::instance(), &quit);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(f->isVisible());
}

// Failures in handlers that Qt calls reach the error report where they happen; none travels
// through Qt's frames, and the save at the window's destruction is not swallowed.
TEST_F(MainWindowTest, FailedSavesAreReported) {
    QStringList boxes;
    SetErrorBox([&](const QString &, const QString &text) { boxes << text; });
    WriteIni(kAllConnStrs);
    auto f = Make();
    f->show();
    Settle();
    // A folder where the settings file was: no way of writing it, not even for root.
    ASSERT_TRUE(QFile::remove(IniPath()));
    ASSERT_TRUE(QDir().mkdir(IniPath()));

    optionsAnswer = true;
    EXPECT_NO_THROW(f->actOptions->trigger());
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(f->lblAutoDownloadYesNo->text(), QStringLiteral("Yes")) << "nothing after the save";

    f.reset(); // no save has succeeded since the load: the destruction saves and fails
    EXPECT_EQ(boxes.size(), 2);
    for (const QString &text : boxes)
        EXPECT_FALSE(text.isEmpty());
    SetErrorBox({});
}

TEST_F(MainWindowTest, RestoredPositionLandsOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint onScreen = screen.topLeft() + QPoint(20, 30);
    for (const QPoint saved : {onScreen, QPoint(10000, 10000), QPoint(-5000, -200)}) {
        WriteIni(kAllConnStrs,
                 QStringLiteral("NormPos=%1,%2,0,0\r\n").arg(saved.x()).arg(saved.y()).toLatin1());
        auto f = Make();
        f->show();
        Settle();
        EXPECT_TRUE(screen.contains(f->frameGeometry())) << saved.x();
        if (saved == onScreen) {
            EXPECT_EQ(f->pos(), onScreen); // a position on the screen is kept
        }
    }
}

TEST(WindowOnScreen, MovedOntoTheScreenHoldingMostOfIt) {
    const QList<QRect> two = {QRect(0, 0, 1920, 1040), QRect(1920, 0, 1280, 984)};
    const struct {
        QPoint at;
        qsizetype primary;
        QPoint expected;
    } cases[] = {
        {{2000, 500}, 0, {2000, 500}},                 // inside a screen: unchanged
        {{1500, 10}, 1, {1920 - 601, 10}},             // mostly on the left, over its edge
        {{1800, 10}, 0, {1920, 10}},                   // mostly on the right, over its edge
        {{2500, 900}, 0, {2500, 984 - 354}},           // below the smaller right screen
        {{-3000, 100}, 1, {1920, 100}},                // on a removed monitor: the primary
        {{10000, 10000}, 0, {1920 - 601, 1040 - 354}}, // far beyond: the primary
    };
    for (const auto &c : cases)
        EXPECT_EQ(PositionOnScreens(QRect(c.at, QSize(601, 354)), two, c.primary), c.expected)
            << c.at.x();
    // Larger than the screen: the title bar stays reachable.
    EXPECT_EQ(PositionOnScreens(QRect(-50, -50, 700, 500), {QRect(0, 0, 640, 480)}, 0),
              QPoint(0, 0));
}
