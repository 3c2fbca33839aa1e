#include "app/ProgramFont.h"

#include <QApplication>
#include <QFontDatabase>

namespace {

QString TahomaFamily() {
    const QString tahoma = QStringLiteral("Tahoma");
    if (QFontDatabase::hasFamily(tahoma))
        return tahoma;
    // Debian's fonts-wine ships a metric stand-in for Tahoma.
    for (const char *path :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/fonts/truetype/wine/tahoma.ttf"}) {
        const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
        if (id >= 0) {
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (!families.isEmpty())
                return families.front();
        }
    }
    return {};
}

} // namespace

QFont ProgramFont() {
    static const QString family = TahomaFamily();
    QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
    font.setPixelSize(11);
    return font;
}
