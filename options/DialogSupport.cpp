#include "DialogSupport.h"

#include "i18n/TranslateComponent.h"

#include <QApplication>
#include <QStringList>

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
