#include "app/StartupErrorBox.h"

#include <QApplication>
#include <QMessageBox>
#include <memory>

void ShowStartupErrorBox(const std::string &utf8Text) {
    // Start-up may have failed before the application object existed.
    std::unique_ptr<QApplication> own;
    static int argc = 1;
    static char arg0[] = "VantrelImport";
    static char *argv[] = {arg0, nullptr};
    if (!QApplication::instance())
        own = std::make_unique<QApplication>(argc, argv);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                    QString::fromUtf8(utf8Text.c_str()), QMessageBox::Ok);
    box.exec();
}
