// OLE DB connection strings as people write them, turned into what each ODBC driver reads.
#include "import/ConnectionKeywords.h"
#include "import/ConnectionString.h"
#include "import/SqlBrowser.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

static void PrintTo(const QString &text, std::ostream *os) {
    *os << text.toStdString();
}

namespace {

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
}

const char *const kMs18 = "ODBC Driver 18 for SQL Server";
const char *const kMs17 = "ODBC Driver 17 for SQL Server";
const char *const kNative = "SQL Server Native Client 11.0";
const char *const kLegacy = "SQL Server";
const char *const kTds = "FreeTDS";

// This table's data sources: "TdsDsn" and the file "tds.dsn" are FreeTDS's, "SqliteDsn" not.
QStringList DataSources(const QString &keyword, const QString &name) {
    if (name == u"TdsDsn" || (keyword == u"FILEDSN" && name == u"tds.dsn"))
        return {S("Tds"), S("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so")};
    return name == u"SqliteDsn" ? QStringList{S("SQLite3")} : QStringList();
}

// The driver's string, or "!" and the refusal.
std::string Translated(const char *oledb, const char *driver, bool windows = false) {
    const OdbcConnectTarget target = TranslateConnectionString(
        S(oledb), [driver] { return QStringList{S(driver)}; }, windows, DataSources);
    return (target.refusal.isEmpty() ? target.connectionString : u'!' + target.refusal)
        .toStdString();
}

} // namespace

TEST(ConnectionString, DriverChoiceFollowsThePatternOrder) {
    struct Case {
        QStringList installed;
        const char *chosen;
    } cases[] = {
        {{S("SQLite3"), S("FreeTDS"), S("ODBC Driver 9 for SQL Server"),
          S("ODBC Driver 18 for SQL Server"), S("ODBC Driver 13 for SQL Server")},
         kMs18},
        {{S("SQL Server Native Client 11.0"), S("SQL Server Native Client 10.0"),
          S("ODBC Driver 17 for SQL Server")},
         kMs17},
        {{S("SQL Server"), S("SQL Server Native Client 10.0"), S("SQL Server Native Client 11.0"),
          S("FreeTDS")},
         kNative},
        {{S("SQL Server"), S("FreeTDS")}, kTds},
        {{S("SQLite3"), S("SQL Server")}, kLegacy},
        {{S("SQLite3")}, kLegacy}, // none: the driver manager is to say that it is missing
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChooseSqlServerDriver(c.installed).toStdString(), c.chosen)
            << c.installed.join(u',').toStdString();
}

