#pragma once
// The main window: status labels, the activity log, the commands, the tray icon with its
// menu and balloons, the settings store and the download timer. The program lives in the
// tray: closing or minimising the window hides it there, Exit ends the program.

#include "app/TrayNotifier.h"
#include "core/ProgramState.h"
#include "import/ImportHost.h"
#include "log/ActivityLog.h"
#include "schedule/DownloadTimer.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsStore.h"
#include "settings/WindowPlacement.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QSystemTrayIcon;
class LogView;
class VantrelDatabases;

// What the main window takes from its surroundings; tests replace parts of it.
struct VantrelFormSetup {
    // Settings file; empty: settings.ini beside the executable.
    QString settingsFileName;
    // Whether the desktop has a notification area; empty: ask the platform each time.
    std::function<bool()> trayAvailable;
    // Where balloons go; null: the tray icon.
    IBalloonSurface *balloons = nullptr;
    // One import run; empty: the import run over the window's databases.
    std::function<void()> runImport;
    // The Options dialog, true when confirmed; empty: the program's dialog.
    std::function<bool(QWidget *owner, IStoredValues &values)> executeOptions;
};

class TfVantrelForm : public QWidget, public IWindowPlacement, public IImportHost {
    Q_OBJECT
public:
    using Setup = VantrelFormSetup;

    TfVantrelForm();
    explicit TfVantrelForm(Setup setup);
    ~TfVantrelForm() override;

    // Operations used by others.
    void RefreshStatusLabels();
    void AddLogEntry(const QString &text, LogEntryKind kind) override;
    void ShowInformationNotification(const QString &text) override;
    void ShowErrorNotification(const QString &text) override;

    // The application moves between showing and hidden in the tray.
    bool IsShowing() const;
    bool IsInTray() const { return m_inTray; }
    bool TrayAvailable() const;
    void HideToTray();
    void RestoreFromTray();
    // The program started again: the window shown (back from the tray), raised and active.
    void BringForward();
    // A left click on the tray icon.
    void TrayIconClicked();
    // Ends the program as Exit does (also for termination signals and the session's end).
    void ExitProgram();
    // The session asks whether it may end: the settings are saved, the program goes on
    // (the logout may still be cancelled). Its real end reaches the application as a quit.
    void SessionMayEnd();

    IStoredValues &StoredValues() { return storForm; }
    ProgramState &State() { return m_state; }
    ActivityLog &Log() { return *m_log; }
    TrayNotifier &Notifier() { return *m_notifier; }
    DownloadTick &DownloadTickLogic() { return *m_tick; }
    SettingsStore &Store() { return storForm; }

    // IWindowPlacement
    WindowPlacementData ReadPlacement() const override;
    void ApplyPlacement(const WindowPlacementData &placement) override;
    void SetWindowState(WindowShowState state) override;
    void MinimizeApplication() override;
    bool IsApplicationMinimized() const override;
    int WindowLeft() const override;
    int WindowTop() const override;
    QSize WindowSize() const override;
    QSize ScreenSize() const override;
    int PixelsPerInch() const override;
    void Repaint() override;

    // Components.
    QLabel *img;
    QFrame *Bevel;
    QLabel *lblAutoDownloadTitle;
    QLabel *lblAutoDownloadYesNo;
    QLabel *lblFrequencyTitle;
    QLabel *lblFrequency;
    QLabel *lblLogTitle;
    LogView *lvLog;
    QPushButton *btnAbout;
    QPushButton *btnOptions;
    QPushButton *btnDownload;
    QAction *actAbout;
    QAction *actOptions;
    QAction *actExit;
    QAction *actDownload;
    QAction *actLogDetails;
    QMenu *popTray;
    QSystemTrayIcon *tray;

signals:
    // The window has closed for good: the application should quit.
    void ProgramEnded();
    // The options request is about to be handled (restored from the tray, dialog next).
    void OptionsRequestHandled();

public slots:
    void actExitExecute();
    void actAboutExecute();
    void actOptionsExecute();
    void actDownloadExecute();
    void actDownloadUpdate();
    void actLogDetailsExecute();
    void storFormRestorePlacement();
    void OptionsRequest();

    // A quit of the application (the session's end among others) ends the program like Exit:
    // without this, closing the window would only hide it into the tray and refuse the quit.
    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void CreateComponents();
    void FormCreate();
    void FormClose();
    void ShowLoadError(const QString &message);
    void SaveSettingsReporting();

    Setup m_setup;
    ProgramState m_state;
    SettingsFile storApp;
    SettingsStore storForm;
    std::unique_ptr<ActivityLog> m_log;
    std::unique_ptr<DownloadTick> m_tick;
    DownloadTimer *m_downloadTimer = nullptr;
    VantrelDatabases *m_databases = nullptr;
    std::unique_ptr<IBalloonSurface> m_traySurface;
    TrayNotifier *m_notifier = nullptr;

    bool m_loaded = false;  // settings loaded at the first show
    bool m_inTray = false;  // hidden into the tray
    bool m_exiting = false; // the close under way is the program's end
    bool m_closed = false;
};
