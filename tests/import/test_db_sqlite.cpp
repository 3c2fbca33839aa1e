// The connection and query classes against the real SQLite ODBC driver. SQLite reports
// NVARCHAR and DECIMAL columns as VARCHAR ("String"), so fields are declared as it reports them.
#include "db_sqlite_fixture.h"

#include <time.h>

namespace {

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// The process's local time zone, changed for the guard's lifetime.
class LocalZone {
public:
    explicit LocalZone(const char *tz)
        : m_had(qEnvironmentVariableIsSet("TZ")), m_old(qgetenv("TZ")) {
        qputenv("TZ", tz);
        tzset();
    }
    ~LocalZone() {
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    bool m_had;
    QByteArray m_old;
};

} // namespace

TEST_F(SqliteDb, OpenCloseAndExecuteOpensFirst) {
    EXPECT_EQ(conn.Name(), S("connTest"));
    EXPECT_EQ(conn.property("ConnectionString").toString(), conn.ConnectionString());
    EXPECT_FALSE(conn.Connected());
    conn.Close(); // closed: nothing happens
    conn.Execute(S("create table t (id integer primary key)"));
    EXPECT_TRUE(conn.Connected());
    conn.Open(); // open: nothing happens
    EXPECT_TRUE(conn.Connected());
    conn.Close();
    EXPECT_FALSE(conn.Connected());
    conn.Open();
    conn.Execute(S("insert into t values (1)"));
    EXPECT_TRUE(conn.Connected());
}

TEST_F(SqliteDb, EmptyOrMalformedStringFailsWithTheDriverManagersMessage) {
    for (const char *text : {"", "Provider=SQLOLEDB;Data Source='oops", "Driver={NoSuchDriver}"}) {
        conn.SetConnectionString(S(text));
        const QString message = MessageOf([&] { conn.Open(); });
        EXPECT_TRUE(message.startsWith(S("[unixODBC][Driver Manager]")))
            << text << ": " << message.toStdString();
        EXPECT_FALSE(conn.Connected());
    }
}

TEST_F(SqliteDb, FailedStatementKeepsTheConnectionUsable) {
    conn.Execute(S("create table t (id integer primary key, name text)"));
    conn.Execute(S("insert into t values (1, 'a')"));
    try {
        conn.Execute(S("insert into t values (1, 'again')"));
        FAIL() << "duplicate key accepted";
    } catch (const EDatabaseError &e) {
        // The driver's own text, nothing in front of it.
        EXPECT_TRUE(e.Message().startsWith(S("[SQLite]"))) << e.what();
        EXPECT_TRUE(e.Message().contains(S("UNIQUE constraint failed"))) << e.what();
        EXPECT_TRUE(e.IsDuplicateKey());
        EXPECT_EQ(e.SqlState(), S("HY000"));
        EXPECT_EQ(e.NativeError(), 19);
    }
    EXPECT_TRUE(conn.Connected());
    try {
        conn.Execute(S("insert into nowhere values (1)"));
        FAIL() << "missing table accepted";
    } catch (const EDatabaseError &e) {
        EXPECT_TRUE(e.Message().contains(S("no such table"))) << e.what();
        EXPECT_FALSE(e.IsDuplicateKey());
    }
    conn.Execute(S("insert into t values (2, 'b')"));
    conn.Execute(S("select * from t")); // a result set is discarded unread
    conn.Execute(S("insert into t values (3, 'c')"));

    TADOQuery q(S("qryTest"), conn);
    q.SetSQL(S("select count(*) as n from t"));
    q.AddField({S("n"), S("Integer")});
    q.Open();
    EXPECT_EQ(q.FieldAsInteger(S("N")), 3);
}

TEST_F(SqliteDb, ParametersByNameWithNullForEmptyValues) {
    conn.Execute(S("create table t (id integer primary key, v integer)"));
    conn.Execute(S("insert into t values (1, 10)"));
    conn.Execute(S("insert into t values (2, null)"));
    conn.Execute(S("insert into t values (3, 30)"));
    TADOQuery q(S("qryTest"), conn);
    q.SetSQL(S("select id from t where id > :pLow and (v = :pV or (:pV is null and v is null))\n"
               "order by id"));
    EXPECT_EQ(q.ScannedSQL(),
              S("select id from t where id > ? and (v = ? or (? is null and v is null))\n"
                "order by id"));
    EXPECT_EQ(q.ParameterNames(), QStringList({S("pLow"), S("pV"), S("pV")}));
    q.AddField({S("id"), S("Integer")});

    q.SetParameter(S("PLOW"), 0);
    q.SetParameter(S("pv"), QVariant());
    q.Open();
    ASSERT_FALSE(q.Eof());
    EXPECT_EQ(q.FieldAsInteger(S("id")), 2);
    q.Next();
    EXPECT_TRUE(q.Eof());
    q.Close();

    q.SetParameter(S("pV"), S("")); // empty text binds NULL as well
    q.Open();
    EXPECT_EQ(q.FieldAsInteger(S("id")), 2);
    q.Close();

    q.SetParameter(S("pV"), S("30")); // text goes to the driver, which makes it a number
    q.Open();
    EXPECT_EQ(q.FieldAsInteger(S("id")), 3);
    q.Close();

    q.SetParameter(S("pLow"), qint64(1));
    q.SetParameter(S("pV"), 10);
    q.Open();
    EXPECT_TRUE(q.Eof()); // id 1 is not above 1

    EXPECT_EQ(MessageOf([&] { q.SetParameter(S("pNope"), 1); }),
              S("qryTest: Parameter 'pNope' not found"));
}

TEST_F(SqliteDb, WalkEmptyResultAndEndOfData) {
    conn.Execute(S("create table t (id integer primary key, name nvarchar(20))"));
    TADOQuery q(S("qryTest"), conn);
    q.SetSQL(S("select id, name from t order by id"));
    q.AddField({S("id"), S("Integer")});
    q.AddField({S("name"), S("String")});
    q.Open();
    EXPECT_TRUE(q.Active());
    EXPECT_TRUE(q.Eof()); // at once, empty result
    q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(q.FieldAsInteger(S("id")), 0);
    EXPECT_EQ(q.FieldAsString(S("name")), S(""));
    q.Close();
    EXPECT_FALSE(q.Active());

    for (int i = 1; i <= 5; ++i)
        conn.Execute(QStringLiteral("insert into t values (%1, 'n%1')").arg(i));
    q.Open();
    QStringList seen;
    for (; !q.Eof(); q.Next())
        seen << q.FieldAsString(S("name")) + S("=") + q.FieldAsString(S("id"));
    EXPECT_EQ(seen, QStringList({S("n1=1"), S("n2=2"), S("n3=3"), S("n4=4"), S("n5=5")}));
    EXPECT_EQ(q.FieldAsInteger(S("id")), 5); // the last row stays current at end of data
    q.Next();
    EXPECT_TRUE(q.Eof());
    EXPECT_EQ(MessageOf([&] { q.FieldAsString(S("other")); }),
              S("qryTest: Field 'other' not found"));
    q.Close();
    EXPECT_EQ(MessageOf([&] { q.Next(); }),
              S("qryTest: Cannot perform this operation on a closed dataset"));
}

TEST_F(SqliteDb, OpeningAnOpenQueryDoesNotRunItAgain) {
    conn.Execute(S("create table t (id integer primary key)"));
    conn.Execute(S("insert into t values (1)"));
    TADOQuery q(S("qryTest"), conn);
    q.SetSQL(S("select count(*) as n from t"));
    q.AddField({S("n"), S("Integer")});
    q.Open();
    EXPECT_EQ(q.FieldAsInteger(S("n")), 1);
    conn.Execute(S("insert into t values (2)"));
    q.Open();
    EXPECT_EQ(q.FieldAsInteger(S("n")), 1);
    q.Close();
    q.Open();
    EXPECT_EQ(q.FieldAsInteger(S("n")), 2);
    conn.Close(); // closing the connection closes its queries
    EXPECT_FALSE(q.Active());
    q.Open(); // and opening the query connects again
    EXPECT_TRUE(conn.Connected());
    EXPECT_EQ(q.FieldAsInteger(S("n")), 2);
}

TEST_F(SqliteDb, FieldChecksInDeclarationOrderLeaveTheQueryClosed) {
    conn.Execute(S("create table t (UserID integer primary key autoincrement, n integer,"
                   " LastName nvarchar(50), EventID bigint, At datetime)"));
    conn.Execute(S("insert into t (n, LastName, EventID, At) values (1, 'x', 5, null)"));
    auto openWith = [&](const QList<TFieldDef> &fields) {
        TADOQuery query(S("qryVantrelMain"), conn);
        query.SetSQL(S("select * from t"));
        for (const TFieldDef &f : fields)
            query.AddField(f);
        const QString message = MessageOf([&] { query.Open(); });
        EXPECT_EQ(query.Active(), message == S("no exception"));
        return message;
    };
    EXPECT_EQ(openWith({{S("UserID"), S("AutoInc")},
                        {S("Missing"), S("Integer")},
                        {S("LastName"), S("WideString")}}),
              S("qryVantrelMain: Field 'Missing' not found"));
    EXPECT_EQ(openWith({{S("UserID"), S("AutoInc")},
                        {S("LastName"), S("WideString")},
                        {S("Missing"), S("Integer")}}),
              S("qryVantrelMain: Type mismatch for field 'LastName', expecting: WideString "
                "actual: String"));
    EXPECT_EQ(openWith({{S("EventID"), S("Integer")}}),
              S("qryVantrelMain: Type mismatch for field 'EventID', expecting: Integer actual: "
                "LargeInt"));
    // A plain integer column serves an "AutoInc" field; the auto-increment one an "Integer".
    EXPECT_EQ(openWith({{S("n"), S("AutoInc")},
                        {S("userid"), S("Integer")},
                        {S("At"), S("DateTime")},
                        {S("LastName"), S("String")}}),
              S("no exception"));
}

TEST_F(SqliteDb, ReadsAndNullsAndUnicodeText) {
    conn.Execute(S("create table t (id integer primary key, name nvarchar(50), at datetime,"
                   " amount varchar(30))"));
    // Within the BMP: unixODBC converts text for ANSI-only drivers as UCS-2.
    const QString name = S("Đorđević Šćž ő 日本");
    conn.Execute(
        S("insert into t values (1, '%1', '2013-01-26 16:37:41', '4294967297')").arg(name));
    conn.Execute(S("insert into t values (-7, null, null, null)"));
    TADOQuery q(S("qryTest"), conn);
    q.SetSQL(S("select * from t order by id desc"));
    q.AddField({S("id"), S("Integer")});
    q.AddField({S("name"), S("String")});
    q.AddField({S("at"), S("DateTime")});
    q.AddField({S("amount"), S("String")});
    q.Open();
    EXPECT_EQ(q.FieldAsString(S("id")), S("1"));
    EXPECT_EQ(q.FieldAsString(S("name")), name);
    EXPECT_EQ(q.FieldAsDateTime(S("at")),
              QDateTime(QDate(2013, 1, 26), QTime(16, 37, 41), Qt::UTC));
    EXPECT_THROW(q.FieldAsInteger(S("amount")), EConvertError); // text beyond 32 bits
    q.Next();
    EXPECT_EQ(q.FieldAsString(S("id")), S("-7"));
    EXPECT_EQ(q.FieldAsString(S("name")), S(""));
    EXPECT_EQ(q.FieldAsInteger(S("amount")), 0);
    EXPECT_EQ(q.FieldAsDateTime(S("at")), QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC));
    q.Next();
    EXPECT_TRUE(q.Eof());

