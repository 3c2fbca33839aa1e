#include "app/TerminationSignals.h"

// A Windows GUI process gets no termination signals: logging off and shutting down reach the
// application object as the session's end (commitDataRequest), which start-up connects to the
// same ending as Exit. Nothing to install here.
void InstallTerminationHandler(QObject *, std::function<void()>) {}
