#pragma once
// Reporting failures to the user: the box for a failure that escapes an event handler while
// the message loop runs, and the text of the start-up failure box.

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

// "." appended when the message is not empty and its last character sorts after "."
// (a message ending in a letter gets one; one ending in "." or ")" stays as it is).
QString WithHandlerFullStop(const QString &message);
// "." appended when the message is not empty and does not already end in ".".
QString WithFullStop(const QString &message);

// The error box: error icon, one OK button, the application title as caption.
using ErrorBoxFunction = std::function<void(const QString &caption, const QString &text)>;
// Replaces the box (tests); an empty function restores the message box.
void SetErrorBox(ErrorBoxFunction box);
// Shows a failure's message in the error box with the handler full-stop rule.
void ShowErrorReport(const QString &message);
// The same for a caught exception; Exception gives its message, others their what().
void ShowException(const std::exception &e);

// The text of the "Application Error" box for a failure that stopped start-up.
QString StartupFailureText(const std::exception &e, const QString &moduleName, const void *address);

// The application object: a failure escaping an event handler is reported and the
// program goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
