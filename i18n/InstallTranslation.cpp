#include "i18n/InstallTranslation.h"

#include "i18n/CatalogueTranslator.h"
#include "i18n/TranslationState.h"

#include <QApplication>
#include <QMessageBox>

void InstallTranslation(QApplication &app) {
    TranslationState &state = ProcessTranslation();
    state.SetProblemReporter([](const QString &caption, const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok);
        box.exec();
    });
    QApplication::installTranslator(new CatalogueTranslator(&state, &app));
}
