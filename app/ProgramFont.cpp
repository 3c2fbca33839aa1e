#include "app/ProgramFont.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>

namespace {

bool EnsureTahoma() {
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive))
        return true;
    // Debian's fonts-wine ships a metric stand-in for Tahoma.
    for (const char *path :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/fonts/truetype/wine/tahoma.ttf"}) {
        if (QFile::exists(QString::fromLatin1(path)) &&
            QFontDatabase::addApplicationFont(QString::fromLatin1(path)) >= 0)
            return true;
    }
    return false;
}

} // namespace

QFont ProgramFont() {
    static const bool haveTahoma = EnsureTahoma();
    if (!haveTahoma)
        return QGuiApplication::font();
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    return f;
}
