#include "DialogSupport.h"

#include "i18n/TranslateComponent.h"

#include <QApplication>
#include <QStringList>

void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                    const QString &text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

QString TranslateDesignTexts(QWidget *form) {
    try {
        TranslateComponent(form);
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

void ReportError(QWidget *owner, const QString &message, const ErrorReporter &showError) {
    if (showError) {
        showError(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), message,
                    QMessageBox::Ok, owner);
    box.exec();
}

namespace {

constexpr char kReporterName[] = "_vi_error_reporter";

class ReporterHolder : public QObject {
public:
    ReporterHolder(ErrorReporter showError, QObject *parent)
        : QObject(parent), reporter(std::move(showError)) {
        setObjectName(QString::fromLatin1(kReporterName));
    }
    ErrorReporter reporter;
};

ReporterHolder *HolderOf(const QWidget *window) {
    return dynamic_cast<ReporterHolder *>(window->findChild<QObject *>(
        QString::fromLatin1(kReporterName), Qt::FindDirectChildrenOnly));
}

} // namespace

void SetErrorReporterOf(QWidget *window, ErrorReporter showError) {
    if (ReporterHolder *holder = HolderOf(window))
        holder->reporter = std::move(showError);
    else
        new ReporterHolder(std::move(showError), window);
}

ErrorReporter ErrorReporterOf(const QWidget *window) {
    for (; window; window = window->parentWidget())
        if (const ReporterHolder *holder = HolderOf(window); holder && holder->reporter)
            return holder->reporter;
    return {};
}

QString FormatText(const QString &format, const QString &argument) {
    return QString::asprintf(format.toUtf8().constData(), argument.toUtf8().constData());
}
