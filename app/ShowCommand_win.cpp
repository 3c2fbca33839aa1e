#include "app/ShowCommand.h"

#include <windows.h>

StartupShow StartupShowCommand() {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    if ((startup.dwFlags & STARTF_USESHOWWINDOW) == 0)
        return StartupShow::Normal;
    switch (startup.wShowWindow) {
    case SW_SHOWMAXIMIZED:
        return StartupShow::Maximized;
    case SW_SHOWMINNOACTIVE:
        return StartupShow::MinimizedNoActivate;
    default:
        return StartupShow::Normal;
    }
}
