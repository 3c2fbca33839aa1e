#include "settings/WholeFileWrite.h"

#include "settings/FilePlatform.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

// write() may take only part of the data; a second call then reports why.
bool WriteAll(QFileDevice &file, const char *data, qint64 size) {
    while (size > 0) {
        const qint64 written = file.write(data, size);
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return true;
}

QString ReasonOf(const QFileDevice &file) {
    return file.error() != QFileDevice::NoError ? file.errorString()
                                                : QStringLiteral("Unknown error");
}

} // namespace

QString OverwriteInPlace(const QString &fileName, const QByteArray &bytes) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return file.errorString();
    // What is on disk now is what a failure must leave there.
    const QByteArray old = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    const qint64 oldSize = old.size();
    const qint64 newSize = bytes.size();

    if (newSize > oldSize) {
        const bool grown = file.seek(oldSize) &&
                           WriteAll(file, bytes.constData() + oldSize, newSize - oldSize) &&
                           file.flush();
        QString reason =
            grown ? QString::fromStdString(SyncFileToDisk(file.handle())) : ReasonOf(file);
        if (!reason.isEmpty()) {
            file.resize(oldSize);
            return reason;
        }
    }
    const qint64 head = std::min(oldSize, newSize);
    const bool written = file.seek(0) && WriteAll(file, bytes.constData(), head) && file.flush() &&
                         (newSize >= oldSize || file.resize(newSize));
    QString reason =
        written ? QString::fromStdString(SyncFileToDisk(file.handle())) : ReasonOf(file);
    if (reason.isEmpty())
        return {};
    // The blocks of the old content are still allocated: writing it back needs no new room.
    file.unsetError();
    if (file.seek(0) && WriteAll(file, old.constData(), oldSize))
        file.resize(oldSize);
    SyncFileToDisk(file.handle());
    return reason;
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
