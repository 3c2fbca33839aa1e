#include "app/Startup.h"

#include "app/Artwork.h"
#include "app/ErrorReport.h"
#include "core/Exceptions.h"
#include "app/ProgramFont.h"
#include "app/ShowCommand.h"
#include "app/SingleInstance.h"
#include "app/StartupErrorBox.h"
#include "app/TerminationSignals.h"
#include "core/Trace.h"
#include "app/VersionInfo.h"
#include "app/uVantrelForm.h"
#include "i18n/ExclusionRegistry.h"
#include "i18n/InstallTranslation.h"

#include <QFileInfo>
#include <memory>
#include <typeinfo>

namespace {

constexpr const char *kInstanceName = "DCC79F6C-DF9B-48EE-85DD-50B4F1070C4B";

} // namespace

int RunProgram(int argc, char **argv) {
    SingleInstanceGuard guard(kInstanceName);
    if (guard.Result() == SingleInstanceResult::AlreadyRunning) {
        TraceMessage("Mutex postoji");
        return 0;
    }
    if (guard.Result() != SingleInstanceResult::FirstCopy)
        return 0;

    // Every exclusion is in place before the first window translates itself.
    RegisterProgramExclusions();

    TApplication app(argc, argv);
    InstallTranslation(app);
    // The program lives in the tray: closing dialogs while the window is hidden must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    std::unique_ptr<TfVantrelForm> fVantrelForm;
    try {
        FileVersion version;
        const QString exePath = QCoreApplication::applicationFilePath();
        if (!ReadExecutableFileVersion(exePath.toUtf8().toStdString(), version))
            throw Exception(QStringLiteral("File contains no version information"));

        QApplication::setApplicationName(QStringLiteral("VantrelImport"));
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
    // The system or the session ending the program: as Exit does.
    InstallTerminationHandler(form, [form] { form->ExitProgram(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, form,
                     [form](QSessionManager &) { form->ExitProgram(); });

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
    const int code = TApplication::exec();

    guard.Close();
    fVantrelForm.reset(); // saves when no save happened since the load; the icon goes
    return code;
}
