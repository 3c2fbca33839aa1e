#include "import/ImportRun.h"
#include "run_fakes.h"

#include "core/Exceptions.h"
#include "import/ADOConnectionMSSQL.h"
#include "import/StatementCancel.h"
#include "import/VantrelDatabases.h"
#include "schedule/DownloadTimer.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

namespace {

const QString kDepartment = QStringLiteral(
    "insert into Sektor (IDSektora, NazivSektora) values (N'VANTIMP', N'VantrelImport')");

FakeQuery::Row User(int userId, const QString &last, const QString &first, int family, int card,
                    QDate start) {
    return {{"UserID", userId},       {"LastName", last},
            {"FirstName", first},     {"StartDate", start.startOfDay()},
            {"FamilyNumber", family}, {"CardNumber", card},
            {"CardNumHex", QString()}};
}

FakeQuery::Row Event(int eventId, int eventType, int card, const QDateTime &time, int termId,
                     int idhact) {
    return {{"EventID", eventId}, {"EventType", eventType}, {"CardNumber", card},
            {"IDHACT", idhact},   {"FieldTime", time},      {"TermID", termId}};
}

class ImportRunTest : public testing::Test {
protected:
    ImportRunTest() {
        values.WriteStoredValue("ConnStrVantrelMain", "Provider=SQLOLEDB;Data Source=main");
        values.WriteStoredValue("ConnStrVantrelEvents", "Provider=SQLOLEDB;Data Source=events");
        values.WriteStoredValue("ConnStrTH7", "Provider=SQLOLEDB;Data Source=th7");
        // The events source: newer than the last one, within the type range, by identifier.
        events.select = [](const QList<FakeQuery::Row> &rows, const QMap<QString, QVariant> &p) {
            QList<FakeQuery::Row> result;
            for (const FakeQuery::Row &r : rows)
                if (r["EventID"].toInt() > p["pEventIDLast"].toInt() &&
                    r["EventType"].toInt() >= p["pEventTypeMin"].toInt() &&
                    r["EventType"].toInt() <= p["pEventTypeMax"].toInt())
                    result.append(r);
            std::sort(result.begin(), result.end(), [](const auto &a, const auto &b) {
                return a["EventID"].toInt() < b["EventID"].toInt();
            });
            return result;
        };
    }

    void RunOnce() { run.Run(); }
    QStringList Statements() const { return harrowby.executed; }
    int EventIDLast() const { return values.ReadStoredValue("EventIDLast").toInt(); }
    void ExpectAllClosed() const {
        EXPECT_FALSE(main.Connected());
        EXPECT_FALSE(eventsConn.Connected());
        EXPECT_FALSE(harrowby.Connected());
        EXPECT_FALSE(users.Active());
        EXPECT_FALSE(events.Active());
        EXPECT_FALSE(state.downloadInProgress);
    }

