#pragma once
// A second start asks the running copy to come forward: a local socket (a named pipe on
// Windows) beside the single-instance guard, which stays what decides who is first.

#include <QObject>
#include <chrono>
#include <functional>

class QLocalServer;
class QLocalSocket;

// The first copy's side. Each caller may send one short known request within a second; any
// other input, or none, closes its connection. Nothing here ever waits on a caller.
class SingleInstanceListener : public QObject {
    Q_OBJECT
public:
    // To be created only while holding the guard: a socket left behind by a copy that died is
    // removed first. onCall runs on this thread for every complete request.
    SingleInstanceListener(const QString &name, std::function<void()> onCall,
                           QObject *parent = nullptr);
    ~SingleInstanceListener() override;
    bool Listening() const;

private:
    void Accept();
    void Read(QLocalSocket *caller);

    QLocalServer *m_server;
    std::function<void()> m_onCall;
};

// The second copy's side: sends the request and waits for the answer, all within `wait`.
// True when the running copy answered; false when there was none or it was too busy.
bool CallRunningCopy(const QString &name, std::chrono::milliseconds wait);
