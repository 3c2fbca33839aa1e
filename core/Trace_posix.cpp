#include "core/Trace.h"

#include <QLoggingCategory>
#include <QString>

#include <cerrno>
#include <climits>
#include <csignal>
#include <poll.h>
#include <unistd.h>

namespace {

Q_LOGGING_CATEGORY(lcTrace, "vantrelimport.trace", QtDebugMsg)

// Writes what standard error takes at once, in pieces of at most PIPE_BUF bytes: one such
// write into a pipe that polls writable cannot block. The rest is dropped.
void WriteWithoutBlocking(const char *data, size_t size) {
    while (size > 0) {
        pollfd out{STDERR_FILENO, POLLOUT, 0};
        int ready = 0;
        do
            ready = ::poll(&out, 1, 0);
        while (ready < 0 && errno == EINTR);
        if (ready != 1 || (out.revents & POLLOUT) == 0)
            return; // nobody reads, or the reader is slow
        ssize_t written = 0;
        do
            written = ::write(STDERR_FILENO, data, size < PIPE_BUF ? size : PIPE_BUF);
        while (written < 0 && errno == EINTR);
        if (written <= 0)
            return;
        data += written;
        size -= size_t(written);
    }
}

// Qt's own messages, formatted as Qt formats them, take the same road as the traces.
void WriteQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    const QByteArray line = qFormatLogMessage(type, context, message).toLocal8Bit() + '\n';
    WriteWithoutBlocking(line.constData(), size_t(line.size()));
}

} // namespace

std::string TraceBytes(const std::string &utf8Text) {
    return '"' + utf8Text + '"';
}

void TraceMessage(const std::string &utf8Text) {
    if (!lcTrace().isDebugEnabled())
        return;
    std::string line = TraceBytes(utf8Text);
    // A trace is one write, so it is either written whole or dropped whole.
    if (line.size() > PIPE_BUF - 1)
        line.resize(PIPE_BUF - 1);
    line += '\n';
    WriteWithoutBlocking(line.data(), line.size());
}

void GuardStandardError() {
    std::signal(SIGPIPE, SIG_IGN);
    qInstallMessageHandler(WriteQtMessage);
}