    Journal journal;
    FakeConnection main{"connVantrelMain", journal};
    FakeConnection eventsConn{"connVantrelEvents", journal};
    FakeConnection harrowby{"connHarrowby", journal};
    FakeQuery users{"qryVantrelMain", main, journal};
    FakeQuery events{"qryVantrelEvents", eventsConn, journal};
    RecordingValues values;
    ProgramState state;
    FakeHost host;
    ImportRun run{ImportDatabases{main, eventsConn, harrowby, users, events}, values, state, host};
};

TEST_F(ImportRunTest, EmployeeAndMediaIdStatements) {
    users.rows = {User(17, "Novak", "Ana", 18, 13398, QDate(2012, 5, 2))};
    state.elapsedSeconds = 123;
    RunOnce();

    EXPECT_EQ(
        Statements(),
        QStringList({kDepartment,
                     "insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values "
                     "(N'VANTIMP', N'17', N'Novak', N'Ana')",
                     "insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, "
                     "DatumDodeljivanja) values (N'2000005634120044', N'17', N'2012-05-02')"}));
    EXPECT_EQ(host.Lines(), QStringList({"I:Starting download", "info:Starting download",
                                         "I:1 new persons imported", "I:1 new MediaIDs assigned",
                                         "I:0 new registrations imported", "info:Download finished",
                                         "I:Download finished"}));
    EXPECT_EQ(state.elapsedSeconds, 0u);
    // No event read: the old value is written back and saved.
    EXPECT_EQ(EventIDLast(), 0);
    EXPECT_EQ(values.saved, QStringList({"EventIDLast=0"}));
    ExpectAllClosed();
}

TEST_F(ImportRunTest, RegistrationStatementAndEventIdProgress) {
    values.WriteStoredValue("EventIDLast", 500);
    events.rows = {
        Event(502, 1290, -2, QDateTime(QDate(2013, 1, 26), QTime(8, 5, 59)), 1, 7),
        Event(501, 1280, 13398, QDateTime(QDate(2013, 1, 26), QTime(16, 37, 41)), 3, 24),
        Event(503, 1308, 1, QDateTime(QDate(2013, 1, 27), QTime(9, 0)), 1, 1), // type too high
        Event(499, 1290, 1, QDateTime(QDate(2013, 1, 25), QTime(9, 0)), 1, 1), // imported before
    };
    RunOnce();

    EXPECT_EQ(Statements(), QStringList({kDepartment,
                                         "exec spComm8xReg N'00003456', N'2013-01-26 16:37', "
                                         "N'2013-01-26 16:37', '999', 3, 24",
                                         "exec spComm8xReg N'FFFFFFFE', N'2013-01-26 08:05', "
                                         "N'2013-01-26 08:05', '999', 1, 7"}));
    EXPECT_TRUE(host.Lines().contains("I:2 new registrations imported"));
    EXPECT_EQ(EventIDLast(), 502);
    EXPECT_EQ(values.saved, QStringList({"EventIDLast=502"}));

    // The filtered-out event 503 is not looked at again, and nothing is sent twice.
    harrowby.executed.clear();
    RunOnce();
    EXPECT_EQ(Statements(), QStringList({kDepartment}));
    EXPECT_EQ(events.parameters["pEventIDLast"].toInt(), 502);
    EXPECT_EQ(EventIDLast(), 502);
}

TEST_F(ImportRunTest, QuotesInValuesAreDoubled) {
    values.WriteStoredValue("DepImportID", "O'K");
    values.WriteStoredValue("DepImportName", "Vantrel's import");
    users.rows = {
        User(5, "O'Brien", "D'Arcy'); drop table Zaposleni; --", 1, 1, QDate(2020, 1, 1))};
    RunOnce();

    EXPECT_EQ(Statements().value(0),
              "insert into Sektor (IDSektora, NazivSektora) values (N'O''K', "
              "N'Vantrel''s import')");
    EXPECT_EQ(
        Statements().value(1),
        "insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values (N'O''K', N'5', "
        "N'O''Brien', N'D''Arcy''); drop table Zaposleni; --')");
}

TEST_F(ImportRunTest, SecondRunAgainstUnchangedSourcesCountsNothing) {
    harrowby.refuseDuplicates = true;
    users.rows = {User(17, "Novak", "Ana", 18, 13398, QDate(2012, 5, 2)),
                  User(18, "Horvat", "Ivan", 18, 13399, QDate(2012, 5, 3))};
    events.rows = {Event(1, 1280, 13398, QDateTime(QDate(2013, 1, 26), QTime(16, 37)), 3, 24)};
    RunOnce();
    EXPECT_TRUE(host.Lines().contains("I:2 new persons imported"));
    EXPECT_TRUE(host.Lines().contains("I:2 new MediaIDs assigned"));
    EXPECT_TRUE(host.Lines().contains("I:1 new registrations imported"));

    host.entries.clear();
    RunOnce();
    EXPECT_EQ(host.Lines(), QStringList({"I:Starting download", "info:Starting download",
                                         "I:0 new persons imported", "I:0 new MediaIDs assigned",
                                         "I:0 new registrations imported", "info:Download finished",
                                         "I:Download finished"}));
    // Department and both employees were offered again and refused.
    EXPECT_EQ(harrowby.executed.size(), 6 + 5);
    EXPECT_EQ(harrowby.accepted.size(), 6);
}

TEST_F(ImportRunTest, OtherRowFailuresAreCountedAndReportedOnce) {
    harrowby.refuseDuplicates = true;
    harrowby.failure = [](const QString &statement) {
        if (statement.contains("N'18', N'Horvat'"))
            ThrowDatabaseError("Invalid column name 'Ime'.");
        if (statement.contains("N'19', N'2012"))
            throw Exception("String or binary data would be truncated.");
        if (statement.startsWith("insert into Sektor"))
            ThrowDatabaseError("Invalid object name 'Sektor'."); // ignored without a word
    };
    users.rows = {User(17, "Novak", "Ana", 18, 13398, QDate(2012, 5, 2)),
                  User(18, "Horvat", "Ivan", 18, 13399, QDate(2012, 5, 3)),
                  User(19, "Kovac", "Eva", 18, 13400, QDate(2012, 5, 4))};
    // A user with two current cards: the second employee insert is refused as a duplicate.
    users.rows.append(User(17, "Novak", "Ana", 18, 13401, QDate(2012, 5, 2)));
    RunOnce();

    EXPECT_EQ(host.Lines(),
              QStringList({"I:Starting download", "info:Starting download",
                           "I:2 new persons imported", "I:3 new MediaIDs assigned",
                           "W:2 persons or MediaIDs could not be written. First error: Invalid "
                           "column name 'Ime'.",
                           "I:0 new registrations imported", "info:Download finished",
                           "I:Download finished"}));
    EXPECT_EQ(state.elapsedSeconds, 0u);
}

TEST_F(ImportRunTest, FailedRegistrationIsSkippedButEventIdAdvances) {
    harrowby.failure = [](const QString &statement) {
        if (statement.contains("'00000002'"))
            ThrowDatabaseError("Could not find stored procedure 'spComm8xReg'.");
        if (statement.contains("'00000003'"))
            ThrowDuplicateKey("Cannot insert duplicate key row.");
        if (statement.contains("'00000004'"))
            ThrowDatabaseError("Arithmetic overflow error.");
    };
    const QDateTime t(QDate(2013, 1, 26), QTime(16, 37));
    events.rows = {Event(10, 1280, 1, t, 1, 1), Event(11, 1280, 2, t, 1, 1),
                   Event(12, 1280, 3, t, 1, 1), Event(13, 1280, 4, t, 1, 1)};
    RunOnce();

    const QStringList lines = host.Lines();
    const qsizetype counted = lines.indexOf("I:1 new registrations imported");
    ASSERT_GE(counted, 0) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.value(counted + 1),
              "W:2 registrations could not be written. First error: Could not find stored "
              "procedure 'spComm8xReg'.");
    EXPECT_EQ(lines.value(counted + 2), "info:Download finished");
    EXPECT_FALSE(lines.join('\n').contains("persons or MediaIDs"));
    EXPECT_EQ(EventIDLast(), 13);
}

