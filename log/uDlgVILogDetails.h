#pragma once
// The log details dialog: the time and the whole description of one log row.

#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TDlgVILogDetails : public QDialog {
    Q_OBJECT
public:
    explicit TDlgVILogDetails(QWidget *owner);

    using ErrorReporter = std::function<void(const QString &message)>;

    // Creates the dialog owned by owner, shows it modally and releases it.
    // Edits made in the memo are discarded. A failed translation is shown through showError
    // (the application's error report), or a plain error box when none is given.
    static void Execute(QWidget *owner, const QString &time, const QString &description,
                        const ErrorReporter &showError = {});

    QLabel *lblLogDateTime;
    QPlainTextEdit *mmoLogDetails;
    QPushButton *btnOK;

    // The message of a translation failure during creation; empty when there was none.
    const QString &CreationError() const { return m_creationError; }

private:
    void FormCreate();
    QString m_creationError;
};
