#include "uDlgVIOptions.h"

#include "Anchors.h"
#include "WholeNumberEdit.h"
#include "app/ProgramFont.h"
#include "core/Exceptions.h"
#include "i18n/TextLookup.h"
#include "settings/StoredValues.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {

// Client sizes the design positions refer to.
constexpr QSize kDialogSize(377, 368);
constexpr QSize kPageControlSize(371, 331);
constexpr QSize kPageSize(363, 303);
constexpr QSize kGroupSize(356, 143);

template <typename W>
W *Make(QWidget *parent, const char *name, const QRect &design, int anchors,
        const QSize &parentDesign) {
    W *w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    PlaceAnchored(w, design, anchors, parentDesign);
    return w;
}

// The settings file keeps one line per value: line breaks cannot survive it.
QString WithoutLineBreaks(QString text) {
    text.remove(u'\r');
    text.remove(u'\n');
    return text;
}

} // namespace

TDlgVIOptions::TDlgVIOptions(QWidget *owner, std::unique_ptr<IDataSourcePrompt> prompt)
    : QDialog(owner) {
    setObjectName(QStringLiteral("DlgVIOptions"));
    setWindowTitle(QStringLiteral("VantrelImport Options"));
    setFont(ProgramFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kDialogSize);

    btnOK = Make<QPushButton>(this, "btnOK", {217, 339, 75, 25}, akRight | akBottom, kDialogSize);
    btnOK->setText(QStringLiteral("OK"));
    btnOK->setDefault(true);
    btnCancel =
        Make<QPushButton>(this, "btnCancel", {298, 339, 75, 25}, akRight | akBottom, kDialogSize);
    btnCancel->setText(QStringLiteral("Cancel"));
    pag = Make<QTabWidget>(this, "pag", {3, 3, 371, 331}, akAll, kDialogSize);

    auto memo = [](QWidget *group, const char *name) {
        auto *m = Make<QPlainTextEdit>(group, name, {9, 18, 338, 89}, akLeftTopRight, kGroupSize);
        m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        m->setTabChangesFocus(true);
        return m;
    };
    auto selectButton = [](QWidget *group, const char *name) {
        auto *b = Make<QPushButton>(group, name, {271, 111, 75, 25}, akRight, kGroupSize);
        return b;
    };

    tabVantrel = new QWidget;
    tabVantrel->setObjectName(QStringLiteral("tabVantrel"));
    pag->addTab(tabVantrel, QStringLiteral("Vantrel"));
    gbxVantrelMainDB = Make<QGroupBox>(tabVantrel, "gbxVantrelMainDB", {3, 6, 356, 143},
                                       akLeftTopRight, kPageSize);
    gbxVantrelMainDB->setTitle(QStringLiteral("Main database"));
    mmoVantrelDBMain = memo(gbxVantrelMainDB, "mmoVantrelDBMain");
    btnSelectDBMain = selectButton(gbxVantrelMainDB, "btnSelectDBMain");
    gbxVantrelEventsDB = Make<QGroupBox>(tabVantrel, "gbxVantrelEventsDB", {3, 156, 356, 143},
                                         akLeftTopRight, kPageSize);
    gbxVantrelEventsDB->setTitle(QStringLiteral("Events database"));
    mmoVantrelDBEvents = memo(gbxVantrelEventsDB, "mmoVantrelDBEvents");
    btnSelectDBEvents = selectButton(gbxVantrelEventsDB, "btnSelectDBEvents");

    tabHarrowby = new QWidget;
    tabHarrowby->setObjectName(QStringLiteral("tabHarrowby"));
    pag->addTab(tabHarrowby, QStringLiteral("Harrowby"));
    gbxHarrowbyDB =
        Make<QGroupBox>(tabHarrowby, "gbxHarrowbyDB", {3, 6, 356, 143}, akLeftTopRight, kPageSize);
    gbxHarrowbyDB->setTitle(QStringLiteral("Tallyhouse7 database"));
    mmoHarrowbyDB = memo(gbxHarrowbyDB, "mmoHarrowbyDB");
    btnSelectDB = selectButton(gbxHarrowbyDB, "btnSelectDB");

    tabDownload = new QWidget;
    tabDownload->setObjectName(QStringLiteral("tabDownload"));
    pag->addTab(tabDownload, QStringLiteral("Download"));
    chkDownloadAuto =
        Make<QCheckBox>(tabDownload, "chkDownloadAuto", {3, 6, 353, 17}, akLeftTop, kPageSize);
    chkDownloadAuto->setText(
        QStringLiteral("Automatically download new employees and registrations"));
    lblFrequency =
        Make<QLabel>(tabDownload, "lblFrequency", {21, 30, 55, 13}, akLeftTop, kPageSize);
    lblFrequency->setText(QStringLiteral("Frequency:"));
    lblFrequency->setEnabled(false);
    edtMinutes =
        Make<TWholeNumberEdit>(tabDownload, "edtMinutes", {87, 27, 49, 21}, akLeftTop, kPageSize);
    edtMinutes->SetBounds(1, 999999);
    edtMinutes->setText(QStringLiteral("1"));
    edtMinutes->setEnabled(false);
    lblminutes = Make<QLabel>(tabDownload, "lblminutes", {141, 30, 45, 13}, akLeftTop, kPageSize);
    lblminutes->setText(QStringLiteral("minute(s)"));
    lblminutes->setEnabled(false);
    chkShowSysTrayInfo =
        Make<QCheckBox>(tabDownload, "chkShowSysTrayInfo", {3, 57, 355, 17}, akLeftTop, kPageSize);
    chkShowSysTrayInfo->setText(QStringLiteral("Show informations in systray"));

    dl = prompt ? new TDataSourceLocator(std::move(prompt), this) : new TDataSourceLocator(this);
    alistOptions = new QObject(this);
    alistOptions->setObjectName(QStringLiteral("alistOptions"));
    auto action = [this](const char *name) {
        auto *a = new QAction(QStringLiteral("Select..."), alistOptions);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    actSelectDBVantrelMain = action("actSelectDBVantrelMain");
    actSelectDBVantrelEvents = action("actSelectDBVantrelEvents");
    actSelectDBHarrowby = action("actSelectDBHarrowby");
    // A button shows its action's caption and runs it.
    for (auto [button, act] : {std::pair{btnSelectDBMain, actSelectDBVantrelMain},
                               std::pair{btnSelectDBEvents, actSelectDBVantrelEvents},
                               std::pair{btnSelectDB, actSelectDBHarrowby}}) {
        button->setText(act->text());
        connect(button, &QPushButton::clicked, act, [act] { act->trigger(); });
    }

    setTabOrder(btnOK, btnCancel);
    setTabOrder(btnCancel, pag);
    setTabOrder(pag, mmoVantrelDBMain);
    setTabOrder(mmoVantrelDBMain, btnSelectDBMain);
    setTabOrder(btnSelectDBMain, mmoVantrelDBEvents);
    setTabOrder(mmoVantrelDBEvents, btnSelectDBEvents);
    setTabOrder(btnSelectDBEvents, mmoHarrowbyDB);
    setTabOrder(mmoHarrowbyDB, btnSelectDB);
    setTabOrder(btnSelectDB, chkDownloadAuto);
    setTabOrder(chkDownloadAuto, edtMinutes);
    setTabOrder(edtMinutes, chkShowSysTrayInfo);
    pag->setCurrentIndex(0);
    btnOK->setFocus();

    m_creationError = TranslateDesignTexts(this);

    connect(chkDownloadAuto, &QCheckBox::toggled, this, &TDlgVIOptions::chkDownloadAutoClick);
    connect(actSelectDBVantrelMain, &QAction::triggered, this,
            &TDlgVIOptions::actSelectDBVantrelMainExecute);
    connect(actSelectDBVantrelEvents, &QAction::triggered, this,
            &TDlgVIOptions::actSelectDBVantrelEventsExecute);
    connect(actSelectDBHarrowby, &QAction::triggered, this,
            &TDlgVIOptions::actSelectDBHarrowbyExecute);
    connect(btnOK, &QPushButton::clicked, this, &TDlgVIOptions::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TDlgVIOptions::~TDlgVIOptions() = default;

bool TDlgVIOptions::Execute(QWidget *owner, IStoredValues &values, const ErrorReporter &showError) {
    TDlgVIOptions dialog(owner);
    if (!dialog.CreationError().isEmpty())
        ReportError(owner, dialog.CreationError(), showError);
    SetErrorReporterOf(&dialog, showError);
    dialog.Fill(values);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.Store(values);
    return true;
}

void TDlgVIOptions::Fill(const IStoredValues &values) {
    chkDownloadAuto->setChecked(values.ReadStoredValue(QStringLiteral("DownloadAuto")).toBool());
    edtMinutes->SetText(values.ReadStoredValue(QStringLiteral("DownloadTime")).toString());
    mmoVantrelDBMain->setPlainText(
        values.ReadStoredValue(QStringLiteral("ConnStrVantrelMain")).toString());
    mmoVantrelDBEvents->setPlainText(
        values.ReadStoredValue(QStringLiteral("ConnStrVantrelEvents")).toString());
    mmoHarrowbyDB->setPlainText(values.ReadStoredValue(QStringLiteral("ConnStrTH7")).toString());
    chkShowSysTrayInfo->setChecked(
        values.ReadStoredValue(QStringLiteral("SysTrayShowInfo")).toBool());
}

void TDlgVIOptions::Store(IStoredValues &values) {
    values.WriteStoredValue(QStringLiteral("DownloadAuto"), chkDownloadAuto->isChecked());
    values.WriteStoredValue(QStringLiteral("DownloadTime"), static_cast<int>(edtMinutes->Value()));
    values.WriteStoredValue(QStringLiteral("ConnStrVantrelMain"),
                            WithoutLineBreaks(mmoVantrelDBMain->toPlainText()));
    values.WriteStoredValue(QStringLiteral("ConnStrVantrelEvents"),
                            WithoutLineBreaks(mmoVantrelDBEvents->toPlainText()));
    values.WriteStoredValue(QStringLiteral("ConnStrTH7"),
                            WithoutLineBreaks(mmoHarrowbyDB->toPlainText()));
    values.WriteStoredValue(QStringLiteral("SysTrayShowInfo"), chkShowSysTrayInfo->isChecked());
}

void TDlgVIOptions::chkDownloadAutoClick() {
    const bool on = chkDownloadAuto->isChecked();
    lblFrequency->setEnabled(on);
    edtMinutes->setEnabled(on);
    lblminutes->setEnabled(on);
}

void TDlgVIOptions::SelectDB(QPlainTextEdit *field) {
    // The field is replaced only on success. A failure of the prompt is reported here: the
    // caller is Qt's own action handling, which no exception may cross.
    try {
        const QString text = field->toPlainText();
        const bool ok = text.isEmpty() ? dl->PromptNew(this) : dl->PromptEdit(this, text);
        if (ok)
            field->setPlainText(dl->ConnectionString());
    } catch (const Exception &e) {
        ReportError(this, e.Message(), ErrorReporterOf(this));
    } catch (const std::exception &e) {
        ReportError(this, QString::fromUtf8(e.what()), ErrorReporterOf(this));
    }
}

void TDlgVIOptions::actSelectDBVantrelMainExecute() {
    SelectDB(mmoVantrelDBMain);
}
void TDlgVIOptions::actSelectDBVantrelEventsExecute() {
    SelectDB(mmoVantrelDBEvents);
}
void TDlgVIOptions::actSelectDBHarrowbyExecute() {
    SelectDB(mmoHarrowbyDB);
}

void TDlgVIOptions::btnOKClick() {
    // Only an empty text counts as undefined: a blank or a line break alone passes.
    if (!mmoVantrelDBMain->toPlainText().isEmpty() &&
        !mmoVantrelDBEvents->toPlainText().isEmpty() && !mmoHarrowbyDB->toPlainText().isEmpty()) {
        accept();
        return;
    }
    QWidget *focused = focusWidget();
    m_messageBox(this, QMessageBox::Critical, TextLookup("Error"),
                 TextLookup("All databases must be defined."));
    // Back to where the user was, also where no window manager hands the activation back.
    activateWindow();
    if (focused)
        focused->setFocus(Qt::ActiveWindowFocusReason);
}

void TDlgVIOptions::done(int result) {
    // Closing is a loss of focus for the minutes field: its text is committed.
    edtMinutes->Commit();
    QDialog::done(result);
}
