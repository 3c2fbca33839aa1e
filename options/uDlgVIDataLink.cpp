#include "uDlgVIDataLink.h"

#include "OdbcDataSources.h"
#include "app/ProgramFont.h"
#include "core/Exceptions.h"
#include "i18n/TextLookup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

struct ProviderChoice {
    const char *name;
    const char *progId;
};
// The SQL Server providers and the ODBC bridge, newest first.
constexpr ProviderChoice kProviders[] = {
    {"Microsoft OLE DB Driver for SQL Server", "MSOLEDBSQL"},
    {"SQL Server Native Client 11.0", "SQLNCLI11"},
    {"Microsoft OLE DB Provider for SQL Server", "SQLOLEDB"},
    {"Microsoft OLE DB Provider for ODBC Drivers", "MSDASQL"},
};

// "SQLOLEDB.1" and "SQLOLEDB" name the same provider.
QString BaseProgId(const QString &provider) {
    const QString p = provider.trimmed();
    const qsizetype dot = p.lastIndexOf(u'.');
    if (dot > 0) {
        bool number = false;
        p.mid(dot + 1).toInt(&number);
        if (number)
            return p.left(dot);
    }
    return p;
}

template <typename W> W *Named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace

TDlgVIDataLink::TDlgVIDataLink(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("DlgVIDataLink"));
    setWindowTitle(QStringLiteral("Data Link Properties"));
    setFont(ProgramFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *top = new QVBoxLayout(this);

    auto *providerRow = new QHBoxLayout;
    auto *lblProvider = Named(new QLabel(QStringLiteral("&Provider:")), "lblProvider");
    cmbProvider = Named(new QComboBox, "cmbProvider");
    lblProvider->setBuddy(cmbProvider);
    providerRow->addWidget(lblProvider);
    providerRow->addWidget(cmbProvider, 1);
    top->addLayout(providerRow);

    // Where the data lives: a server for the SQL Server providers, an ODBC source otherwise.
    stkSource = Named(new QStackedWidget, "stkSource");
    auto *gbxServer = Named(new QGroupBox(QStringLiteral("Server")), "gbxServer");
    auto *serverGrid = new QGridLayout(gbxServer);
    auto *lblServer = Named(new QLabel(QStringLiteral("&Server name:")), "lblServer");
    edtServer = Named(new QLineEdit, "edtServer");
    lblServer->setBuddy(edtServer);
    serverGrid->addWidget(lblServer, 0, 0);
    serverGrid->addWidget(edtServer, 0, 1);
    serverGrid->setRowStretch(1, 1);
    stkSource->addWidget(gbxServer);

    auto *gbxOdbc = Named(new QGroupBox(QStringLiteral("ODBC data source")), "gbxOdbc");
    auto *odbcGrid = new QGridLayout(gbxOdbc);
    rbDataSourceName =
        Named(new QRadioButton(QStringLiteral("Use &data source name:")), "rbDataSourceName");
    cmbDataSourceName = Named(new QComboBox, "cmbDataSourceName");
    cmbDataSourceName->setEditable(true);
    rbOdbcString =
        Named(new QRadioButton(QStringLiteral("Use connection s&tring:")), "rbOdbcString");
    edtOdbcString = Named(new QLineEdit, "edtOdbcString");
    auto *odbcGroup = new QButtonGroup(this);
    odbcGroup->addButton(rbDataSourceName);
    odbcGroup->addButton(rbOdbcString);
    odbcGrid->addWidget(rbDataSourceName, 0, 0);
    odbcGrid->addWidget(cmbDataSourceName, 0, 1);
    odbcGrid->addWidget(rbOdbcString, 1, 0);
    odbcGrid->addWidget(edtOdbcString, 1, 1);
    stkSource->addWidget(gbxOdbc);
    top->addWidget(stkSource);

    auto *gbxLogon = Named(new QGroupBox(QStringLiteral("Log on to the server")), "gbxLogon");
    auto *logonGrid = new QGridLayout(gbxLogon);
    rbIntegrated =
        Named(new QRadioButton(QStringLiteral("Use &Windows integrated security")), "rbIntegrated");
    rbSqlServer =
        Named(new QRadioButton(QStringLiteral("Use S&QL Server authentication")), "rbSqlServer");
    auto *authGroup = new QButtonGroup(this);
    authGroup->addButton(rbIntegrated);
    authGroup->addButton(rbSqlServer);
    lblUserName = Named(new QLabel(QStringLiteral("&User name:")), "lblUserName");
    edtUserName = Named(new QLineEdit, "edtUserName");
    lblUserName->setBuddy(edtUserName);
    lblPassword = Named(new QLabel(QStringLiteral("Pass&word:")), "lblPassword");
    edtPassword = Named(new QLineEdit, "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(edtPassword);
    chkAllowSaving =
        Named(new QCheckBox(QStringLiteral("&Allow saving password")), "chkAllowSaving");
    logonGrid->addWidget(rbIntegrated, 0, 0, 1, 3);
    logonGrid->addWidget(rbSqlServer, 1, 0, 1, 3);
    logonGrid->setColumnMinimumWidth(0, 16);
    logonGrid->addWidget(lblUserName, 2, 1);
    logonGrid->addWidget(edtUserName, 2, 2);
    logonGrid->addWidget(lblPassword, 3, 1);
    logonGrid->addWidget(edtPassword, 3, 2);
    logonGrid->addWidget(chkAllowSaving, 4, 1, 1, 2);
    top->addWidget(gbxLogon);

    auto *databaseRow = new QHBoxLayout;
    auto *lblDatabase = Named(new QLabel(QStringLiteral("Database &name:")), "lblDatabase");
    edtDatabase = Named(new QLineEdit, "edtDatabase");
    lblDatabase->setBuddy(edtDatabase);
    databaseRow->addWidget(lblDatabase);
    databaseRow->addWidget(edtDatabase, 1);
    top->addLayout(databaseRow);

    gbxSecurity = Named(new QGroupBox(QStringLiteral("Security")), "gbxSecurity");
    auto *securityBox = new QVBoxLayout(gbxSecurity);
    chkEncrypt = Named(new QCheckBox(QStringLiteral("Use &encryption for data")), "chkEncrypt");
    chkTrustServerCertificate = Named(new QCheckBox(QStringLiteral("Trust server &certificate")),
                                      "chkTrustServerCertificate");
    securityBox->addWidget(chkEncrypt);
    securityBox->addWidget(chkTrustServerCertificate);
    top->addWidget(gbxSecurity);
    top->addStretch(1);

    auto *buttonRow = new QHBoxLayout;
    btnTestConnection =
        Named(new QPushButton(QStringLiteral("&Test Connection")), "btnTestConnection");
    btnTestConnection->setAutoDefault(false);
    btnOK = Named(new QPushButton(QStringLiteral("OK")), "btnOK");
    btnOK->setDefault(true);
    btnCancel = Named(new QPushButton(QStringLiteral("Cancel")), "btnCancel");
    btnCancel->setAutoDefault(false);
    buttonRow->addWidget(btnTestConnection);
    buttonRow->addStretch(1);
    buttonRow->addWidget(btnOK);
    buttonRow->addWidget(btnCancel);
    top->addLayout(buttonRow);

    m_creationError = TranslateDesignTexts(this);

    // Names, not texts: filled in after the translation.
    for (const ProviderChoice &p : kProviders)
        cmbProvider->addItem(QString::fromLatin1(p.name), QString::fromLatin1(p.progId));
    cmbDataSourceName->addItems(OdbcDataSourceNames());
    cmbDataSourceName->setCurrentIndex(-1);

    connect(cmbProvider, &QComboBox::currentIndexChanged, this, &TDlgVIDataLink::cmbProviderChange);
    connect(rbIntegrated, &QRadioButton::toggled, this, &TDlgVIDataLink::rbAuthenticationClick);
    connect(rbDataSourceName, &QRadioButton::toggled, this, &TDlgVIDataLink::rbOdbcSourceClick);
    connect(btnTestConnection, &QPushButton::clicked, this,
            &TDlgVIDataLink::btnTestConnectionClick);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    SetFields(OleDbConnectionFields{});
    resize(qMax(sizeHint().width(), 400), sizeHint().height());
}

bool TDlgVIDataLink::Execute(QWidget *parent, const QString &start, QString &result) {
    TDlgVIDataLink dialog(parent);
    if (!dialog.CreationError().isEmpty())
        ReportError(parent, dialog.CreationError(), ErrorReporterOf(parent));
    if (!start.isEmpty())
        dialog.SetFields(ParseOleDbConnectionFields(start));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    result = dialog.ConnectionString();
    return true;
}

void TDlgVIDataLink::SelectProvider(const QString &provider) {
    const QString base = BaseProgId(provider);
    int index = cmbProvider->findData(base, Qt::UserRole, Qt::MatchFixedString);
    if (index < 0) {
        // A provider we do not list stays selectable under its own name.
        cmbProvider->addItem(provider.trimmed(), base);
        index = cmbProvider->count() - 1;
    }
    cmbProvider->setCurrentIndex(index);
}

QString TDlgVIDataLink::SelectedProvider() const {
    const QString chosen = cmbProvider->currentData().toString();
    // Unchanged, the provider is written as the start string had it (version suffix and all).
    if (BaseProgId(m_start.provider).compare(chosen, Qt::CaseInsensitive) == 0)
        return m_start.provider.trimmed();
    return chosen;
}

void TDlgVIDataLink::SetFields(const OleDbConnectionFields &fields) {
    m_start = fields;
    const bool odbc = IsOdbcProvider(fields.provider);
    edtServer->setText(odbc ? QString() : fields.dataSource);
    cmbDataSourceName->setEditText(odbc ? fields.dataSource : QString());
    edtOdbcString->setText(fields.odbcConnectionString);
    (fields.odbcUseConnectionString ? rbOdbcString : rbDataSourceName)->setChecked(true);
    (fields.integratedSecurity ? rbIntegrated : rbSqlServer)->setChecked(true);
    edtUserName->setText(fields.userName);
    edtPassword->setText(fields.password);
    chkAllowSaving->setChecked(fields.allowSavingPassword);
    edtDatabase->setText(fields.database);
    chkEncrypt->setChecked(fields.encrypt);
    chkTrustServerCertificate->setChecked(fields.trustServerCertificate);
    SelectProvider(fields.provider);
    cmbProviderChange();
    rbAuthenticationClick();
    rbOdbcSourceClick();
}

OleDbConnectionFields TDlgVIDataLink::Fields() const {
    OleDbConnectionFields f = m_start;
    f.provider = SelectedProvider();
    const bool odbc = IsOdbcProvider(f.provider);
    f.dataSource = odbc ? cmbDataSourceName->currentText().trimmed() : edtServer->text().trimmed();
    if (odbc) {
        f.odbcUseConnectionString = rbOdbcString->isChecked();
        f.odbcConnectionString = edtOdbcString->text().trimmed();
        // A data source name that the start string had beside its ODBC string stays with it.
        if (f.odbcUseConnectionString && m_start.odbcUseConnectionString &&
            !f.dataSource.isEmpty() && f.dataSource == m_start.dataSource)
            f.others.prepend({QStringLiteral("Data Source"), f.dataSource});
    } else if (IsOdbcProvider(m_start.provider)) {
        f.odbcUseConnectionString = false; // an ODBC string means nothing to the other providers
    }
    f.integratedSecurity = !odbc && rbIntegrated->isChecked();
    f.userName = edtUserName->text();
    f.password = edtPassword->text();
    f.allowSavingPassword = chkAllowSaving->isChecked();
    f.database = edtDatabase->text(); // as typed: blanks at the ends are part of a name
    f.encrypt = !odbc && chkEncrypt->isChecked();
    f.trustServerCertificate = !odbc && chkTrustServerCertificate->isChecked();
    // A value the run refuses stays as typed until its box is changed.
    if (f.integratedSecurity != m_start.integratedSecurity)
        f.integratedAsTyped.reset();
    if (f.encrypt != m_start.encrypt)
        f.encryptAsTyped.reset();
    if (f.trustServerCertificate != m_start.trustServerCertificate)
        f.trustAsTyped.reset();
    return f;
}

QString TDlgVIDataLink::ConnectionString() const {
    return BuildOleDbConnectionString(Fields(), PasswordUse::AsAllowed);
}

void TDlgVIDataLink::cmbProviderChange() {
    const bool odbc = IsOdbcProvider(cmbProvider->currentData().toString());
    stkSource->setCurrentIndex(odbc ? 1 : 0);
    // Through ODBC the log-on is a user name and password, and encryption belongs to the
    // ODBC string.
    rbIntegrated->setEnabled(!odbc);
    if (odbc)
        rbSqlServer->setChecked(true);
    gbxSecurity->setEnabled(!odbc);
    rbAuthenticationClick();
}

void TDlgVIDataLink::rbAuthenticationClick() {
    const bool credentials = rbSqlServer->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(lblUserName), static_cast<QWidget *>(edtUserName),
                       static_cast<QWidget *>(lblPassword), static_cast<QWidget *>(edtPassword),
                       static_cast<QWidget *>(chkAllowSaving)})
        w->setEnabled(credentials);
}

void TDlgVIDataLink::rbOdbcSourceClick() {
    cmbDataSourceName->setEnabled(rbDataSourceName->isChecked());
    edtOdbcString->setEnabled(rbOdbcString->isChecked());
}

void TDlgVIDataLink::btnTestConnectionClick() {
    const QString connectionString = BuildOleDbConnectionString(Fields(), PasswordUse::Always);
    QString failure;
    bool ok = false;
    // Opening waits for the server (at most the connection's time-out) on this thread.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_opener(connectionString);
        ok = true;
    } catch (const Exception &e) {
        failure = e.Message();
    } catch (const std::exception &e) {
        failure = QString::fromUtf8(e.what());
    }
    QApplication::restoreOverrideCursor();
    const QString caption = TextLookup("Test Connection");
    if (ok)
        m_messageBox(this, QMessageBox::Information, caption,
                     TextLookup("Test connection succeeded."));
    else
        m_messageBox(this, QMessageBox::Critical, caption,
                     FormatText(TextLookup("Test connection failed:\n%s"), failure));
}
