#pragma once
// What the settings store needs from the main window to save and restore its placement.
// The main window implements it; tests use a fake. Qt Core only, so the store is tested
// without widgets.

#include <QSize>

// A window's placement as the operating system keeps it. Positions and the normal rectangle
// are in screen pixels; right and bottom are exclusive (left + width, top + height).
struct WindowPlacementData {
    int showCmd = 0;        // 1 normal, 2 minimised, 3 maximised (the Windows show commands)
    int flags = 0;          // placement flags; saved, never applied
    int minX = 0, minY = 0; // position of the minimised window
    int maxX = 0, maxY = 0; // position of the maximised window
    int normalLeft = 0, normalTop = 0, normalRight = 0, normalBottom = 0;
};

enum class WindowShowState { Normal, Maximized };

class IWindowPlacement {
public:
    virtual ~IWindowPlacement() = default;

    // The window's current placement (show command as the window itself has it).
    virtual WindowPlacementData ReadPlacement() const = 0;
    // Switches automatic positioning (centring) off and applies the positions and the normal
    // rectangle without showing the window (the show command is set by SetWindowState).
    virtual void ApplyPlacement(const WindowPlacementData &placement) = 0;
    virtual void SetWindowState(WindowShowState state) = 0;
    // Asks the whole application to minimise (for this program: into the tray), queued so
    // that it takes effect after the window has been shown.
    virtual void MinimizeApplication() = 0;
    virtual bool IsApplicationMinimized() const = 0;
    // Current left and top of the window, and its size (the size never comes from the file).
    virtual int WindowLeft() const = 0;
    virtual int WindowTop() const = 0;
    virtual QSize WindowSize() const = 0;
    virtual QSize ScreenSize() const = 0;
    virtual int PixelsPerInch() const = 0;
    virtual void Repaint() = 0;
};
