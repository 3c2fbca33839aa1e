#pragma once
// Writing a whole file so that a failure at any step (open, write, flush to disk, the final
// rename, the in-place path) is reported and leaves the file exactly as it was.

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// Replaces the file's content: a new file beside it is written, made durable and renamed over
// it. When no file can be made in its folder (typically the program's own folder, which the
// user may not write) but the file exists, it is overwritten in place. A file that did not
// exist gets `newFilePermissions`; an existing one keeps its own.
// Returns the operating system's reason for a failure, an empty text on success.
QString WriteWholeFile(const QString &fileName, const QByteArray &bytes,
                       QFileDevice::Permissions newFilePermissions);

// Overwrites an existing file in place. The part that grows the file is written first, so a
// full disk is met before a byte of the old content is touched; a failure after that puts the
// old content back. Returns the reason for a failure, empty on success; when the old content
// could not be put back either, the reason says so.
QString OverwriteInPlace(const QString &fileName, const QByteArray &bytes);

// Tests: the in-place path's writes and syncs, counted from 1 in each call, fail as on a full
// disk where their bit is set in `steps` (bit n for step n). 0 turns it off.
void FailInPlaceStepsForTesting(unsigned steps);
