#pragma once
// The About dialog: banner, program name, version number and the maker's notice. Its font
// is the application's (Tahoma 8 pt where the system has it).

#include "app/VersionInfo.h"

#include <QDialog>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;

class TDlgVIAbout : public QDialog {
    Q_OBJECT
public:
    TDlgVIAbout(QWidget *owner, const FileVersion &version);

    // Shows a failure to the user (the application's error report).
    using ErrorReporter = std::function<void(const QString &message)>;

    // The About command: reads the executable's file version, shows the dialog modally over
    // the owner and releases it when closed. A translation failure is shown first through
    // showError (a plain error box when none is given) and the dialog opens all the same.
    static void Execute(QWidget *owner, const ErrorReporter &showError = {});
    static void Execute(QWidget *owner, const FileVersion &version,
                        const ErrorReporter &showError = {});

    // The message of a translation failure during creation; empty when there was none.
    const QString &CreationError() const { return m_creationError; }

    // "%u.%u.%u.%u" without its last part: 1.0.0.0 gives "1.0.0".
    static QString VersionText(const FileVersion &version);
    // The 265 x 72 banner picture.
    static QImage BannerImage();

    QLabel *img;
    QLabel *lblApp;
    QLabel *lblVer;
    QLabel *lblCopyright;
    QFrame *Bevel;
    QPushButton *btnOK;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void FormCreate(const FileVersion &version);

    QString m_creationError;
};
