#include "import/ImportRun.h"

#include "core/Trace.h"
#include "i18n/TextLookup.h"
#include "import/ADOConnectionMSSQL.h"
#include "import/iButton.h"

namespace {

// Quotes inside a value are doubled so that a value never changes the statement's meaning.
QByteArray Sql(const QString &value) {
    QString text = value;
    text.replace(u'\'', QStringLiteral("''"));
    return text.toUtf8();
}

QString MessageOf(const std::exception &e) {
    if (const auto *own = dynamic_cast<const Exception *>(&e))
        return own->Message();
    return QString::fromUtf8(e.what());
}

// The target refusing a row that is already there.
bool IsAlreadyThere(const std::exception &e) {
    const auto *db = dynamic_cast<const EDatabaseError *>(&e);
    return db != nullptr && db->IsDuplicateKey();
}

QString Counted(const char *format, int count) {
    return QString::asprintf(TextLookup(format).toUtf8().constData(), count);
}

// Rows of one walk that could not be written for another reason than being there already.
struct RowFailures {
    int count = 0;
    QString firstError;

    // Runs one guarded write; true when it succeeded.
    template <class Write> bool Guard(Write &&write) {
        try {
            write();
            return true;
        } catch (const std::exception &e) {
            if (!IsAlreadyThere(e)) {
                if (count == 0)
                    firstError = MessageOf(e);
                ++count;
            }
        }
        return false;
    }

    // One warning at the end of a walk, only when something failed.
    void Report(IImportHost &host, const char *format) const {
        if (count > 0)
            host.AddLogEntry(QString::asprintf(TextLookup(format).toUtf8().constData(), count,
                                               firstError.toUtf8().constData()),
                             LogEntryKind::Warning);
    }
};

// Clears the in-progress flag however the run ends.
struct InProgress {
    explicit InProgress(ProgramState &state) : m_state(state) { m_state.downloadInProgress = true; }
    ~InProgress() { m_state.downloadInProgress = false; }
    InProgress(const InProgress &) = delete;
    InProgress &operator=(const InProgress &) = delete;

private:
    ProgramState &m_state;
};

} // namespace

ImportRun::ImportRun(ImportDatabases databases, IStoredValues &values, ProgramState &state,
                     IImportHost &host)
    : m_db(databases), m_values(values), m_state(state), m_host(host) {}

void ImportRun::Run() {
    if (m_state.downloadInProgress)
        return;
    TraceMessage("actDownloadExecute: Započinjem download");
    const QString starting = TextLookup("Starting download");
    m_host.AddLogEntry(starting, LogEntryKind::Information);
    m_host.ShowInformationNotification(starting);

    {
        const InProgress inProgress(m_state);
        CloseAll();
        m_db.connVantrelMain.SetConnectionString(Text("ConnStrVantrelMain"));
        m_db.connVantrelEvents.SetConnectionString(Text("ConnStrVantrelEvents"));
        m_db.connHarrowby.SetConnectionString(Text("ConnStrTH7"));
        try {
            Import();
        } catch (const std::exception &e) {
            const QString message = MessageOf(e);
            m_host.ShowErrorNotification(message);
            m_host.AddLogEntry(message, LogEntryKind::Error);
        }
        CloseAll();
    }
    TraceMessage("actDownloadExecute: Završio download");
}

void ImportRun::CloseAll() {
    m_db.qryVantrelMain.Close();
    m_db.qryVantrelEvents.Close();
    m_db.connVantrelMain.Close();
    m_db.connVantrelEvents.Close();
    m_db.connHarrowby.Close();
}

QString ImportRun::Text(const char *name) const {
    return m_values.ReadStoredValue(QString::fromLatin1(name)).toString();
}

void ImportRun::Import() {
    m_db.connVantrelMain.Open();
    m_db.connVantrelEvents.Open();
    m_db.connHarrowby.Open();

    const QByteArray depId = Sql(Text("DepImportID"));
    const QByteArray depName = Sql(Text("DepImportName"));
    try {
        m_db.connHarrowby.Execute(
            QString::asprintf("insert into Sektor (IDSektora, NazivSektora) values ('%s', '%s')",
                              depId.constData(), depName.constData()));
    } catch (const std::exception &) {
        // Normally the department is there from an earlier run.
    }

    ImportEmployees(depId);
    ImportRegistrations();

    m_host.ShowInformationNotification(TextLookup("Download finished"));
    m_host.AddLogEntry(TextLookup("Download finished"), LogEntryKind::Information);
    m_state.elapsedSeconds = 0;
}