TEST(ConnectionString, KeywordsBecomeTheDriversOwn) {
    struct Case {
        const char *oledb;
        const char *driver;
        const char *odbc; // "!" and a part of the refusal
    } cases[] = {
        // The provider-string spellings most documentation uses.
        {"Provider=SQLNCLI11;Server=host,1433;Database=TH7;Uid=sa;Pwd=secret", kMs17,
         "Driver={ODBC Driver 17 for SQL Server};Server=host,1433;Database=TH7;UID=sa;PWD=secret;"
         "Encrypt=no"},
        {"Provider=SQLNCLI11;Server=host,1433;Database=TH7;Uid=sa;Pwd=secret", kTds,
         "Driver={FreeTDS};Server=host;Port=1433;Database=TH7;UID=sa;PWD=secret;"
         "Encryption=request;TDS_Version=7.4"},
        {"Provider=MSOLEDBSQL;Address=10.0.0.5,1500;Server=SRV;Trusted_Connection=yes;"
         "APP=Imp;WSID=PC;Language=Deutsch;AttachDBFileName=C:\\d.mdf;MarsConn=yes",
         kMs18,
         "Driver={ODBC Driver 18 for SQL Server};Server=SRV;Address=10.0.0.5,1500;"
         "AttachDBFileName=C:\\d.mdf;Trusted_Connection=Yes;APP=Imp;WSID=PC;Language=Deutsch;"
         "MARS_Connection=yes;Encrypt=no"},
        // As the data-link dialog writes them, with the keywords only OLE DB reads.
        {"Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=p;Initial "
         "Catalog=Vantrel;Data Source=srv\\inst;Use Procedure for Prepare=1;Auto "
         "Translate=True;Packet Size=4096;Workstation ID=PC1;Use Encryption for Data=False;Tag "
         "with column collation when possible=False;OLE DB Services=-2;Mode=Read",
         kNative,
         "Driver={SQL Server Native Client 11.0};Server=srv\\inst;Database=Vantrel;UID=sa;PWD=p;"
         "WSID=PC1;AutoTranslate=yes;Encrypt=no"},
        // Case and blanks do not count in keywords; Extended Properties is a provider string,
        // and a keyword outside it wins.
        {"Provider=SQLOLEDB;userid=u;INITIALCATALOG=db;data  source=h;Connect Timeout=3;"
         "Extended Properties=\"Server=other;PWD={x;}}y};Language=us_english\"",
         kLegacy, "Driver={SQL Server};Server=h;Database=db;UID=u;PWD={x;}}y};Language=us_english"},
        // An empty password is a password.
        {"Provider=SQLOLEDB;Data Source=h;User ID=u;Password=", kLegacy,
         "Driver={SQL Server};Server=h;UID=u;PWD={}"},
        // Refused: what the driver cannot do, what nobody knows, what would be altered.
        {"Provider=SQLOLEDB;Data Source=h;Failover Partner=h2", kTds,
         "!The keyword \"Failover Partner\" cannot be used with the ODBC driver \"FreeTDS\""},
        {"Provider=SQLOLEDB;Data Source=h;multisubnetfailover=True", kLegacy,
         "!The keyword \"multisubnetfailover\" with the value \"True\" cannot be used"},
        {"Provider=SQLOLEDB;Data Source=h;Multi Subnet Failover=False;Auto Translate=yes", kTds,
         "Driver={FreeTDS};Server=h;Port=1433;Encryption=request;TDS_Version=7.4"},
        {"Provider=SQLOLEDB;Data Source=h;Auto Translate=False", kTds,
         "!The keyword \"Auto Translate\" with the value \"False\" cannot be used"},
        {"Provider=SQLOLEDB;Data Source=h;Host Name In Certificate=h.example", kMs17,
         "!The keyword \"Host Name In Certificate\" cannot be used"},
        {"Provider=SQLOLEDB;Data Source=h;Frobnicate=1", kMs18,
         "!Unknown keyword \"Frobnicate\" in the connection string"},
        {"Provider=SQLOLEDB;Data Source=h;y==z=1", kMs18, "!Unknown keyword \"y=z\""},
        {"Provider=SQLOLEDB;Data Source=h;MARS Connection=maybe", kMs18,
         "!The value \"maybe\" of the keyword \"MARS Connection\" is not understood"},
        {"Provider=SQLOLEDB;Data Source=h;Connect Timeout=soon", kTds,
         "!The value \"soon\" of the keyword \"Connect Timeout\""},
        {"Provider=SQLOLEDB;Data Source=h;Password=\"a};b\"", kTds,
         "!The value of the keyword \"Password\" cannot be passed to the ODBC driver \"FreeTDS\" "
         "because it contains \"};\""},
        {"Provider=SQLOLEDB;Data Source=\"h};x\\INST\"", kTds,
         "!The value of the keyword \"Data Source\""},
        {"Provider=MSDASQL;DSN=x;y==z=1", kMs18, "!The keyword \"y=z\" cannot be passed to ODBC"},
        // MSDASQL's values quoted for the driver its data source or driver name stands for.
        {"Provider=MSDASQL.1;User ID=sa;Password=\"p;w}d{x=1\";Data Source=TdsDsn;"
         "Initial Catalog=TH7",
         kMs18, "DSN=TdsDsn;UID=sa;PWD={p;w}d{x=1};DATABASE=TH7"},
        {"Provider=MSDASQL;Extended Properties=\"Driver={FreeTDS}\";Password='a}b'", kMs18,
         "Driver={FreeTDS};PWD=a}b"},
        {"Provider=MSDASQL;Driver=/usr/lib/odbc/libtdsodbc.so;UID={u}}v};FILEDSN=x", kMs18,
         "Driver=/usr/lib/odbc/libtdsodbc.so;UID=u}v;FILEDSN=x"},
        {"Provider=MSDASQL;FILEDSN=tds.dsn;Password=\"a}}b\"", kMs18, "PWD=a}}b;FILEDSN=tds.dsn"},
        {"Provider=MSDASQL;Extended Properties=\"DSN=SqliteDsn\";Password='a}b'", kTds,
         "DSN=SqliteDsn;PWD={a}}b}"},
        {"Provider=MSDASQL;Data Source=TdsDsn;pASSword=\"x};y\"", kMs18,
         "!The value of the keyword \"pASSword\" cannot be passed to the ODBC driver \"Tds\""},
    };
    for (const Case &c : cases) {
        const std::string got = Translated(c.oledb, c.driver);
        if (c.odbc[0] == '!')
            EXPECT_EQ(got.rfind(c.odbc, 0), 0u) << c.oledb << "\n  gave " << got;
        else
            EXPECT_EQ(got, c.odbc) << c.oledb;
    }
    const OdbcConnectTarget timed =
        TranslateConnectionString(S("Provider=SQLOLEDB;Data Source=h;Timeout=3;Packet Size=8192"),
                                  [] { return QStringList{S(kMs18)}; });
    EXPECT_EQ(timed.loginTimeoutSeconds, 3);
    EXPECT_EQ(timed.packetSize, 8192);
}

