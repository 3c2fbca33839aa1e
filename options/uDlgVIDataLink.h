#pragma once
// Our own connection prompt, in place of the platform's data-link dialog: provider, server,
// log-on, database and encryption, built into an OLE DB connection string, with a test of
// the connection through the program's own SQL Server layer.

#include "DialogSupport.h"
#include "OleDbConnectionString.h"

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

// Opens and closes a connection with the string; throws Exception with the provider's message.
using ConnectionOpener = std::function<void(const QString &connectionString)>;
// The default opener: the program's SQL Server connection with its 10-second time-out.
void OpenTestConnection(const QString &connectionString);

class TDlgVIDataLink : public QDialog {
    Q_OBJECT
public:
    explicit TDlgVIDataLink(QWidget *parent = nullptr);

    // Shows the prompt modally, filled from start (empty: a new string). On OK returns true
    // with the built string in result; otherwise result is left alone. A failed translation
    // is reported first, through the reporter that parent (or one of its parents) carries.
    static bool Execute(QWidget *parent, const QString &start, QString &result);

    void SetFields(const OleDbConnectionFields &fields);
    OleDbConnectionFields Fields() const;
    // The string to keep (the password only when saving it is allowed).
    QString ConnectionString() const;

    void SetConnectionOpener(ConnectionOpener opener) { m_opener = std::move(opener); }
    void SetMessageBox(MessageBoxFn messageBox) { m_messageBox = std::move(messageBox); }

    void cmbProviderChange();
    void rbAuthenticationClick();
    void rbOdbcSourceClick();
    void btnTestConnectionClick();

    // The message of a translation failure during creation; empty when there was none.
    const QString &CreationError() const { return m_creationError; }

private:
    void SelectProvider(const QString &provider);
    QString SelectedProvider() const;

    OleDbConnectionFields m_start; // what the prompt does not show is kept from here
    ConnectionOpener m_opener = OpenTestConnection;
    MessageBoxFn m_messageBox = ShowMessageBox;
    QString m_creationError;

    QComboBox *cmbProvider;
    QStackedWidget *stkSource;
    QLineEdit *edtServer;
    QRadioButton *rbDataSourceName;
    QComboBox *cmbDataSourceName;
    QRadioButton *rbOdbcString;
    QLineEdit *edtOdbcString;
    QRadioButton *rbIntegrated;
    QRadioButton *rbSqlServer;
    QLabel *lblUserName;
    QLineEdit *edtUserName;
    QLabel *lblPassword;
    QLineEdit *edtPassword;
    QCheckBox *chkAllowSaving;
    QLineEdit *edtDatabase;
    QGroupBox *gbxSecurity;
    QCheckBox *chkEncrypt;
    QCheckBox *chkTrustServerCertificate;
    QPushButton *btnTestConnection;
    QPushButton *btnOK;
    QPushButton *btnCancel;
};
