#include "app/DesktopNotifications.h"

// No session bus on this platform: the tray icon shows every balloon.
std::unique_ptr<IBalloonSurface> WithDesktopNotifications(std::unique_ptr<IBalloonSurface> tray) {
    return tray;
}
