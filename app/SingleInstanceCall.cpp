#include "app/SingleInstanceCall.h"

#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

namespace {

const QByteArray kRequest = QByteArrayLiteral("VantrelImport show\n");
const QByteArray kAnswer = QByteArrayLiteral("shown\n");
// How long a caller may take to send its request.
constexpr int kCallerTimeMs = 1000;
const char *const kReceived = "viReceived";
const char *const kDone = "viDone";

int Remaining(const QDeadlineTimer &deadline) {
    return int(qMax<qint64>(0, deadline.remainingTime()));
}

} // namespace

SingleInstanceListener::SingleInstanceListener(const QString &name, std::function<void()> onCall,
                                               QObject *parent)
    : QObject(parent), m_server(new QLocalServer(this)), m_onCall(std::move(onCall)) {
    if (name.isEmpty())
        return;
    // The guard is ours: whatever socket is there was left by a copy that has ended.
    QLocalServer::removeServer(name);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Without it a second start only ends quietly; the guard still holds, so this copy runs on.
    if (m_server->listen(name))
        connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceListener::Accept);
}

SingleInstanceListener::~SingleInstanceListener() {
    // On POSIX closing removes the socket: this must happen while the guard is still held,
    // or it could remove the socket of a copy that started after.
    m_server->close();
}

bool SingleInstanceListener::Listening() const {
    return m_server->isListening();
}

void SingleInstanceListener::Accept() {
    while (QLocalSocket *caller = m_server->nextPendingConnection()) {
        connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
        connect(caller, &QLocalSocket::readyRead, this, [this, caller] { Read(caller); });
        // A caller that sends nothing, or too little, is dropped; what it did send in time
        // (the thread may have been busy) still counts.
        QTimer::singleShot(kCallerTimeMs, caller, [this, caller] {
            if (!caller->property(kDone).toBool())
                Read(caller);
            if (!caller->property(kDone).toBool())
                caller->abort();
        });
    }
}

void SingleInstanceListener::Read(QLocalSocket *caller) {
    if (caller->property(kDone).toBool())
        return;
    QByteArray received = caller->property(kReceived).toByteArray();
    // Never more than one byte past the request: anything longer is refused unread.
    received += caller->read(kRequest.size() + 1 - received.size());
    if (!kRequest.startsWith(received)) {
        caller->abort();
        return;
    }
    caller->setProperty(kReceived, received);
    if (received.size() < kRequest.size())
        return;
    caller->setProperty(kDone, true);
    m_onCall();
    caller->write(kAnswer);
    caller->disconnectFromServer();
}

bool CallRunningCopy(const QString &name, std::chrono::milliseconds wait) {
    if (name.isEmpty())
        return false;
    const QDeadlineTimer deadline(wait);
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(Remaining(deadline)))
        return false;
    AllowCalledCopyForward(socket.socketDescriptor());
    socket.write(kRequest);
    // Its result says nothing here: a request already gone out leaves nothing to wait for.
    socket.waitForBytesWritten(Remaining(deadline));
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.waitForReadyRead(Remaining(deadline)))
        answer += socket.read(kAnswer.size() - answer.size());
    return answer == kAnswer;
}