// Every row of the table, for every driver family: a keyword is the driver's keyword, refused
// by name, or dropped only when the table says why it means nothing outside OLE DB.
TEST(ConnectionString, NoRowIsDroppedSilently) {
    const char *drivers[kDriverFamilies] = {kMs18, kMs17, kNative, kLegacy, kTds};
    const QString base = S("Provider=SQLOLEDB;Data Source=h;");
    for (int f = 0; f < kDriverFamilies; ++f) {
        const auto translate = [&](const QString &extra) {
            return TranslateConnectionString(base + extra,
                                             [&] { return QStringList{S(drivers[f])}; });
        };
        ASSERT_EQ(int(FamilyOfDriver(S(drivers[f]))), f);
        const OdbcConnectTarget plain = translate(QString());
        ASSERT_TRUE(plain.refusal.isEmpty()) << plain.refusal.toStdString();
        for (const KeywordRow &row : ConnectionKeywords()) {
            if (std::strcmp(row.name, "Provider") == 0)
                continue; // chooses the way through, see the other tests
            const FamilyFate &fate = row.For(DriverFamily(f));
            for (const QString &name : row.Names()) {
                // A value that is not the driver's default, so that it must arrive.
                const bool flag = row.kind == ValueKind::Flag;
                QString value = S("7");
                if (flag)
                    value = OleDbFlag(S(row.driverDefault)) == 1 ? S("False") : S("True");
                else if (row.kind == ValueKind::Text)
                    value = S("Xy7");
                else if (row.kind != ValueKind::Number && row.kind != ValueKind::LoginTimeout &&
                         row.kind != ValueKind::PacketSize)
                    continue; // server names and security have tables of their own
                const OdbcConnectTarget got = translate(name + u'=' + value);
                const std::string where =
                    name.toStdString() + " with " + drivers[f] + ": " +
                    (got.refusal.isEmpty() ? got.connectionString : got.refusal).toStdString();
                switch (fate.fate) {
                case Fate::NotApplicable:
                    EXPECT_GT(std::strlen(row.why), 10u) << where;
                    EXPECT_EQ(got.connectionString, plain.connectionString) << where;
                    EXPECT_TRUE(got.refusal.isEmpty()) << where;
                    break;
                case Fate::Refused:
                    EXPECT_TRUE(got.refusal.contains(u'"' + name + u'"')) << where;
                    EXPECT_TRUE(got.refusal.contains(S(drivers[f]))) << where;
                    break;
                case Fate::Mapped:
                    EXPECT_TRUE(got.refusal.isEmpty()) << where;
                    if (fate.odbc != nullptr)
                        EXPECT_TRUE(got.connectionString.contains(
                            S(fate.odbc) + u'=' +
                            (flag ? (value == u"True" ? S("yes") : S("no")) : value)))
                            << where;
                    else
                        EXPECT_TRUE(got.connectionString != plain.connectionString ||
                                    got.loginTimeoutSeconds == 7 || got.packetSize == 7)
                            << where;
                    break;
                }
                // Found whatever the case and blanks.
                EXPECT_EQ(FindConnectionKeyword(name.toUpper().replace(u' ', QString())), &row);
            }
        }
    }
}

