#pragma once
// Helpers shared by the settings tests: whole-file bytes and a temporary folder.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

inline QByteArray FileBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

inline void PutFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Makes the CR LF line ends of expected texts visible in source: "\n" becomes "\r\n".
inline QByteArray Crlf(const char *text) {
    QByteArray b(text);
    b.replace("\n", "\r\n");
    return b;
}
