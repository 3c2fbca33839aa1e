#include "import/VantrelDatabases.h"

#include <QPointer>
#include <gtest/gtest.h>

namespace {

std::string Describe(const QList<TFieldDef> &fields) {
    QStringList parts;
    for (const TFieldDef &f : fields)
        parts.append(QStringLiteral("%1:%2:%3:%4:%5")
                         .arg(f.name, f.kind)
                         .arg(f.size)
                         .arg(f.precision)
                         .arg(f.scale));
    return parts.join(u' ').toStdString();
}

} // namespace

TEST(VantrelDatabases, EmployeesQuery) {
    EXPECT_EQ(EmployeesQueryText().toStdString(), "select\r\n"
                                                  "    t1.UserID,\r\n"
                                                  "    t1.LastName,\r\n"
                                                  "    t1.FirstName,\r\n"
                                                  "    t2.[Start Date] as StartDate,\r\n"
                                                  "    t2.[Family Number] as FamilyNumber,\r\n"
                                                  "    t2.[Card Number] as CardNumber,\r\n"
                                                  "    t2.CardNumHex\r\n"
                                                  "from Users t1\r\n"
                                                  "join Cards t2 on\r\n"
                                                  "    t2.UserID = t1.UserID\r\n"
                                                  "    and\r\n"
                                                  "    t2.[Start Date] = (\r\n"
                                                  "        select max(t3.[Start Date])\r\n"
                                                  "        from Cards t3\r\n"
                                                  "        where t3.UserID = t1.UserID\r\n"
                                                  "    )\r\n"
                                                  "order by\r\n"
                                                  "    t1.UserID");
    EXPECT_EQ(Describe(EmployeesQueryFields()),
              "UserID:AutoInc:0:0:0 LastName:WideString:50:0:0 FirstName:WideString:50:0:0 "
              "StartDate:DateTime:0:0:0 FamilyNumber:BCD:0:18:0 CardNumber:BCD:0:18:0 "
              "CardNumHex:WideString:10:0:0");
}

TEST(VantrelDatabases, EventsQuery) {
    EXPECT_EQ(EventsQueryText().toStdString(),
              "declare @EventIDLast integer\r\n"
              "declare @EventTypeMin integer\r\n"
              "declare @EventTypeMax integer\r\n"
              "\r\n"
              "set @EventIDLast = :pEventIDLast\r\n"
              "set @EventTypeMin = :pEventTypeMin\r\n"
              "set @EventTypeMax = :pEventTypeMax\r\n"
              "\r\n"
              "select\r\n"
              "    Events.[Event ID] as EventID,\r\n"
              "    Events.Data1 as CardNumber,\r\n"
              "    Events.Data2 as IDHACT,\r\n"
              "    Events.[Field Time] as FieldTime,\r\n"
              "    ([Record Names].Address - Events.Data2) / 8 as TermID\r\n"
              "from Events\r\n"
              "join [Record Names] on [Record Names].[Record Name ID] = Events.[Record Name ID]\r\n"
              "where\r\n"
              "    Events.[Event ID] > @EventIDLast\r\n"
              "    and\r\n"
              "    Events.[Event Type] between @EventTypeMin and @EventTypeMax\r\n"
              "order by\r\n"
              "    Events.[Event ID]");
    EXPECT_EQ(Describe(EventsQueryFields()),
              "EventID:Integer:0:0:0 CardNumber:Integer:0:0:0 IDHACT:Integer:0:0:0 "
              "FieldTime:DateTime:0:0:0 TermID:Integer:0:0:0");
}

TEST(VantrelDatabases, CreatedClosedAndOwned) {
    auto *owner = new QObject;
    QPointer<VantrelDatabases> databases = new VantrelDatabases(owner);
    ImportDatabases db = databases->Databases();
    EXPECT_EQ(db.connVantrelMain.Name(), "connVantrelMain");
    EXPECT_EQ(db.connVantrelEvents.Name(), "connVantrelEvents");
    EXPECT_EQ(db.connHarrowby.Name(), "connHarrowby");
    EXPECT_EQ(db.qryVantrelMain.Name(), "qryVantrelMain");
    EXPECT_EQ(db.qryVantrelEvents.Name(), "qryVantrelEvents");
    for (IConnection *c : {&db.connVantrelMain, &db.connVantrelEvents, &db.connHarrowby}) {
        EXPECT_FALSE(c->Connected());
        EXPECT_TRUE(c->ConnectionString().isEmpty());
    }
    EXPECT_FALSE(db.qryVantrelMain.Active());
    EXPECT_FALSE(db.qryVantrelEvents.Active());
    EXPECT_EQ(&db.connHarrowby, &databases->connHarrowby());
    EXPECT_EQ(databases->qryVantrelMain().SQL(), EmployeesQueryText());
    EXPECT_EQ(databases->qryVantrelEvents().SQL(), EventsQueryText());
    EXPECT_EQ(databases->qryVantrelEvents().ParameterNames(),
              QStringList({"pEventIDLast", "pEventTypeMin", "pEventTypeMax"}));
    EXPECT_TRUE(databases->qryVantrelMain().ParameterNames().isEmpty());
    // The events query knows its three parameters by name, whatever their letter case.
    db.qryVantrelEvents.SetParameter("PEVENTIDLAST", 1);
    db.qryVantrelEvents.SetParameter("pEventTypeMin", 1280);
    db.qryVantrelEvents.SetParameter("peventtypemax", 1307);
    EXPECT_THROW(db.qryVantrelMain.SetParameter("pEventIDLast", 1), Exception);

    delete owner;
    EXPECT_TRUE(databases.isNull());
}
