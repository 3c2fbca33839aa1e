#pragma once
// Catalogues for the tests, made by GNU msgfmt from .po text.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>
#include <ostream>
#include <utility>
#include <vector>

QT_BEGIN_NAMESPACE
// Readable failure messages for QString comparisons.
inline void PrintTo(const QString &text, std::ostream *os) {
    *os << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace testcat {

using Entries = std::vector<std::pair<QString, QString>>;

inline QByteArray PoQuote(const QString &text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + "\"";
}

// The .po text with the given Content-Type header line (without its trailing "\n").
inline QByteArray
PoText(const Entries &entries,
       const QString &contentType = QStringLiteral("Content-Type: text/plain; charset=UTF-8")) {
    QByteArray po = "msgid \"\"\nmsgstr \"\"\n\"Project-Id-Version: test\\n\"\n";
    po += PoQuote(contentType + QStringLiteral("\n")) + "\n\n";
    for (const auto &[key, value] : entries)
        po += "msgid " + PoQuote(key) + "\nmsgstr " + PoQuote(value) + "\n\n";
    return po;
}

// Compiles the .po text into moPath (folders created); big-endian when asked.
inline void WriteMo(const QString &moPath, const QByteArray &po, bool bigEndian = false) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(moPath).absolutePath()));
    const QString poPath = moPath + QStringLiteral(".po");
    QFile file(poPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(po);
    file.close();
    QStringList args{QStringLiteral("-o"), moPath, poPath};
    if (bigEndian)
        args.prepend(QStringLiteral("--endianness=big"));
    QProcess msgfmt;
    msgfmt.start(QStringLiteral("msgfmt"), args);
    ASSERT_TRUE(msgfmt.waitForFinished(30000)) << "msgfmt did not run";
    ASSERT_EQ(msgfmt.exitCode(), 0) << msgfmt.readAllStandardError().toStdString();
    QFile::remove(poPath);
}

// "<folder>/<code>/LC_MESSAGES/default.mo"
inline QString MoPath(const QString &folder, const QString &code) {
    return folder + code + QStringLiteral("/LC_MESSAGES/default.mo");
}

} // namespace testcat