TEST(ConnectionString, ServerNames) {
    struct Case {
        const char *server;
        const char *driver;
        bool windows;
        const char *odbc; // the Server (and Port) part; "!" and a part of the refusal
    } cases[] = {
        {"host", kTds, false, "Server=host;Port=1433"},
        {"host,1500", kTds, false, "Server=host;Port=1500"},
        {"host\\inst,1500", kTds, false, "Server=host;Port=1500"}, // the port wins
        {"tcp:host,1500", kTds, false, "Server=host;Port=1500"},
        {"TCP:10.1.2.3", kTds, false, "Server=10.1.2.3;Port=1433"},
        {"(local)", kTds, false, "Server=localhost;Port=1433"},
        {".,1500", kTds, false, "Server=localhost;Port=1500"},
        {"localhost", kTds, false, "Server=localhost;Port=1433"},
        {"::1", kTds, false, "Server=::1;Port=1433"},
        {"[fe80::1],1500", kTds, false, "Server=fe80::1;Port=1500"},
        {"host,99999", kTds, false,
         "!The port in the value \"host,99999\" of the keyword \"Data Source\""},
        {"np:host", kTds, true, "!The value \"np:host\" of the keyword \"Data Source\" asks for a"},
        {"lpc:.", kTds, true, "!The value \"lpc:.\" of the keyword \"Data Source\""},
        // Microsoft's drivers read the names themselves; pipes and shared memory only on
        // Windows, and only Windows knows "(local)" and ".".
        {"host\\inst,1500", kMs18, false, "Server=host\\inst,1500"},
        {"tcp:host", kMs18, false, "Server=tcp:host"},
        {".\\SQLEXPRESS", kMs17, false, "Server=localhost\\SQLEXPRESS"},
        {"(local)", kMs17, true, "Server=(local)"},
        {"np:host", kMs18, true, "Server=np:host"},
        {"np:host", kMs18, false, "!The value \"np:host\" of the keyword \"Data Source\""},
        {"[::1],1433", kNative, true, "Server=[::1],1433"},
    };
    for (const Case &c : cases) {
        const std::string oledb = std::string("Provider=SQLOLEDB;Data Source=") + c.server;
        const std::string got = Translated(oledb.c_str(), c.driver, c.windows);
        if (c.odbc[0] == '!')
            EXPECT_EQ(got.rfind(c.odbc, 0), 0u) << c.server << " gave " << got;
        else
            EXPECT_NE(got.find(std::string(";") + c.odbc + ";"), std::string::npos)
                << c.server << " gave " << got;
    }

    // A named instance without a port is looked up before FreeTDS is called.
    const OdbcConnectTarget named =
        TranslateConnectionString(S("Provider=SQLOLEDB;Data Source=host\\INST;User ID=u"),
                                  [] { return QStringList{S(kTds)}; });
    ASSERT_TRUE(named.instance.has_value());
    EXPECT_EQ(named.instance->host, S("host"));
    EXPECT_EQ(named.instance->instance, S("INST"));
    EXPECT_FALSE(named.connectionString.contains(S("Server=")));

    // An empty server name or address is not given: every driver goes where Microsoft's go.
    struct Empty {
        const char *oledb, *microsoft, *tds;
    } empties[] = {
        {"Data Source=db.example,1500;Network Address=;User ID=u", "Server=db.example,1500;UID=u",
         "Server=db.example;Port=1500;UID=u"},
        {"Extended Properties=\"Address=\";Data Source=db.example,1500;Addr=\" \"",
         "Server=db.example,1500;", "Server=db.example;Port=1500;"},
        {"Data Source=db.example,1500;Server=", "Server=db.example,1500;",
         "Server=db.example;Port=1500;"},
    };
    for (const Empty &e : empties)
        for (const char *driver : {kMs18, kMs17, kNative, kLegacy, kTds}) {
            const std::string oledb = std::string("Provider=SQLOLEDB;") + e.oledb;
            const std::string got = Translated(oledb.c_str(), driver) + ';';
            EXPECT_NE(got.find(driver == kTds ? e.tds : e.microsoft), std::string::npos)
                << e.oledb << " with " << driver << " gave " << got;
        }

    // The network library is a protocol prefix, and nothing at all without a server name.
    struct Library {
        const char *oledb;
        const char *driver;
        bool windows;
        const char *odbc;
    } libraries[] = {
        {"Data Source=srv;Network Library=DBMSSOCN", kMs18, false,
         "Driver={ODBC Driver 18 for SQL Server};Server=tcp:srv;Encrypt=no"},
        {"Network Library=dbmssocn;User ID=u", kMs18, false,
         "Driver={ODBC Driver 18 for SQL Server};UID=u;Encrypt=no"},
        {"Network Library=DBNMPNTW", kNative, true,
         "Driver={SQL Server Native Client 11.0};Server=np:(local);Encrypt=no"},
        {"Data Source=srv;Net=DBNMPNTW", kMs17, false,
         "!The value \"DBNMPNTW\" of the keyword \"Net\""},
        {"Server=h;Network = dbnmpntw", kMs18, false,
         "!The value \"dbnmpntw\" of the keyword \"Network\" asks for a protocol"},
        {"Data Source=srv;Network Library=DBMSSOCN", kLegacy, false,
         "Driver={SQL Server};Server=srv;Network=DBMSSOCN"},
        {"Data Source=srv;Network Library=DBMSSOCN", kTds, false,
         "Driver={FreeTDS};Server=srv;Port=1433;Encryption=request;TDS_Version=7.4"},
        {"Data Source=srv;Network Library=DBMSLPCN", kTds, true,
         "!The value \"DBMSLPCN\" of the keyword \"Network Library\""},
        {"Data Source=srv;Network Library=dbmsspxn", kMs18, true,
         "!The value \"dbmsspxn\" of the keyword \"Network Library\""},
    };
    for (const Library &l : libraries) {
        const std::string oledb = std::string("Provider=SQLOLEDB;") + l.oledb;
        const std::string got = Translated(oledb.c_str(), l.driver, l.windows);
        if (l.odbc[0] == '!')
            EXPECT_EQ(got.rfind(l.odbc, 0), 0u) << l.oledb << " gave " << got;
        else
            EXPECT_EQ(got, l.odbc) << l.oledb;
    }
}

