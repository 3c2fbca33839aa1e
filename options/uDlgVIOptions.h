#pragma once
// The Options dialog: the three connection strings, automatic download and its period, and
// whether information notifications are shown.

#include "DataSourceLocator.h"
#include "DialogSupport.h"

#include <QDialog>
#include <memory>

class IStoredValues;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class TWholeNumberEdit;

class TDlgVIOptions : public QDialog {
    Q_OBJECT
public:
    // prompt: the connection-string prompt behind `dl`; none gives the platform's.
    explicit TDlgVIOptions(QWidget *owner = nullptr,
                           std::unique_ptr<IDataSourcePrompt> prompt = nullptr);
    ~TDlgVIOptions() override;

    // Fills the dialog from the stored values, shows it modally and on OK writes the six
    // values back. True on OK; Cancel, Esc and the close box write nothing. A failed
    // translation is shown through showError (the application's error report), or a plain
    // error box when none is given, before the dialog opens; the connection prompt reports
    // its own the same way.
    static bool Execute(QWidget *owner, IStoredValues &values, const ErrorReporter &showError = {});

    // The two halves of Execute.
    void Fill(const IStoredValues &values);
    void Store(IStoredValues &values);

    void chkDownloadAutoClick();
    void actSelectDBVantrelMainExecute();
    void actSelectDBVantrelEventsExecute();
    void actSelectDBHarrowbyExecute();
    void btnOKClick();

    TDataSourceLocator *Locator() const { return dl; }
    void SetMessageBox(MessageBoxFn messageBox) { m_messageBox = std::move(messageBox); }

    void done(int result) override;

    // The message of a translation failure during creation; empty when there was none.
    const QString &CreationError() const { return m_creationError; }

private:
    void SelectDB(QPlainTextEdit *field);

    MessageBoxFn m_messageBox = ShowMessageBox;
    QString m_creationError;

    QPushButton *btnOK;
    QPushButton *btnCancel;
    QTabWidget *pag;
    QWidget *tabVantrel;
    QGroupBox *gbxVantrelMainDB;
    QPlainTextEdit *mmoVantrelDBMain;
    QPushButton *btnSelectDBMain;
    QGroupBox *gbxVantrelEventsDB;
    QPlainTextEdit *mmoVantrelDBEvents;
    QPushButton *btnSelectDBEvents;
    QWidget *tabHarrowby;
    QGroupBox *gbxHarrowbyDB;
    QPlainTextEdit *mmoHarrowbyDB;
    QPushButton *btnSelectDB;
    QWidget *tabDownload;
    QCheckBox *chkDownloadAuto;
    QLabel *lblFrequency;
    TWholeNumberEdit *edtMinutes;
    QLabel *lblminutes;
    QCheckBox *chkShowSysTrayInfo;

    TDataSourceLocator *dl;
    QObject *alistOptions;
    QAction *actSelectDBVantrelMain;
    QAction *actSelectDBVantrelEvents;
    QAction *actSelectDBHarrowby;
};
