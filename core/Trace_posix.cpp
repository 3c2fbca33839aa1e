#include "core/Trace.h"

#include <QLoggingCategory>
#include <QString>

#include <cerrno>
#include <climits>
#include <csignal>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcTrace, "vantrelimport.trace", QtDebugMsg)

// Serialises the lines of all threads, so that the room seen by poll() is still there for the
// write that follows it.
std::mutex g_writing;

// Writes one line to standard error in one write, so that it arrives whole or not at all: cut to
// PIPE_BUF bytes (a write into a pipe that large is never split), and dropped when standard
// error cannot take it at once (nobody reads, or the reader is slow).
void WriteLine(std::string line) {
    if (line.size() > PIPE_BUF - 1)
        line.resize(PIPE_BUF - 1);
    line += '\n';
    const std::lock_guard<std::mutex> lock(g_writing);
    pollfd out{STDERR_FILENO, POLLOUT, 0};
    int ready = 0;
    do
        ready = ::poll(&out, 1, 0);
    while (ready < 0 && errno == EINTR);
    if (ready != 1 || (out.revents & POLLOUT) == 0)
        return;
    ssize_t written = 0;
    do
        written = ::write(STDERR_FILENO, line.data(), line.size());
    while (written < 0 && errno == EINTR);
}

// Qt's own messages, formatted as Qt formats them, take the same road as the traces.
void WriteQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    WriteLine(qFormatLogMessage(type, context, message).toLocal8Bit().toStdString());
}

} // namespace

std::string TraceBytes(const std::string &utf8Text) {
    return '"' + utf8Text + '"';
}

void TraceMessage(const std::string &utf8Text) {
    if (lcTrace().isDebugEnabled())
        WriteLine(TraceBytes(utf8Text));
}

void GuardStandardError() {
    std::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(WriteQtMessage);
}