TEST_F(ImportRunTest, FailedOpenEndsTheRunWithAnError) {
    values.WriteStoredValue("ConnStrTH7", "");
    values.WriteStoredValue("EventIDLast", 77);
    users.rows = {User(17, "Novak", "Ana", 18, 13398, QDate(2012, 5, 2))};
    events.rows = {Event(80, 1280, 1, QDateTime(QDate(2013, 1, 26), QTime(16, 37)), 1, 1)};
    state.elapsedSeconds = 900;
    RunOnce();

    const QString message =
        "[unixODBC][Driver Manager]Data source name not found and no default driver specified";
    EXPECT_EQ(host.Lines(), QStringList({"I:Starting download", "info:Starting download",
                                         "error:" + message, "E:" + message}));
    EXPECT_TRUE(Statements().isEmpty());
    EXPECT_EQ(EventIDLast(), 77);
    EXPECT_TRUE(values.saved.isEmpty());
    EXPECT_EQ(state.elapsedSeconds, 900u);
    ExpectAllClosed();
    EXPECT_EQ(
        journal.mid(journal.size() - 5),
        QStringList({"close qryVantrelMain", "close qryVantrelEvents", "close connVantrelMain",
                     "close connVantrelEvents", "close connHarrowby"}));

    // Download is possible again and works once the string is there.
    values.WriteStoredValue("ConnStrTH7", "Provider=SQLOLEDB;Data Source=th7");
    RunOnce();
    EXPECT_EQ(EventIDLast(), 80);
}

TEST_F(ImportRunTest, UnreadableEventFieldEndsTheRun) {
    values.WriteStoredValue("EventIDLast", 5);
    FakeQuery::Row broken = Event(7, 1280, 2, QDateTime(QDate(2013, 1, 26), QTime(1, 2)), 1, 1);
    broken.remove("TermID");
    events.rows = {Event(6, 1280, 1, QDateTime(QDate(2013, 1, 26), QTime(1, 1)), 1, 1), broken};
    RunOnce();

    EXPECT_EQ(harrowby.executed.size(), 2); // department and the first event
    const QStringList lines = host.Lines();
    EXPECT_EQ(lines.mid(lines.size() - 2),
              QStringList({"error:qryVantrelEvents: Field 'TermID' not found",
                           "E:qryVantrelEvents: Field 'TermID' not found"}));
    EXPECT_EQ(EventIDLast(), 5);
    ExpectAllClosed();
}

