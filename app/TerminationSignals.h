#pragma once
// Ending the program when the system asks: SIGTERM, SIGINT and SIGHUP elsewhere than on
// Windows (where the session's end reaches the application object itself).

#include <functional>

class QObject;

// Calls onTerminate on the user-interface thread, in context, once per request.
void InstallTerminationHandler(QObject *context, std::function<void()> onTerminate);
