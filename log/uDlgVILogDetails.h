#pragma once
// The log details dialog: the time and the whole description of one log row.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TDlgVILogDetails : public QDialog {
    Q_OBJECT
public:
    explicit TDlgVILogDetails(QWidget *owner);

    // Creates the dialog owned by owner, shows it modally and releases it.
    // Edits made in the memo are discarded.
    static void Execute(QWidget *owner, const QString &time, const QString &description);

    QLabel *lblLogDateTime;
    QPlainTextEdit *mmoLogDetails;
    QPushButton *btnOK;

    // The message of a translation failure during creation; empty when there was none.
    const QString &CreationError() const { return m_creationError; }

private:
    void FormCreate();
    QString m_creationError;
};