TEST_F(ImportRunTest, RunWhileInProgressOrAfterTheEndWasRequestedDoesNothing) {
    users.rows = {User(17, "Novak", "Ana", 18, 13398, QDate(2012, 5, 2))};
    for (const bool ending : {false, true}) {
        state.downloadInProgress = !ending;
        if (ending)
            odbc::CancelAllStatements();
        testing::internal::CaptureStderr();
        RunOnce();
        odbc::ResetStatementCancel();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << ending;
        EXPECT_TRUE(host.entries.isEmpty()) << ending;
        EXPECT_TRUE(journal.isEmpty()) << ending;
        EXPECT_EQ(state.downloadInProgress, !ending);
    }
}

TEST_F(ImportRunTest, ARunStartedDuringARunDoesNothing) {
    users.rows = {User(17, "Novak", "Ana", 18, 13398, QDate(2012, 5, 2))};
    // The timer, or a click, reaching the run while a statement waits for the server.
    bool inProgressSeen = false, tried = false;
    harrowby.failure = [&](const QString &) {
        if (!std::exchange(tried, true)) {
            inProgressSeen = state.downloadInProgress;
            run.Run();
        }
    };
    RunOnce();
    EXPECT_TRUE(inProgressSeen);
    EXPECT_EQ(host.Lines().count("I:Starting download"), 1)
        << host.Lines().join('\n').toStdString();
    EXPECT_EQ(Statements().size(), 3); // department, employee, media identifier: once each
    EXPECT_FALSE(state.downloadInProgress);
}

TEST_F(ImportRunTest, ProgressThatCannotBeSavedIsAWarning) {
    values.saveFailure = "Cannot write settings.ini: read-only file";
    events.rows = {Event(8, 1280, 1, QDateTime(QDate(2013, 1, 26), QTime(16, 37)), 1, 1)};
    RunOnce();
    EXPECT_EQ(host.Lines().mid(2),
              QStringList({"I:0 new persons imported", "I:0 new MediaIDs assigned",
                           "I:1 new registrations imported",
                           "W:Cannot write settings.ini: read-only file", "info:Download finished",
                           "I:Download finished"}));
    // Kept in memory for the next save of the settings.
    EXPECT_EQ(EventIDLast(), 8);
    EXPECT_EQ(state.elapsedSeconds, 0u);
}

TEST_F(ImportRunTest, FailingAutomaticRunIsRetriedAfterAFullPeriodOnly) {
    values.WriteStoredValue("ConnStrTH7", "");
    values.WriteStoredValue("DownloadTime", 1);
    int runs = 0;
    DownloadTick tick(
        values, state,
        [&] {
            ++runs;
            RunOnce();
        },
        [](const std::string &) {});
    for (int second = 1; second <= 180; ++second)
        tick.Tick();
    // One error a minute, not one a second after the first failure.
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(host.Lines().filter("error:").size(), 3);
}

TEST_F(ImportRunTest, OrderOfCallsParametersAndTraces) {
    values.WriteStoredValue("EventIDLast", 100);
    values.WriteStoredValue("EventTypeMin", 1290);
    values.WriteStoredValue("EventTypeMax", 1300);
    testing::internal::CaptureStderr();
    RunOnce();
#ifndef _WIN32 // Windows traces go to the debugger (the Windows units test that)
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\"actDownloadExecute: Započinjem download\"\n"
              "\"actDownloadExecute: Završio download\"\n");
#else
    testing::internal::GetCapturedStderr();
#endif

    EXPECT_EQ(journal,
              QStringList({"close qryVantrelMain",
                           "close qryVantrelEvents",
                           "close connVantrelMain",
                           "close connVantrelEvents",
                           "close connHarrowby",
                           "connstr connVantrelMain=Provider=SQLOLEDB;Data Source=main",
                           "connstr connVantrelEvents=Provider=SQLOLEDB;Data Source=events",
                           "connstr connHarrowby=Provider=SQLOLEDB;Data Source=th7",
                           "open connVantrelMain",
                           "open connVantrelEvents",
                           "open connHarrowby",
                           "exec connHarrowby",
                           "open qryVantrelMain",
                           "param qryVantrelEvents.pEventIDLast=100",
                           "param qryVantrelEvents.pEventTypeMin=1290",
                           "param qryVantrelEvents.pEventTypeMax=1300",
                           "open qryVantrelEvents",
                           "close qryVantrelMain",
                           "close qryVantrelEvents",
                           "close connVantrelMain",
                           "close connVantrelEvents",
                           "close connHarrowby"}));
    EXPECT_EQ(events.parameters["pEventIDLast"].typeId(), QMetaType::Int);
}

