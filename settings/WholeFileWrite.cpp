#include "settings/WholeFileWrite.h"

#include "i18n/TextLookup.h"
#include "settings/FilePlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// write() may take only part of the data; a second call then reports why. `written` (when
// given) grows by what reached the file.
bool WriteAll(QFileDevice &file, const char *data, qint64 size, qint64 *written = nullptr) {
    while (size > 0) {
        const qint64 n = file.write(data, size);
        if (n <= 0)
            return false;
        data += n;
        size -= n;
        if (written != nullptr)
            *written += n;
    }
    return true;
}

QString ReasonOf(const QFileDevice &file) {
    return file.error() != QFileDevice::NoError ? file.errorString()
                                                : QStringLiteral("Unknown error");
}

} // namespace

namespace {

unsigned g_failingSteps = 0;

// The file being overwritten in place. Every write and sync is a step that tests can make fail.
class InPlaceFile {
public:
    explicit InPlaceFile(const QString &fileName) : m_file(fileName) {}
    QFile &File() { return m_file; }

    // Writes at `offset`; `written` (when given) grows by what reached the file.
    QString Write(qint64 offset, const char *data, qint64 size, qint64 *written = nullptr) {
        if (const QString fault = Fault(); !fault.isEmpty())
            return fault;
        return m_file.seek(offset) && WriteAll(m_file, data, size, written) && m_file.flush()
                   ? QString()
                   : ReasonOf(m_file);
    }
    QString Sync() {
        if (const QString fault = Fault(); !fault.isEmpty())
            return fault;
        return QString::fromStdString(SyncFileToDisk(m_file.handle()));
    }
    QString Resize(qint64 size) {
        m_file.unsetError();
        return m_file.resize(size) ? QString() : ReasonOf(m_file);
    }

private:
    QString Fault() {
        m_file.unsetError();
        ++m_step;
        return m_step < 32 && (g_failingSteps >> m_step & 1u) != 0
                   ? QString::fromLocal8Bit(std::strerror(ENOSPC))
                   : QString();
    }
    QFile m_file;
    int m_step = 0;
};

// A failure whose undoing failed too leaves a file that may be damaged: both are told.
QString WithPutBack(const QString &reason, const QString &putBackReason) {
    if (putBackReason.isEmpty())
        return reason;
    return reason + QLatin1Char(' ') +
           QString::asprintf(
               TextLookup("Its old content could not be put back: %s").toUtf8().constData(),
               putBackReason.toUtf8().constData());
}

} // namespace

void FailInPlaceStepsForTesting(unsigned steps) {
    g_failingSteps = steps;
}

QString OverwriteInPlace(const QString &fileName, const QByteArray &bytes) {
    InPlaceFile f(fileName);
    QFile &file = f.File();
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return file.errorString();
    // What is on disk now is what a failure must leave there.
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    const qint64 oldSize = old.size();
    const qint64 newSize = bytes.size();

    if (newSize > oldSize) {
        QString reason = f.Write(oldSize, bytes.constData() + oldSize, newSize - oldSize);
        if (reason.isEmpty())
            reason = f.Sync();
        if (!reason.isEmpty()) {
            // Nothing of the old content was touched yet: cutting the growth off restores it.
            QString putBack = f.Resize(oldSize);
            if (putBack.isEmpty())
                putBack = f.Sync();
            return WithPutBack(reason, putBack);
        }
    }
    qint64 overwritten = 0;
    QString reason = f.Write(0, bytes.constData(), std::min(oldSize, newSize), &overwritten);
    bool shrunk = false;
    if (reason.isEmpty() && newSize < oldSize) {
        reason = f.Resize(newSize);
        shrunk = reason.isEmpty();
    }
    if (reason.isEmpty())
        reason = f.Sync();
    if (reason.isEmpty())
        return {};
    // Puts back what was overwritten. Its blocks are still allocated, so this needs no new
    // room, unless the file was shrunk already: then it must grow again.
    QString putBack = f.Write(0, old.constData(), shrunk ? oldSize : overwritten);
    if (putBack.isEmpty())
        putBack = f.Resize(oldSize);
    if (putBack.isEmpty())
        putBack = f.Sync();
    return WithPutBack(reason, putBack);
}

QString WriteWholeFile(const QString &fileName, const QByteArray &bytes,
                       QFileDevice::Permissions newFilePermissions) {
    const bool existed = QFileInfo::exists(fileName);
    QSaveFile file(fileName);
    file.setDirectWriteFallback(false); // it would truncate first and could leave a stump
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (existed)
            return OverwriteInPlace(fileName, bytes);
        return file.errorString();
    }
    if (!existed)
        file.setPermissions(newFilePermissions);
    // Every step is checked here: commit() alone lets a failed flush or sync pass and then
    // renames a short file over the good one.
    if (!WriteAll(file, bytes.constData(), bytes.size()) || !file.flush()) {
        const QString reason = ReasonOf(file);
        file.cancelWriting();
        return reason;
    }
    const QString syncError = QString::fromStdString(SyncFileToDisk(file.handle()));
    if (!syncError.isEmpty()) {
        file.cancelWriting();
        return syncError;
    }
    if (!file.commit())
        return ReasonOf(file);
    return {};
}
