#include "DialogSupport.h"

#include "i18n/TranslateComponent.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStringList>

QFont DesignFont() {
    static const QString family = [] {
        const QString tahoma = QStringLiteral("Tahoma");
        if (QFontDatabase::hasFamily(tahoma))
            return tahoma;
        // Wine's metric-compatible stand-in, where the system has it.
        const QStringList files = {
            QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"),
            QStringLiteral("/usr/share/fonts/truetype/wine/tahoma.ttf"),
        };
        for (const QString &file : files) {
            const int id = QFontDatabase::addApplicationFont(file);
            if (id >= 0) {
                const QStringList families = QFontDatabase::applicationFontFamilies(id);
                if (!families.isEmpty())
                    return families.front();
            }
        }
        return QString();
    }();
    QFont font = family.isEmpty() ? QApplication::font() : QFont(family);
    font.setPixelSize(11);
    return font;
}

void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                    const QString &text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

void TranslateDesignTexts(QWidget *form) {
    TranslateComponent(form);
}

QString FormatText(const QString &format, const QString &argument) {
    return QString::asprintf(format.toUtf8().constData(), argument.toUtf8().constData());
}