TEST_F(ImportRunTest, NullCardFieldsGiveZeroDateAndZeroCard) {
    FakeQuery::Row row = User(17, "Novak", "Ana", 0, 0, QDate());
    row["StartDate"] = QVariant();
    row["FamilyNumber"] = QVariant();
    row["CardNumber"] = QVariant();
    row["FirstName"] = QVariant();
    users.rows = {row};
    RunOnce();

    EXPECT_EQ(Statements().value(1), "insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, "
                                     "Ime) values (N'VANTIMP', N'17', N'Novak', N'')");
    EXPECT_EQ(Statements().value(2), "insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, "
                                     "DatumDodeljivanja) values (N'3300000000000044', N'17', "
                                     "N'1899-12-30')");
}

// Names reach the statement as they were read: letters outside any 8-bit code page, a U+0000
// inside (which must not end the statement) and a leading U+FEFF.
TEST_F(ImportRunTest, NamesPassUnchanged) {
    const QString names[][2] = {
        {"Đorđević", "Šćepan"},
        {"Na" + QString(QChar(0)) + "me", QString::fromUtf16(u"\uFEFFAna")},
        {"𝔄𝔫𝔞", "李"},
    };
    for (const auto &name : names) {
        harrowby.executed.clear();
        users.rows = {User(3, name[0], name[1], 1, 1, QDate(2020, 2, 29))};
        RunOnce();
        EXPECT_EQ(Statements().value(1), "insert into Zaposleni (IDSektora, IDZaposlenog, "
                                         "Prezime, Ime) values (N'VANTIMP', N'3', N'" +
                                             name[0] + "', N'" + name[1] + "')");
    }
}

// SQLite as the target, reading SQL Server's Unicode literals N'...' as its plain ones.
class SqliteTarget : public IConnection {
public:
    explicit SqliteTarget(TADOConnectionMSSQL &connection) : m_connection(connection) {}
    QString Name() const override { return m_connection.Name(); }
    void SetConnectionString(const QString &text) override {
        m_connection.SetConnectionString(text);
    }
    QString ConnectionString() const override { return m_connection.ConnectionString(); }
    void Open() override { m_connection.Open(); }
    void Close() override { m_connection.Close(); }
    bool Connected() const override { return m_connection.Connected(); }
    void Execute(const QString &statement) override {
        QString plain;
        bool inLiteral = false;
        for (qsizetype i = 0; i < statement.size(); ++i) {
            const QChar c = statement[i];
            if (!inLiteral && c == u'N' && i + 1 < statement.size() && statement[i + 1] == u'\'' &&
                (i == 0 || !statement[i - 1].isLetterOrNumber()))
                continue;
            if (c == u'\'')
                inLiteral = !inLiteral; // a doubled quote leaves and enters again
            plain += c;
        }
        m_connection.Execute(plain);
    }

private:
    TADOConnectionMSSQL &m_connection;
};