// Both spellings, every value, each driver's own setting with the same meaning; the providers'
// defaults (MSOLEDBSQL19 encrypts, the older ones do not) are written out, as ODBC Driver 18
// would otherwise encrypt what the older providers did not.
TEST(ConnectionString, EncryptionMeansTheSameThroughEveryDriver) {
    struct Case {
        const char *settings;
        const char *provider;
        const char *ms18, *ms17, *legacy, *tds;
    } cases[] = {
        {"", "SQLOLEDB", "Encrypt=no", "Encrypt=no", "", "Encryption=request"},
        {"", "SQLNCLI11", "Encrypt=no", "Encrypt=no", "", "Encryption=request"},
        {"", "MSOLEDBSQL", "Encrypt=no", "Encrypt=no", "", "Encryption=request"},
        {"", "MSOLEDBSQL19", "Encrypt=yes;TrustServerCertificate=no",
         "Encrypt=yes;TrustServerCertificate=no", "Encrypt=yes",
         "!The value \"MSOLEDBSQL19\" of the keyword \"Provider\" asks for encryption"},
        {"Encrypt=Optional", "MSOLEDBSQL19", "Encrypt=no", "Encrypt=no", "", "Encryption=request"},
        {"Use Encryption for Data=True", "SQLOLEDB", "Encrypt=yes;TrustServerCertificate=no",
         "Encrypt=yes;TrustServerCertificate=no", "Encrypt=yes",
         "!The value \"True\" of the keyword \"Use Encryption for Data\" asks for encryption"},
        {"Encrypt=Mandatory;TrustServerCertificate=yes", "SQLNCLI11",
         "Encrypt=yes;TrustServerCertificate=yes", "Encrypt=yes;TrustServerCertificate=yes",
         "!The keyword \"TrustServerCertificate\" with the value \"yes\"", "Encryption=require"},
        {"Encrypt=no;Trust Server Certificate=True", "SQLOLEDB",
         "Encrypt=no;TrustServerCertificate=yes", "Encrypt=no;TrustServerCertificate=yes", "",
         "Encryption=request"},
        {"Encrypt=false", "MSOLEDBSQL19", "Encrypt=no", "Encrypt=no", "", "Encryption=request"},
        {"Encrypt=Strict", "MSOLEDBSQL19", "Encrypt=strict;TrustServerCertificate=no",
         "!The keyword \"Encrypt\" with the value \"Strict\" cannot be used",
         "!\"Strict\" cannot be used with the ODBC driver \"SQL Server\"",
         "!\"Strict\" cannot be used with the ODBC driver \"FreeTDS\""},
        {"Encrypt=sometimes", "SQLOLEDB", "!The value \"sometimes\" of the keyword \"Encrypt\"",
         "!The value \"sometimes\"", "!The value \"sometimes\"", "!The value \"sometimes\""},
    };
    for (const Case &c : cases) {
        const std::string oledb =
            std::string("Provider=") + c.provider + ";Data Source=h;" + c.settings;
        const std::pair<const char *, const char *> expected[] = {
            {kMs18, c.ms18}, {kMs17, c.ms17}, {kLegacy, c.legacy}, {kTds, c.tds}};
        for (const auto &[driver, part] : expected) {
            std::string got = Translated(oledb.c_str(), driver);
            if (part[0] == '!') {
                EXPECT_NE(got.find(part + 1), std::string::npos)
                    << oledb << " with " << driver << " gave " << got;
                continue;
            }
            // What follows the server name, without FreeTDS's protocol version.
            const size_t next = got.find(';', got.find("Server="));
            got = next == std::string::npos ? std::string() : got.substr(next + 1);
            if (got.rfind("Port=", 0) == 0)
                got = got.substr(got.find(';') + 1);
            const std::string tail = ";TDS_Version=7.4";
            if (got.ends_with(tail))
                got.resize(got.size() - tail.size());
            EXPECT_EQ(got, part) << oledb << " with " << driver;
        }
    }
}