    // Long text comes through in pieces.
    const QString longText = QString(5000, QChar(0x0161));
    conn.Execute(S("insert into t values (2, '%1', null, null)").arg(longText));
    q.Close();
    q.Open();
    EXPECT_EQ(q.FieldAsString(S("name")).size(), 5000);
    EXPECT_EQ(q.FieldAsString(S("name")), longText);
}

// Date-times are plain values: 02:30 on 2013-03-31 does not exist on Belgrade's clocks (they
// jump from 02:00 to 03:00), yet the value must come through as stored.
TEST_F(SqliteDb, DateTimesInALocalClockGapComeThroughUnchanged) {
    const LocalZone belgrade("Europe/Belgrade");
    conn.Execute(S("create table t (id integer primary key, at datetime, atText varchar(30))"));
    conn.Execute(S("insert into t values (1, '2013-03-31 02:30:00', '2013-03-31 02:30:15')"));
    conn.Execute(S("insert into t values (2, null, null)"));
    TADOQuery q(S("qryTest"), conn);
    q.SetSQL(S("select * from t order by id"));
    q.AddField({S("at"), S("DateTime")});
    q.AddField({S("atText"), S("String")});
    q.Open();
    const QString format = S("yyyy-MM-dd HH:mm:ss");
    EXPECT_EQ(q.FieldAsDateTime(S("at")).toString(format), S("2013-03-31 02:30:00"));
    EXPECT_EQ(q.FieldAsString(S("at")), S("2013-03-31 02:30:00"));
    EXPECT_EQ(q.FieldAsDateTime(S("atText")).toString(format), S("2013-03-31 02:30:15"));
    q.Next();
    EXPECT_EQ(q.FieldAsDateTime(S("at")).toString(format), S("1899-12-30 00:00:00"));
    EXPECT_EQ(q.FieldAsDateTime(S("atText")).toString(format), S("1899-12-30 00:00:00"));
}

