#include "app/Startup.h"

#include "app/Artwork.h"
#include "app/ErrorReport.h"
#include "app/ProgramFont.h"
#include "app/ShowCommand.h"
#include "app/SingleInstance.h"
#include "app/SingleInstanceCall.h"
#include "app/StartupErrorBox.h"
#include "app/TerminationSignals.h"
#include "app/VersionInfo.h"
#include "app/uVantrelForm.h"
#include "core/Exceptions.h"
#include "core/Trace.h"
#include "i18n/ExclusionRegistry.h"
#include "i18n/InstallTranslation.h"
#include "import/StatementCancel.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <typeinfo>

namespace {

constexpr const char *kInstanceName = "DCC79F6C-DF9B-48EE-85DD-50B4F1070C4B";

// How long the ordinary end after a termination request may take before the program ends on
// the spot; a server that does not answer a cancel must not keep it alive.
constexpr std::chrono::milliseconds kTerminationGrace{3000};

// How long a second start waits for the running copy to come forward; a copy busy with a
// server does not answer, and this one still ends.
constexpr std::chrono::milliseconds kCallWait{2000};

} // namespace

int RunProgram(int argc, char **argv) {
    SingleInstanceGuard guard(kInstanceName);
    if (guard.Result() == SingleInstanceResult::AlreadyRunning) {
        TraceMessage("Mutex postoji");
        // The running copy's window may be hidden in the tray: ask it to come forward.
        const QCoreApplication core(argc, argv);
        CallRunningCopy(QFile::decodeName(guard.CallName().c_str()), kCallWait);
        return 0;
    }
    // Where the platform ends such a failure quietly, it has no text to show.
    if (guard.Result() != SingleInstanceResult::FirstCopy && guard.FailureText().empty())
        return 0;

    // Every exclusion is in place before the first window translates itself.
    RegisterProgramExclusions();

    TApplication app(argc, argv);
    InstallTranslation(app);
    // The program lives in the tray: closing dialogs while the window is hidden must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // A termination request cancels the statement under way at once; on this thread, every
    // event loop returns and none starts again, so no open box or dialog holds the end up.
    bool ending = false;
    TerminationWatch termination(&odbc::CancelAllStatements, kTerminationGrace);
    termination.SetHandler([&ending] {
        ending = true;
        QCoreApplication::exit(0);
    });

    if (guard.Result() != SingleInstanceResult::FirstCopy) {
        // Without a guard a second copy could run unnoticed: say so rather than end silently.
        ShowStartupErrorBox("Cannot make sure that only one copy of VantrelImport runs.\n" +
                            guard.FailureText());
        return 1;
    }

    std::unique_ptr<TfVantrelForm> fVantrelForm;
    try {
        FileVersion version;
        const QString exePath = QCoreApplication::applicationFilePath();
        if (!ReadExecutableFileVersion(exePath.toUtf8().toStdString(), version))
            throw Exception(QStringLiteral("File contains no version information"));

        QApplication::setApplicationName(QStringLiteral("VantrelImport"));
        // Desktops match the notifications and the window to the installed desktop entry.
        QGuiApplication::setDesktopFileName(QStringLiteral("vantrelimport"));
        QApplication::setFont(ProgramFont());
        QApplication::setWindowIcon(ProgramIcon());
        fVantrelForm = std::make_unique<TfVantrelForm>();
    } catch (const std::exception &e) {
        const QString module = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        // The address has no meaning outside this build; it points into the module.
        ShowStartupErrorBox(StartupFailureText(e, module, &typeid(e)).toUtf8().toStdString());
        return 1;
    }

    TfVantrelForm *form = fVantrelForm.get();
    QObject::connect(form, &TfVantrelForm::ProgramEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    // The system ending the program: as Exit does.
    termination.SetHandler([&ending, form] {
        ending = true;
        QCoreApplication::exit(0);
        form->ExitProgram();
    });
    // The session asking whether it may end only saves: a logout can still be cancelled. Its
    // real end quits the application (the window follows through its quit filter); on
    // Windows the process may be gone right after aboutToQuit, so the end happens there.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form,
                     [form](QSessionManager &) { form->SessionMayEnd(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, form, [form] { form->ExitProgram(); });

    // A second start brings this copy forward. Closed before the guard is given up.
    auto listener = std::make_unique<SingleInstanceListener>(
        QFile::decodeName(guard.CallName().c_str()), [form] { form->BringForward(); });

    switch (StartupShowCommand()) {
    case StartupShow::Maximized:
        form->showMaximized();
        break;
    case StartupShow::MinimizedNoActivate:
        // The application goes into the tray instead of showing its window.
        form->show();
        form->MinimizeApplication();
        break;
    case StartupShow::Normal:
        form->show();
        break;
    }
    // A request during start-up (a load error box is open before the loop) ended it already.
    const int code = ending ? 0 : TApplication::exec();

    listener.reset();
    guard.Close();
    fVantrelForm.reset(); // saves when no save happened since the load; the icon goes
    return code;
}