// The employee walk and the target's statements through the real SQLite ODBC driver. The events
// query and the procedure call are SQL Server only: the events come from a double, and the
// call is refused by SQLite, which shows how a real provider's failure is reported.
TEST(ImportRunSqlite, EmployeesReachTheTargetOnceAndUnchanged) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString mainDb = "Driver=SQLite3;Database=" + dir.filePath("main.db");
    const QString th7Db = "Driver=SQLite3;Database=" + dir.filePath("th7.db");

    TADOConnectionMSSQL connMain("connVantrelMain");
    TADOConnectionMSSQL connTH7("connHarrowby");
    connMain.SetConnectionString(mainDb);
    for (const char *sql :
         {"create table Users (UserID integer primary key, LastName nvarchar(50), "
          "FirstName nvarchar(50))",
          "create table Cards (UserID integer, [Start Date] datetime, [Family Number] integer, "
          "[Card Number] integer, CardNumHex nvarchar(10))",
          "insert into Users values (17, 'Novak', 'Ana')",
          "insert into Users values (18, 'O''Brien', 'Seán')",
          "insert into Users values (19, 'Nocard', 'Nina')",
          "insert into Cards values (17, '2011-03-04 00:00:00', 1, 1, '')",
          "insert into Cards values (17, '2012-05-02 00:00:00', 18, 13398, '')",
          "insert into Cards values (18, '2013-01-01 00:00:00', 255, 65535, '')"})
        connMain.Execute(QString::fromUtf8(sql));
    connMain.Close();
    connTH7.SetConnectionString(th7Db);
    for (const char *sql :
         {"create table Sektor (IDSektora varchar(10) primary key, NazivSektora varchar(50))",
          "create table Zaposleni (IDSektora varchar(10), IDZaposlenog varchar(10) primary key, "
          "Prezime varchar(50), Ime varchar(50))",
          "create table Zaposleni_IDMemorija (IDNo varchar(16) primary key, IDZaposlenog "
          "varchar(10), DatumDodeljivanja varchar(10))"})
        connTH7.Execute(QString::fromUtf8(sql));
    connTH7.Close();

    // SQLite reports its text columns as narrow text, so they are declared that way here.
    TADOQuery qryMain("qryVantrelMain", connMain);
    qryMain.SetSQL(EmployeesQueryText());
    for (TFieldDef field : EmployeesQueryFields()) {
        if (field.kind == "WideString")
            field.kind = "String";
        if (field.kind == "BCD")
            field = {field.name, "Integer"};
        qryMain.AddField(field);
    }
    Journal journal;
    FakeConnection connEvents("connVantrelEvents", journal);
    FakeQuery qryEvents("qryVantrelEvents", connEvents, journal);
    qryEvents.rows = {Event(40, 1280, 13398, QDateTime(QDate(2013, 1, 26), QTime(16, 37)), 3, 24)};

    StoredValueTable values;
    values.WriteStoredValue("ConnStrVantrelMain", mainDb);
    values.WriteStoredValue("ConnStrVantrelEvents", "events");
    values.WriteStoredValue("ConnStrTH7", th7Db);
    ProgramState state;
    FakeHost host;
    SqliteTarget target(connTH7);
    ImportRun run(ImportDatabases{connMain, connEvents, target, qryMain, qryEvents}, values, state,
                  host);
    run.Run();

    QStringList lines = host.Lines();
    ASSERT_EQ(lines.size(), 8) << lines.join('\n').toStdString();
    EXPECT_EQ(lines.mid(2, 3), QStringList({"I:2 new persons imported", "I:2 new MediaIDs assigned",
                                            "I:0 new registrations imported"}));
    EXPECT_TRUE(lines[5].startsWith("W:1 registrations could not be written. First error: "))
        << lines[5].toStdString();
    EXPECT_TRUE(lines[5].contains("syntax error")); // the provider's own text
    EXPECT_EQ(values.ReadStoredValue("EventIDLast").toInt(), 40);
    EXPECT_FALSE(connMain.Connected());
    EXPECT_FALSE(connTH7.Connected());

    // What arrived, read back through the same layer.
    TADOQuery check("qryCheck", connTH7);
    check.SetSQL("select z.IDZaposlenog || '|' || z.Prezime || '|' || z.Ime || '|' || m.IDNo || "
                 "'|' || m.DatumDodeljivanja || '|' || s.NazivSektora as Line "
                 "from Zaposleni z join Zaposleni_IDMemorija m on m.IDZaposlenog = z.IDZaposlenog "
                 "join Sektor s on s.IDSektora = z.IDSektora order by z.IDZaposlenog");
    check.AddField({"Line", "String"});
    check.Open();
    QStringList rows;
    for (; !check.Eof(); check.Next())
        rows.append(check.FieldAsString("Line"));
    check.Close();
    connTH7.Close();
    EXPECT_EQ(rows, QStringList({"17|Novak|Ana|2000005634120044|2012-05-02|VantrelImport",
                                 "18|O'Brien|Seán|C30000FFFFFF0044|2013-01-01|VantrelImport"}));

    // Again with nothing new: every insert is refused as a duplicate, silently.
    qryEvents.rows.clear();
    host.entries.clear();
    run.Run();
    EXPECT_EQ(host.Lines(), QStringList({"I:Starting download", "info:Starting download",
                                         "I:0 new persons imported", "I:0 new MediaIDs assigned",
                                         "I:0 new registrations imported", "info:Download finished",
                                         "I:Download finished"}));
}

} // namespace