void ImportRun::ImportEmployees(const QByteArray &depId) {
    int persons = 0;
    int mediaIds = 0;
    RowFailures failures;
    IQuery &query = m_db.qryVantrelMain;
    query.Open();
    while (!query.Eof()) {
        if (failures.Guard([&] {
                const QByteArray userId = Sql(query.FieldAsString("UserID"));
                const QByteArray lastName = Sql(query.FieldAsString("LastName"));
                const QByteArray firstName = Sql(query.FieldAsString("FirstName"));
                m_db.connHarrowby.Execute(QString::asprintf(
                    "insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values ('%s', "
                    "'%s', '%s', '%s')",
                    depId.constData(), userId.constData(), lastName.constData(),
                    firstName.constData()));
            }))
            ++persons;
        // A card that yields no valid identifier counts as a failed row as well: it is data
        // that could not be written.
        if (failures.Guard([&] {
                const qint32 family = query.FieldAsInteger("FamilyNumber");
                const qint32 card = query.FieldAsInteger("CardNumber");
                const QByteArray mediaId =
                    Sql(NormalizeMediaID(CardText(family, card), 1).toUpper());
                const QByteArray userId = Sql(query.FieldAsString("UserID"));
                const QByteArray startDate =
                    Sql(query.FieldAsDateTime("StartDate").toString(QStringLiteral("yyyy-MM-dd")));
                m_db.connHarrowby.Execute(QString::asprintf(
                    "insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, "
                    "DatumDodeljivanja) values ('%s', '%s', '%s')",
                    mediaId.constData(), userId.constData(), startDate.constData()));
            }))
            ++mediaIds;
        query.Next();
    }

    m_host.AddLogEntry(Counted("%d new persons imported", persons), LogEntryKind::Information);
    m_host.AddLogEntry(Counted("%d new MediaIDs assigned", mediaIds), LogEntryKind::Information);
    failures.Report(m_host, "%d persons or MediaIDs could not be written. First error: %s");
}

void ImportRun::ImportRegistrations() {
    int registrations = 0;
    RowFailures failures;
    qint32 eventIdLast = m_values.ReadStoredValue(QStringLiteral("EventIDLast")).toInt();

    IQuery &query = m_db.qryVantrelEvents;
    query.SetParameter(QStringLiteral("pEventIDLast"),
                       m_values.ReadStoredValue(QStringLiteral("EventIDLast")));
    query.SetParameter(QStringLiteral("pEventTypeMin"),
                       m_values.ReadStoredValue(QStringLiteral("EventTypeMin")));
    query.SetParameter(QStringLiteral("pEventTypeMax"),
                       m_values.ReadStoredValue(QStringLiteral("EventTypeMax")));
    query.Open();
    while (!query.Eof()) {
        eventIdLast = query.FieldAsInteger("EventID");
        const qint32 card = query.FieldAsInteger("CardNumber");
        const QByteArray time =
            Sql(query.FieldAsDateTime("FieldTime").toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        const qint32 termId = query.FieldAsInteger("TermID");
        const qint32 idhact = query.FieldAsInteger("IDHACT");
        // The card number as 8 digits, a negative one in two's complement.
        const QByteArray cardText = QString::number(static_cast<quint32>(card), 16)
                                        .toUpper()
                                        .rightJustified(8, u'0')
                                        .toUtf8();
        const QString statement = QString::asprintf(
            "exec spComm8xReg '%s', '%s', '%s', '999', %d, %d", cardText.constData(),
            time.constData(), time.constData(), termId, idhact);
        // A registration that fails is not retried: the last event identifier has moved on.
        if (failures.Guard([&] { m_db.connHarrowby.Execute(statement); }))
            ++registrations;
        query.Next();
    }

    m_host.AddLogEntry(Counted("%d new registrations imported", registrations),
                       LogEntryKind::Information);
    failures.Report(m_host, "%d registrations could not be written. First error: %s");

    m_values.WriteStoredValue(QStringLiteral("EventIDLast"), QVariant(eventIdLast));
    try {
        // Progress reaches the settings file at once, so a crash does not resend registrations.
        m_values.SaveStoredValueNow(QStringLiteral("EventIDLast"));
    } catch (const std::exception &e) {
        // The value is in memory and goes to the file with the next save of the settings.
        m_host.AddLogEntry(MessageOf(e), LogEntryKind::Warning);
    }
}
