#pragma once
// Balloons through the desktop's notification service, where the session bus offers one.

#include "app/TrayNotifier.h"

#include <memory>

// Where the main window's balloons go: the desktop's notification service while the session
// bus has one, the tray icon's own balloons otherwise.
std::unique_ptr<IBalloonSurface> WithDesktopNotifications(std::unique_ptr<IBalloonSurface> tray);
