#include "log/uDlgVILogDetails.h"

#include "i18n/TranslateComponent.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

TDlgVILogDetails::TDlgVILogDetails(QWidget *owner) : QDialog(owner) {
    setObjectName(QStringLiteral("DlgVILogDetails"));
    setWindowTitle(QStringLiteral("Log details"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(271, 148);

    lblLogDateTime = new QLabel(QStringLiteral("XXX"), this); // the time replaces it
    lblLogDateTime->setObjectName(QStringLiteral("lblLogDateTime"));
    lblLogDateTime->move(6, 6);

    mmoLogDetails = new QPlainTextEdit(this);
    mmoLogDetails->setObjectName(QStringLiteral("mmoLogDetails"));
    mmoLogDetails->setGeometry(6, 24, 259, 89);
    mmoLogDetails->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(192, 119, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

void TDlgVILogDetails::Execute(QWidget *owner, const QString &time, const QString &description,
                               const ErrorReporter &showError) {
    TDlgVILogDetails dlg(owner);
    if (!dlg.CreationError().isEmpty() && showError)
        showError(dlg.CreationError());
    else if (!dlg.CreationError().isEmpty())
        QMessageBox(QMessageBox::Critical, QApplication::applicationName(), dlg.CreationError(),
                    QMessageBox::Ok, owner)
            .exec();
    dlg.lblLogDateTime->setText(time);
    dlg.lblLogDateTime->adjustSize();
    dlg.mmoLogDetails->setPlainText(description);
    dlg.exec();
}

void TDlgVILogDetails::FormCreate() {
    try {
        TranslateComponent(this);
    } catch (const std::exception &e) {
        m_creationError = QString::fromUtf8(e.what());
    }
}
