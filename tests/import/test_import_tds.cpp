// Whole import runs through the real FreeTDS driver against the scripted TDS server, which plays
// all three databases: what reaches the target, what is counted, and a source that goes away.
#include "import/ImportRun.h"
#include "import/VantrelDatabases.h"
#include "run_fakes.h"

#include "TdsTestServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
}

std::string Lines(const QStringList &lines) {
    return lines.join(u'\n').toStdString();
}

QJsonArray EventColumns() {
    return {TdsColumn(S("EventID"), S("INT")), TdsColumn(S("CardNumber"), S("INT")),
            TdsColumn(S("IDHACT"), S("INT")), TdsColumn(S("FieldTime"), S("DATETIME")),
            TdsColumn(S("TermID"), S("INT"))};
}

QList<QJsonArray> FourEvents() {
    return {{501, 13398, 24, S("2013-01-26 16:37:41"), 3},
            {502, -2, 7, S("2013-01-26 08:05:59"), 1},
            {503, 1, 1, S("2013-01-27 09:00:00"), 1},
            {504, 2, 1, S("2013-01-27 09:01:00"), 1}};
}

QString Registration(const char *card, const char *time, int termId, int idhact) {
    return QStringLiteral("exec spComm8xReg N'%1', N'%2', N'%2', '999', %3, %4")
        .arg(S(card), S(time))
        .arg(termId)
        .arg(idhact);
}

class ImportThroughFreeTds : public ::testing::Test {
protected:
    void Run(const QJsonArray &rules) {
        server = std::make_unique<TdsTestServer>(QJsonObject{{S("rules"), rules}});
        ASSERT_TRUE(server->Started()) << server->Error().toStdString();
        values.WriteStoredValue(S("ConnStrVantrelMain"), server->ConnectionString(S("Vantrel")));
        values.WriteStoredValue(S("ConnStrVantrelEvents"),
                                server->ConnectionString(S("VantrelEvents")));
        values.WriteStoredValue(S("ConnStrTH7"), server->ConnectionString(S("TH7")));
        values.WriteStoredValue(S("EventIDLast"), 500);
        ImportRun run(databases.Databases(), values, state, host);
        run.Run();
    }

    // The statements that reached the target database, in order.
    QStringList TargetStatements() const {
        int target = 0;
        for (const QJsonObject &login : server->Log(S("login")))
            if (login[S("database")].toString() == S("TH7"))
                target = login[S("conn")].toInt();
        QStringList statements;
        for (const QJsonObject &batch : server->Log(S("batch")))
            if (batch[S("conn")].toInt() == target)
                statements.append(batch[S("text")].toString());
        return statements;
    }

    std::string Dump() const {
        QJsonArray log;
        for (const QJsonObject &entry : server->Log())
            log.append(entry);
        return QJsonDocument(log).toJson().toStdString();
    }

    std::unique_ptr<TdsTestServer> server;
    VantrelDatabases databases{nullptr};
    RecordingValues values;
    ProgramState state;
    FakeHost host;
};

} // namespace