TEST(SqlBrowser, RequestAndReply) {
    EXPECT_EQ(BrowserRequest(S("SQLEXPRESS")), QByteArray("\x04SQLEXPRESS", 11) + '\0');
    const QByteArray body = "ServerName;H;InstanceName;OTHER;IsClustered;No;Version;15.0;tcp;1500;;"
                            "ServerName;H;InstanceName;SQLEXPRESS;IsClustered;No;Version;15.0;"
                            "np;\\\\H\\pipe\\x;tcp;49172;;";
    const QByteArray reply =
        QByteArray(1, '\x05') + char(body.size() & 0xff) + char(body.size() >> 8) + body;
    EXPECT_EQ(PortInBrowserReply(reply, S("sqlexpress")), std::optional<quint16>(49172));
    EXPECT_EQ(PortInBrowserReply(reply, S("OTHER")), std::optional<quint16>(1500));
    EXPECT_FALSE(PortInBrowserReply(reply, S("MISSING")).has_value());
    EXPECT_FALSE(PortInBrowserReply(QByteArray("\x04xx"), S("OTHER")).has_value());
    // An instance that takes no TCP connections gives no port.
    const QByteArray pipes = "ServerName;H;InstanceName;P;np;\\\\H\\pipe\\p;;";
    EXPECT_FALSE(
        PortInBrowserReply(QByteArray(1, '\x05') + char(pipes.size()) + '\0' + pipes, S("P"))
            .has_value());
}

// A name server that does not answer in time cannot hold the open past its deadline.
TEST(SqlBrowser, SlowNameServerEndsAtTheDeadline) {
    SetHostResolver([](const QByteArray &, quint16) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return std::vector<QByteArray>();
    });
    QElapsedTimer timer;
    timer.start();
    const BrowserAnswer answer = AskSqlBrowser(S("slow.example"), S("I"), QDeadlineTimer(200));
    SetHostResolver(nullptr);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(answer.failure, S("The SQL Server Browser on \"slow.example\" cannot be asked: the "
                                "name was not resolved in time"));
}

#ifndef _WIN32
// Without a socket there is nothing to wait for: no waiting until the deadline, no spinning.
TEST(SqlBrowser, NoSocketEndsAtOnce) {
    const std::vector<QByteArray> addresses = ResolveHost("127.0.0.1", 9);
    ASSERT_EQ(addresses.size(), 1u);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    const int lowest = ::open("/dev/null", O_RDONLY); // the next socket would get this number
    ::close(lowest);
    rlimit tight = saved;
    tight.rlim_cur = rlim_t(lowest);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    QString failure;
    QElapsedTimer timer;
    timer.start();
    const auto reply = ExchangeDatagram(addresses, "x", QDeadlineTimer(2000), &failure);
    const qint64 elapsed = timer.elapsed();
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_FALSE(reply.has_value());
    EXPECT_LT(elapsed, 500);
    EXPECT_TRUE(failure.startsWith(S("no socket can be made"))) << failure.toStdString();
}
#endif
