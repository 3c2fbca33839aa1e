#include "app/ErrorReport.h"

#include "core/Exceptions.h"

#include <QMessageBox>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <typeinfo>
#if __has_include(<cxxabi.h>)
#include <cxxabi.h>
#define VI_HAVE_CXXABI 1
#endif

namespace {

ErrorBoxFunction &ErrorBox() {
    static ErrorBoxFunction box;
    return box;
}

QString MessageOf(const std::exception &e) {
    if (const auto *ex = dynamic_cast<const Exception *>(&e))
        return ex->Message();
    return QString::fromUtf8(e.what());
}

QString ClassNameOf(const std::exception &e) {
    const char *name = typeid(e).name();
#ifdef VI_HAVE_CXXABI
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> plain(
        abi::__cxa_demangle(name, nullptr, nullptr, &status), &std::free);
    if (status == 0 && plain)
        return QString::fromUtf8(plain.get());
#endif
    return QString::fromUtf8(name);
}

} // namespace

QString WithHandlerFullStop(const QString &message) {
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

QString WithFullStop(const QString &message) {
    if (!message.isEmpty() && !message.endsWith(u'.'))
        return message + u'.';
    return message;
}

void SetErrorBox(ErrorBoxFunction box) {
    ErrorBox() = std::move(box);
}

void ShowErrorReport(const QString &message) {
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    const QString caption = QApplication::applicationName();
    const QString text = WithHandlerFullStop(message);
    if (ErrorBox()) {
        ErrorBox()(caption, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
}

void ShowException(const std::exception &e) {
    ShowErrorReport(MessageOf(e));
}

QString StartupFailureText(const std::exception &e, const QString &moduleName,
                           const void *address) {
    const QString nl = QStringLiteral("\n");
    return QString::asprintf("Exception %s in module %s at %p.",
                             ClassNameOf(e).toUtf8().constData(), moduleName.toUtf8().constData(),
                             address) +
           nl + WithFullStop(MessageOf(e)) + nl;
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ShowException(e);
    }
    return false;
}