TEST_F(ImportThroughFreeTds, DuplicatesAreSilentOtherRefusalsAreCounted) {
    Run({
        TdsRule(
            S("from Users t1"),
            {TdsResult(TdsEmployeeColumns(), {{17, S("Novak"), S("Ana"), S("2012-05-02 00:00:00"),
                                               S("18"), S("13398"), S("34560012")},
                                              {18, S("Horvat"), S("Ivan"), S("2012-05-03 00:00:00"),
                                               S("18"), S("13399"), QJsonValue()},
                                              {19, S("Šćepanović"), S("Đurđa"), QJsonValue(),
                                               QJsonValue(), QJsonValue(), QJsonValue()}})}),
        TdsRule(S("from Events"), {TdsResult(EventColumns(), FourEvents())}),
        // The department and employee 18 are there already; 18's card belongs to nobody the
        // target knows; one registration breaks a rule of the procedure.
        TdsRule(S("insert into Sektor"),
                {TdsError(2627, S("Violation of PRIMARY KEY constraint 'PK_Sektor'."), 14)}),
        TdsRule(S("N'18', N'Horvat'"),
                {TdsError(2627, S("Violation of PRIMARY KEY constraint 'PK_Zaposleni'."), 14)}),
        TdsRule(S("N'18', N'2012-05-03'"),
                {TdsError(547, S("The INSERT statement conflicted with the FOREIGN KEY "
                                 "constraint \"FK_Zaposleni\"."))}),
        TdsRule(S("N'FFFFFFFE'"),
                {TdsError(515, S("Cannot insert the value NULL into column 'Vreme'."))}),
    });

    EXPECT_EQ(Lines(host.Lines()),
              Lines({"I:Starting download", "info:Starting download", "I:2 new persons imported",
                     "I:2 new MediaIDs assigned",
                     "W:1 persons or MediaIDs could not be written. First error: "
                     "[FreeTDS][SQL Server]The INSERT statement conflicted with the "
                     "FOREIGN KEY constraint \"FK_Zaposleni\".",
                     "I:3 new registrations imported",
                     "W:1 registrations could not be written. First error: "
                     "[FreeTDS][SQL Server]Cannot insert the value NULL into column "
                     "'Vreme'.",
                     "info:Download finished", "I:Download finished"}));
    EXPECT_EQ(
        Lines(TargetStatements()),
        Lines({
            "insert into Sektor (IDSektora, NazivSektora) values (N'VANTIMP', N'VantrelImport')",
            "insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values (N'VANTIMP', "
            "N'17', N'Novak', N'Ana')",
            "insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, DatumDodeljivanja) values "
            "(N'2000005634120044', N'17', N'2012-05-02')",
            "insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values (N'VANTIMP', "
            "N'18', N'Horvat', N'Ivan')",
            "insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, DatumDodeljivanja) values "
            "(N'8B00005734120044', N'18', N'2012-05-03')",
            "insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values (N'VANTIMP', "
            "N'19', N'Šćepanović', N'Đurđa')",
            "insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, DatumDodeljivanja) values "
            "(N'3300000000000044', N'19', N'1899-12-30')",
            Registration("00003456", "2013-01-26 16:37", 3, 24),
            Registration("FFFFFFFE", "2013-01-26 08:05", 1, 7),
            Registration("00000001", "2013-01-27 09:00", 1, 1),
            Registration("00000002", "2013-01-27 09:01", 1, 1),
        }));

    // The events query got the stored values as its three parameters.
    QJsonArray arguments;
    for (const QJsonObject &call : server->Log(S("rpc")))
        if (call[S("statement")].toString().contains(S("from Events")))
            arguments = call[S("arguments")].toArray();
    EXPECT_EQ(arguments, (QJsonArray{500, 1280, 1307})) << Dump();
    EXPECT_EQ(values.ReadStoredValue(S("EventIDLast")).toInt(), 504);
    EXPECT_EQ(values.saved, QStringList({"EventIDLast=504"}));
    // One connection per database, in the order of the run, all of them closed again.
    QStringList logins;
    for (const QJsonObject &login : server->Log(S("login")))
        logins.append(login[S("database")].toString());
    EXPECT_EQ(Lines(logins), Lines({"Vantrel", "VantrelEvents", "TH7"}));
    EXPECT_FALSE(databases.connHarrowby().Connected());
}

TEST_F(ImportThroughFreeTds, SourceLostInTheEventsWalkFailsTheRun) {
    QJsonObject events = TdsRule(S("from Events"), {TdsResult(EventColumns(), FourEvents())});
    events[S("drop_after_rows")] = 2;
    Run({TdsRule(S("from Users t1"), {TdsResult(TdsEmployeeColumns(), {})}), events});

    const QStringList lines = host.Lines();
    ASSERT_GE(lines.size(), 2) << Lines(lines);
    const QString error = lines.last();
    // The provider's own message, as notification and as error entry, and nothing after it.
    EXPECT_EQ(error, S("E:[FreeTDS][SQL Server]Unexpected EOF from the server")) << Lines(lines);
    EXPECT_EQ(lines[lines.size() - 2], S("error:") + error.mid(2)) << Lines(lines);
    EXPECT_FALSE(lines.join(u'\n').contains(S("registrations imported"))) << Lines(lines);
    // The two events read before the loss were sent; progress is not kept, so the next run
    // reads them again.
    EXPECT_EQ(Lines(TargetStatements().mid(1)),
              Lines({Registration("00003456", "2013-01-26 16:37", 3, 24),
                     Registration("FFFFFFFE", "2013-01-26 08:05", 1, 7)}));
    EXPECT_EQ(values.ReadStoredValue(S("EventIDLast")).toInt(), 500);
    EXPECT_TRUE(values.saved.isEmpty());
    EXPECT_FALSE(state.downloadInProgress);
    EXPECT_FALSE(databases.connVantrelEvents().Connected());
}
