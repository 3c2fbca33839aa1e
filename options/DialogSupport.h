#pragma once
// What the option dialogs share: their message boxes (replaceable, so
// that tests can see what would be shown), the translation of their design texts and the
// report of a failure while they are created.

#include <QFont>
#include <QMessageBox>
#include <functional>

using MessageBoxFn = std::function<void(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &caption, const QString &text)>;
// A modal box with an OK button.
void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                    const QString &text);

// Translates the design texts of a freshly built window (the first step of its creation).
// A failure does not leave: the window keeps the texts translated so far, and the message
// is returned (empty when all went well) for the window's opener to report.
QString TranslateDesignTexts(QWidget *form);

// Shows a failure message: the application's error report where the program hands one in.
using ErrorReporter = std::function<void(const QString &message)>;
// Through showError, or a plain error box owned by owner when there is none.
void ReportError(QWidget *owner, const QString &message, const ErrorReporter &showError);
// A window can carry the reporter for the windows it opens in turn.
void SetErrorReporterOf(QWidget *window, ErrorReporter showError);
// The reporter carried by window or the nearest of its parents; empty when none does.
ErrorReporter ErrorReporterOf(const QWidget *window);

// Fills the C format (looked up already) with UTF-8 arguments.
QString FormatText(const QString &format, const QString &argument);
