#include "app/uVantrelForm.h"

#include "app/ActionBinding.h"
#include "app/Artwork.h"
#include "app/DesktopNotifications.h"
#include "app/ErrorReport.h"
#include "app/ProgramFont.h"
#include "app/TrayIconSurface.h"
#include "app/WindowOnScreen.h"
#include "app/uDlgVIAbout.h"
#include "core/Trace.h"
#include "i18n/TextLookup.h"
#include "i18n/TranslateComponent.h"
#include "import/ImportRun.h"
#include "import/VantrelDatabases.h"
#include "log/LogView.h"
#include "log/uDlgVILogDetails.h"
#include "options/uDlgVIOptions.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>

namespace {

constexpr int kClientWidth = 601;
constexpr int kClientHeight = 354;
constexpr int kTimeColumn = 114;
constexpr int kDescriptionColumn = 280;

QString SettingsPath(const QString &configured) {
    return configured.isEmpty()
               ? QCoreApplication::applicationDirPath() + QStringLiteral("/settings.ini")
               : configured;
}

QLabel *MakeLabel(QWidget *parent, const char *name, const char *text, int x, int y) {
    auto *l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

// Runs a handler that Qt calls: a failure goes to the error report here, since no exception
// may travel through Qt's own frames.
template <class Handler> void Reporting(const char *where, Handler &&handler) {
    try {
        handler();
    } catch (const std::exception &e) {
        ShowException(e);
    } catch (...) {
        TraceMessage(std::string(where) + ": unknown failure");
    }
}

QPushButton *MakeButton(QWidget *parent, const char *name, int x, int y) {
    auto *b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, 96, 25);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfVantrelForm::TfVantrelForm() : TfVantrelForm(Setup()) {}

TfVantrelForm::TfVantrelForm(Setup setup)
    : QWidget(nullptr), m_setup(std::move(setup)), storApp(SettingsPath(m_setup.settingsFileName)),
      storForm(storApp, this) {
    setObjectName(QStringLiteral("fVantrelForm"));
    CreateComponents();
    FormCreate();
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

TfVantrelForm::~TfVantrelForm() {
    // The store saves once more when no save happened since the last load.
    if (storForm.NeedsSaveOnDestroy()) {
        try {
            storForm.SaveSettings();
        } catch (const std::exception &e) {
            // The file keeps its last saved state; the user hears of it while that is possible.
            TraceMessage(std::string("~TfVantrelForm: ") + e.what());
            if (QApplication::instance() != nullptr)
                ShowException(e);
        }
    }
    if (tray)
        tray->hide();
}

void TfVantrelForm::CreateComponents() {
    setWindowTitle(QStringLiteral("VantrelImport"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(ProgramFont());
    setWindowIcon(ProgramIcon());

    img = new QLabel(this);
    img->setObjectName(QStringLiteral("img"));
    const QPixmap picture = QPixmap::fromImage(SidePicture());
    img->setPixmap(picture);
    img->setGeometry(0, 0, picture.width(), picture.height());

    // Only the bottom edge of the bevel area is drawn: an etched line above the buttons.
    Bevel = new QFrame(this);
    Bevel->setObjectName(QStringLiteral("Bevel"));
    Bevel->setFrameShape(QFrame::HLine);
    Bevel->setFrameShadow(QFrame::Sunken);
    Bevel->setGeometry(0, 296 + 23 - 2, kClientWidth, 2);

    lblAutoDownloadTitle = MakeLabel(this, "lblAutoDownloadTitle", "Automatic download:", 171, 9);
    lblAutoDownloadYesNo = MakeLabel(this, "lblAutoDownloadYesNo", "No", 312, 9);
    lblFrequencyTitle = MakeLabel(this, "lblFrequencyTitle", "Frequency:", 171, 30);
    lblFrequency = MakeLabel(this, "lblFrequency", "XXX", 312, 30);
    lblFrequencyTitle->hide();
    lblFrequency->hide();
    lblLogTitle = MakeLabel(this, "lblLogTitle", "Log", 171, 63);

    m_log = std::make_unique<ActivityLog>(storForm);
    lvLog = new LogView(this);
    lvLog->setObjectName(QStringLiteral("lvLog"));
    lvLog->setGeometry(171, 81, 424, 232);
    // The whole time text must fit its column: widen it when the font needs more room.
    const int timeText =
        lvLog->fontMetrics().horizontalAdvance(QStringLiteral("2013-01-26 16:37:05"));
    const int textMargin = 2 * (lvLog->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    const int timeWidth = std::max(kTimeColumn, timeText + textMargin + 2);
    lvLog->SetLog(m_log.get(), timeWidth, kDescriptionColumn - (timeWidth - kTimeColumn));
    connect(lvLog, &LogView::DoubleClicked, this, &TfVantrelForm::actLogDetailsExecute);

    // alistMain
    const auto makeAction = [this](const char *name, const char *caption) {
        auto *a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    actAbout = makeAction("actAbout", "About...");
    actOptions = makeAction("actOptions", "Options...");
    actExit = makeAction("actExit", "Exit");
    actDownload = makeAction("actDownload", "Download");
    actLogDetails = makeAction("actLogDetails", "Log details");
    connect(actAbout, &QAction::triggered, this, &TfVantrelForm::actAboutExecute);
    connect(actOptions, &QAction::triggered, this, &TfVantrelForm::actOptionsExecute);
    connect(actExit, &QAction::triggered, this, &TfVantrelForm::actExitExecute);
    connect(actDownload, &QAction::triggered, this, &TfVantrelForm::actDownloadExecute);
    connect(actLogDetails, &QAction::triggered, this, &TfVantrelForm::actLogDetailsExecute);
    addActions({actAbout, actOptions, actExit, actDownload, actLogDetails});

    btnAbout = MakeButton(this, "btnAbout", 3, 324);
    btnOptions = MakeButton(this, "btnOptions", 399, 324);
    btnDownload = MakeButton(this, "btnDownload", 501, 324);
    BindButtonToAction(btnAbout, actAbout);
    BindButtonToAction(btnOptions, actOptions);
    BindButtonToAction(btnDownload, actDownload);
    setTabOrder(btnAbout, btnOptions);
    setTabOrder(btnOptions, btnDownload);
    setTabOrder(btnDownload, lvLog);

    popTray = new QMenu(this);
    popTray->setObjectName(QStringLiteral("popTray"));
    popTray->addAction(actDownload);
    popTray->addSeparator();
    popTray->addAction(actOptions);
    popTray->addAction(actAbout);
    popTray->addSeparator();
    popTray->addAction(actExit);
    connect(popTray, &QMenu::aboutToShow, this, &TfVantrelForm::actDownloadUpdate);

    // The tray icon is there from creation until the window is destroyed.
    tray = new QSystemTrayIcon(ProgramIcon(), this);
    tray->setObjectName(QStringLiteral("tray"));
    tray->setToolTip(QStringLiteral("Harrowby Vantrel Import"));
    tray->setContextMenu(popTray);
    connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        // A double click toggles once: the click that began it already did.
        if (r == QSystemTrayIcon::Trigger)
            TrayIconClicked();
    });
    tray->show();

    m_traySurface = WithDesktopNotifications(
        std::make_unique<TrayIconSurface>(*tray, [this] { return TrayAvailable(); }));
    m_notifier =
        new TrayNotifier(storForm, m_setup.balloons ? *m_setup.balloons : *m_traySurface, this);

    m_databases = new VantrelDatabases(this);
    if (!m_setup.runImport)
        m_setup.runImport = [this] {
            ImportRun run(m_databases->Databases(), storForm, m_state, *this);
            run.Run();
        };
    if (!m_setup.executeOptions)
        m_setup.executeOptions = [](QWidget *owner, IStoredValues &values) {
            return TDlgVIOptions::Execute(owner, values, ShowErrorReport);
        };
    m_tick = std::make_unique<DownloadTick>(storForm, m_state, [this] {
        Reporting("tmrDownloadTimer", [this] { m_setup.runImport(); });
        actDownloadUpdate();
    });
    m_downloadTimer = new DownloadTimer(*m_tick, this);
    connect(m_downloadTimer, &DownloadTimer::Ticked, this, &TfVantrelForm::actDownloadUpdate);

    connect(&storForm, &SettingsStore::RestorePlacement, this,
            &TfVantrelForm::storFormRestorePlacement);
    connect(&storForm, &SettingsStore::LoadFailed, this, &TfVantrelForm::ShowLoadError);

    // The Download command follows the run's flag whenever the user interface goes idle.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &TfVantrelForm::actDownloadUpdate);

    // Opens centred on the screen unless a saved placement says otherwise.
    if (QScreen *s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TfVantrelForm::FormCreate() {
    try {
        TranslateComponent(this);
    } catch (const std::exception &e) {
        ShowException(e); // the window is created all the same
    }
    for (QLabel *l :
         {lblAutoDownloadTitle, lblAutoDownloadYesNo, lblFrequencyTitle, lblFrequency, lblLogTitle})
        l->adjustSize();
}

void TfVantrelForm::RefreshStatusLabels() {
    if (!storForm.ReadStoredValue(QStringLiteral("DownloadAuto")).toBool()) {
        lblAutoDownloadYesNo->setText(TextLookup("No"));
        lblAutoDownloadYesNo->adjustSize();
        lblFrequencyTitle->hide();
        lblFrequency->hide();
        return;
    }
    lblAutoDownloadYesNo->setText(TextLookup("Yes"));
    lblAutoDownloadYesNo->adjustSize();
    lblFrequencyTitle->show();
    const int minutes = storForm.ReadStoredValue(QStringLiteral("DownloadTime")).toInt();
    lblFrequency->setText(
        QString::asprintf(TextLookup("%d minute(s)").toUtf8().constData(), minutes));
    lblFrequency->adjustSize();
    lblFrequency->show();
}

void TfVantrelForm::AddLogEntry(const QString &text, LogEntryKind kind) {
    const int row = m_log->AddLogEntry(text, kind);
    if (row >= 0)
        lvLog->scrollTo(m_log->index(row, 0), QAbstractItemView::EnsureVisible);
}

void TfVantrelForm::ShowInformationNotification(const QString &text) {
    m_notifier->ShowInformationNotification(text);
}

void TfVantrelForm::ShowErrorNotification(const QString &text) {
    m_notifier->ShowErrorNotification(text);
}

bool TfVantrelForm::TrayAvailable() const {
    return m_setup.trayAvailable ? m_setup.trayAvailable()
                                 : QSystemTrayIcon::isSystemTrayAvailable();
}

bool TfVantrelForm::IsShowing() const {
    return isVisible() && !isMinimized();
}

void TfVantrelForm::HideToTray() {
    if (!TrayAvailable()) {
        // No notification area to come back from: minimise the ordinary way.
        if (!isMinimized())
            showMinimized();
        return;
    }
    m_inTray = true;
    hide();
}

void TfVantrelForm::RestoreFromTray() {
    m_inTray = false;
    if (IsShowing())
        return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TfVantrelForm::BringForward() {
    RestoreFromTray();
    raise();
    activateWindow();
}

void TfVantrelForm::TrayIconClicked() {
    if (IsShowing())
        HideToTray();
    else
        RestoreFromTray();
}

void TfVantrelForm::ExitProgram() {
    if (m_closed)
        return;
    m_exiting = true;
    close();
}

void TfVantrelForm::SessionMayEnd() {
    Reporting("SessionMayEnd", [this] { storForm.SaveSettings(); });
}

bool TfVantrelForm::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance())
        Reporting("Quit", [this] { ExitProgram(); });
    return QWidget::eventFilter(watched, event);
}

void TfVantrelForm::actExitExecute() {
    Reporting("actExitExecute", [this] { ExitProgram(); });
}

void TfVantrelForm::actAboutExecute() {
    Reporting("actAboutExecute", [this] { TDlgVIAbout::Execute(this, ShowErrorReport); });
}

void TfVantrelForm::actOptionsExecute() {
    Reporting("actOptionsExecute", [this] {
        if (m_setup.executeOptions(this, storForm)) {
            storForm.SaveSettings(); // a failure reaches the general error report
            RefreshStatusLabels();
        }
    });
}

void TfVantrelForm::actDownloadExecute() {
    Reporting("actDownloadExecute", [this] { m_setup.runImport(); });
    actDownloadUpdate();
}

void TfVantrelForm::actDownloadUpdate() {
    actDownload->setEnabled(DownloadCommandEnabled(m_state));
}

void TfVantrelForm::actLogDetailsExecute() {
    const int row = lvLog->SelectedRow();
    if (row < 0 || row >= m_log->Rows().size())
        return;
    const ActivityLog::Row entry = m_log->Rows().at(row);
    Reporting("actLogDetailsExecute", [&] {
        TDlgVILogDetails::Execute(this, entry.time, entry.description, ShowErrorReport);
    });
}

void TfVantrelForm::storFormRestorePlacement() {
    Reporting("storFormRestorePlacement", [this] { RefreshStatusLabels(); });
    const bool anyEmpty =
        storForm.ReadStoredValue(QStringLiteral("ConnStrVantrelMain")).toString().isEmpty() ||
        storForm.ReadStoredValue(QStringLiteral("ConnStrVantrelEvents")).toString().isEmpty() ||
        storForm.ReadStoredValue(QStringLiteral("ConnStrTH7")).toString().isEmpty();
    // Queued, so that the dialog opens after the window has been shown.
    if (anyEmpty)
        QMetaObject::invokeMethod(this, &TfVantrelForm::OptionsRequest, Qt::QueuedConnection);
}

void TfVantrelForm::OptionsRequest() {
    RestoreFromTray();
    emit OptionsRequestHandled();
    actOptionsExecute();
}

void TfVantrelForm::ShowLoadError(const QString &message) {
    ShowErrorReport(message);
}

void TfVantrelForm::SaveSettingsReporting() {
    try {
        storForm.SaveSettings();
    } catch (const std::exception &e) {
        ShowException(e); // closing goes on
    }
}

void TfVantrelForm::FormClose() {
    m_state.downloadInProgress = false;
}

void TfVantrelForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    // Settings are loaded once, when start-up first shows the window; coming back from
    // the tray shows the window again without reloading.
    if (!m_loaded) {
        m_loaded = true;
        storForm.LoadSettings();
    }
}

void TfVantrelForm::closeEvent(QCloseEvent *event) {
    if (!m_exiting) {
        // The close box and Alt+F4 hide the program into the tray.
        event->ignore();
        const bool intoTray = TrayAvailable();
        HideToTray();
        if (intoTray)
            ShowInformationNotification(TextLookup("VantrelImport is still active."));
        return;
    }
    SaveSettingsReporting();
    FormClose();
    event->accept();
    m_closed = true;
    m_notifier->HideBalloons();
    tray->hide();
    emit ProgramEnded();
}

void TfVantrelForm::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !m_inTray &&
        TrayAvailable()) {
        // Minimising hides the program into the tray, without a balloon.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isMinimized() && !m_inTray)
                    HideToTray();
            },
            Qt::QueuedConnection);
    }
}

// Window placement, as the settings store saves and restores it.

WindowPlacementData TfVantrelForm::ReadPlacement() const {
    WindowPlacementData p;
    p.showCmd = isMinimized() ? 2 : isMaximized() ? 3 : 1;
    const QRect frame = frameGeometry();
    p.normalLeft = pos().x();
    p.normalTop = pos().y();
    p.normalRight = p.normalLeft + frame.width();
    p.normalBottom = p.normalTop + frame.height();
    p.minX = p.minY = p.maxX = p.maxY = -1;
    return p;
}

void TfVantrelForm::ApplyPlacement(const WindowPlacementData &placement) {
    QList<QRect> screens;
    const QScreen *primary = QGuiApplication::primaryScreen();
    qsizetype primaryIndex = 0;
    for (const QScreen *s : QGuiApplication::screens()) {
        if (s == primary)
            primaryIndex = screens.size();
        screens.append(s->availableGeometry());
    }
    const QRect saved(QPoint(placement.normalLeft, placement.normalTop), frameGeometry().size());
    move(PositionOnScreens(saved, screens, primaryIndex));
}

void TfVantrelForm::SetWindowState(WindowShowState state) {
    setWindowState(state == WindowShowState::Maximized ? Qt::WindowMaximized : Qt::WindowNoState);
}

void TfVantrelForm::MinimizeApplication() {
    QMetaObject::invokeMethod(this, &TfVantrelForm::HideToTray, Qt::QueuedConnection);
}

bool TfVantrelForm::IsApplicationMinimized() const {
    return m_inTray || isMinimized();
}

int TfVantrelForm::WindowLeft() const {
    return pos().x();
}

int TfVantrelForm::WindowTop() const {
    return pos().y();
}

QSize TfVantrelForm::WindowSize() const {
    return frameGeometry().size();
}

QSize TfVantrelForm::ScreenSize() const {
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry().size() : QSize();
}

int TfVantrelForm::PixelsPerInch() const {
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

void TfVantrelForm::Repaint() {
    update();
}