TEST_F(SqliteDb, QueryFailureCarriesTheProviderMessage) {
    conn.Execute(S("create table t (id integer)"));
    TADOQuery q(S("qryTest"), conn);
    q.SetSQL(S("select id from missing_table"));
    const QString message = MessageOf([&] { q.Open(); });
    EXPECT_TRUE(message.startsWith(S("[SQLite]"))) << message.toStdString();
    EXPECT_TRUE(message.contains(S("missing_table"))) << message.toStdString();
    EXPECT_FALSE(q.Active());
    q.SetSQL(S("insert into t values (1)"));
    EXPECT_EQ(MessageOf([&] { q.Open(); }), S("qryTest: CommandText does not return a result set"));
    EXPECT_FALSE(q.Active());
    conn.Execute(S("insert into t values (2)")); // the connection is still fine
}

TEST(DbLifetime, QueryOutlivingItsConnectionFailsCleanly) {
    QTemporaryDir dir;
    auto conn = std::make_unique<TADOConnectionMSSQL>(S("connTest"));
    conn->SetConnectionString(S("Driver=SQLite3;Database=%1").arg(dir.filePath(S("x.db"))));
    TADOQuery q(S("qryTest"), *conn);
    q.SetSQL(S("select 1 as one"));
    q.AddField({S("one"), S("Integer")});
    q.Open();
    EXPECT_EQ(q.FieldAsInteger(S("one")), 1);
    conn.reset();
    EXPECT_FALSE(q.Active());
    EXPECT_THROW(q.Open(), Exception);
}
