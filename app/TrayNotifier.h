#pragma once
// Balloon notifications at the tray icon: "Information" for 3 s (only when SysTrayShowInfo),
// "Error" for 5 s (always). Each balloon first takes down the one before it (or replaces it
// where the surface can), and a balloon
// shorter than the shell keeps one up is taken down on time by a timer of our own.

#include <QObject>
#include <QString>
#include <QTimer>

class IStoredValues;

enum class BalloonKind { None = 0, Error = 1, Information = 2, Warning = 3 };

// Where balloons appear. Empty title and text take the balloon down.
class IBalloonSurface {
public:
    virtual ~IBalloonSurface() = default;
    // False without a notification area: nothing can be shown.
    virtual bool CanShowBalloons() const = 0;
    virtual void PutBalloon(const QString &title, const QString &text, BalloonKind kind,
                            unsigned delayMs) = 0;
    // True where a new balloon takes the place of the one shown, which then need not be
    // taken down first.
    virtual bool ReplacesInPlace() const { return false; }
};

class TrayNotifier : public QObject {
    Q_OBJECT
public:
    TrayNotifier(IStoredValues &values, IBalloonSurface &surface, QObject *parent = nullptr);

    void ShowInformationNotification(const QString &text);
    void ShowErrorNotification(const QString &text);

    void ShowBalloon(const QString &title, const QString &text, BalloonKind kind, unsigned delayMs,
                     bool cancelPrevious);
    void HideBalloons();

    int ShownBalloonCount() const { return m_shown; }
    // Takes short balloons down on time (the shell keeps them at least 10 s).
    QTimer hideTimer;

private:
    IStoredValues &m_values;
    IBalloonSurface &m_surface;
    int m_shown = 0;
};
