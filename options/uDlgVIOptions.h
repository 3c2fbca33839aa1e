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
    // values back. True on OK; Cancel, Esc and the close box write nothing.
    static bool Execute(QWidget *owner, IStoredValues &values);

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

private:
    void SelectDB(QPlainTextEdit *field);

    MessageBoxFn m_messageBox = ShowMessageBox;

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
