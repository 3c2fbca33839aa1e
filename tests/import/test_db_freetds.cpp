// Connecting through the FreeTDS driver: to addresses that do not answer, to servers that
// refuse, and what a server receives. Only loopback addresses are used.
#ifdef _WIN32
#include <windows.h>
#endif

#include "TdsTestServer.h"
#include "import/ADOConnectionMSSQL.h"
#include "tests/common/LoopbackPort.h"

#include <QJsonArray>

#include "import/SqlBrowser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <iostream>
#include <thread>

namespace {

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// A SQL Server Browser on a loopback port for one test: silent, or answering the first request
// after a delay with a port, from its own address or from another one.
class LoopbackBrowser {
public:
    explicit LoopbackBrowser(int answerAfterMs = -1, quint16 tcpPort = 0,
                             const char *answerFrom = nullptr) {
        if (answerAfterMs < 0) {
            m_silent.bind(QHostAddress::LocalHost, 0);
            m_port = m_silent.localPort();
        } else {
            std::promise<quint16> bound;
            std::future<quint16> port = bound.get_future();
            m_thread = std::thread([bound = std::move(bound), answerAfterMs, tcpPort,
                                    answerFrom]() mutable {
                QUdpSocket socket, other; // live on this thread only
                socket.bind(QHostAddress::LocalHost, 0);
                if (answerFrom != nullptr)
                    other.bind(QHostAddress(QString::fromLatin1(answerFrom)), 0);
                bound.set_value(socket.localPort());
                if (!socket.waitForReadyRead(15000))
                    return;
                QHostAddress from;
                quint16 fromPort = 0;
                QByteArray request(int(socket.pendingDatagramSize()), '\0');
                socket.readDatagram(request.data(), request.size(), &from, &fromPort);
                std::this_thread::sleep_for(std::chrono::milliseconds(answerAfterMs));
                const QByteArray body = "ServerName;H;InstanceName;" + request.mid(1).chopped(1) +
                                        ";IsClustered;No;tcp;" + QByteArray::number(tcpPort) + ";;";
                (answerFrom != nullptr ? other : socket)
                    .writeDatagram(QByteArray(1, '\x05') + char(body.size()) + '\0' + body, from,
                                   fromPort);
            });
            m_port = port.get();
        }
        SetSqlBrowserPort(m_port);
    }
    ~LoopbackBrowser() {
        if (m_thread.joinable())
            m_thread.join();
        SetSqlBrowserPort(1434);
    }
    bool Bound() const { return m_port != 0; }

private:
    QUdpSocket m_silent;
    quint16 m_port = 0;
    std::thread m_thread;
};

bool UnderWine() {
#ifdef _WIN32
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

QString OpenError(TADOConnectionMSSQL &conn, qint64 *elapsedMs) {
    QElapsedTimer timer;
    timer.start();
    QString message = S("no exception");
    try {
        conn.Open();
    } catch (const EDatabaseError &e) {
        message = e.Message();
    }
    *elapsedMs = timer.elapsed();
    return message;
}

} // namespace

TEST(FreeTds, ClosedPortFailsFastWithTheProvidersMessage) {
    const quint16 port = ClosedLoopbackPort();
    ASSERT_NE(port, 0);
    // Once as the settings hold it (an OLE DB string, translated), once as an ODBC string.
    const QString strings[] = {
        S("Provider=SQLOLEDB.1;Persist Security Info=True;User ID=sa;Password=x;"
          "Initial Catalog=Vantrel;Data Source=127.0.0.1,%1")
            .arg(port),
        S("Driver=FreeTDS;Server=127.0.0.1;Port=%1;TDS_Version=7.4;UID=sa;PWD=x").arg(port)};
    for (const QString &text : strings) {
        TADOConnectionMSSQL conn(S("connHarrowby"));
        conn.SetConnectionString(text);
        qint64 elapsed = 0;
        const QString message = OpenError(conn, &elapsed);
        EXPECT_TRUE(message.startsWith(S("[FreeTDS]"))) << message.toStdString();
        EXPECT_TRUE(message.contains(S("Unable to connect"))) << message.toStdString();
        EXPECT_LT(elapsed, 5000);
        EXPECT_FALSE(conn.Connected());
    }
}

TEST(FreeTds, SilentServerHonoursTheLoginTimeout) {
    // The server answers the pre-login handshake, then never answers the login itself.
    TdsTestServer silent(QJsonObject{{S("login"), QJsonObject{{S("silent"), true}}}});
    ASSERT_TRUE(silent.Started()) << silent.Error().toStdString();
    TADOConnectionMSSQL conn(S("connVantrelMain"));
    conn.SetConnectionString(
        S("Provider=SQLNCLI11.1;Integrated Security=\"\";User ID=sa;Password=x;"
          "Initial Catalog=Vantrel;Data Source=127.0.0.1,%1")
            .arg(silent.Port()));
    qint64 elapsed = 0;
    const QString message = OpenError(conn, &elapsed);
    EXPECT_TRUE(message.startsWith(S("[FreeTDS]"))) << message.toStdString();
    EXPECT_GE(elapsed, (TADOConnectionMSSQL::kLoginTimeoutSeconds - 1) * 1000);
    EXPECT_LT(elapsed, 15000);
    EXPECT_FALSE(conn.Connected());
    EXPECT_EQ(silent.Log(S("login")).size(), 1);
}

TEST(FreeTds, RefusedLoginFailsWithTheServersMessage) {
    const QJsonObject loginFailed{
        {S("number"), 18456}, {S("class"), 14}, {S("message"), S("Login failed for user 'sa'.")}};
    const QJsonObject noDatabase{
        {S("number"), 4060},
        {S("class"), 11},
        {S("message"), S("Cannot open database \"Vantrel\" requested by the login. The login "
                         "failed.")}};
    struct Case {
        QJsonArray errors;
        const char *message;
    };
    const Case cases[] = {
        {{loginFailed}, "[FreeTDS][SQL Server]Login failed for user 'sa'."},
        // FreeTDS lists the server's messages last first: the login failure comes before
        // the missing database.
        {{noDatabase, loginFailed}, "[FreeTDS][SQL Server]Login failed for user 'sa'."},
    };
    for (const Case &c : cases) {
        TdsTestServer server(QJsonObject{{S("login"), QJsonObject{{S("errors"), c.errors}}}});
        ASSERT_TRUE(server.Started()) << server.Error().toStdString();
        TADOConnectionMSSQL conn(S("connVantrelMain"));
        conn.SetConnectionString(server.ConnectionString());
        qint64 elapsed = 0;
        EXPECT_EQ(OpenError(conn, &elapsed).toStdString(), c.message);
        EXPECT_FALSE(conn.Connected());
        EXPECT_LT(elapsed, 5000);
    }
}

// The whole open, asking the browser for the instance's port included, ends with the login
// time-out: FreeTDS asking by itself takes 16 s on a browser that never answers.
TEST(FreeTds, NamedInstanceIsFoundWithinTheLoginTimeout) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    struct Case {
        const char *timeout; // Connect Timeout, empty for the default
        int answerAfterMs;   // -1: the browser never answers
        const char *answerFrom;
        const char *message;
        qint64 minMs, maxMs;
    } cases[] = {
        {"", -1, nullptr,
         "connVantrelMain: The SQL Server Browser on \"127.0.0.1\" did not tell the port of the "
         "instance \"VANTREL\" in time",
         9800, 10500},
        {"Connect Timeout=3;", 1500, nullptr, "[FreeTDS]", 2400, 3300},
        // A reply from an address that was not asked does not count.
        {"Connect Timeout=2;", 0, "127.0.0.2",
         "connVantrelMain: The SQL Server Browser on \"127.0.0.1\" did not tell", 1800, 2500},
    };
    for (const Case &c : cases) {
        if (c.answerFrom && UnderWine()) {
            // Wine 8 hands a reply the test sends from 127.0.0.2 over as one from the asked
            // host; a Linux sender on 127.0.0.2 is refused by the same build under Wine.
            std::cout << "not run under Wine: a reply from " << c.answerFrom << "\n";
            continue;
        }
        LoopbackBrowser browser(c.answerAfterMs, silent.serverPort(), c.answerFrom);
        ASSERT_TRUE(browser.Bound());
        TADOConnectionMSSQL conn(S("connVantrelMain"));
        conn.SetConnectionString(S("Provider=SQLNCLI11;%1User ID=sa;Password=x;"
                                   "Data Source=127.0.0.1\\VANTREL")
                                     .arg(S(c.timeout)));
        qint64 elapsed = 0;
        const QString message = OpenError(conn, &elapsed);
        EXPECT_TRUE(message.startsWith(S(c.message))) << message.toStdString();
        EXPECT_GE(elapsed, c.minMs) << c.timeout;
        EXPECT_LE(elapsed, c.maxMs) << c.timeout;
        EXPECT_FALSE(conn.Connected());
    }
}

TEST(FreeTds, LoginArrivesAsTyped) {
    TdsTestServer server;
    ASSERT_TRUE(server.Started()) << server.Error().toStdString();
    TADOConnectionMSSQL conn(S("connVantrelMain"));
    conn.SetConnectionString(
        S("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;User ID=importer;Password=p\u00e4ss;"
          "Initial Catalog=Vantrel;Application Name=VantrelImport")
            .arg(server.Port()));
    conn.Open();
    EXPECT_TRUE(conn.Connected());
    const QList<QJsonObject> logins = server.Log(S("login"));
    ASSERT_EQ(logins.size(), 1);
    const QJsonObject &login = logins.first();
    EXPECT_EQ(login[S("user")].toString(), S("importer"));
    EXPECT_EQ(login[S("password")].toString(), S("p\u00e4ss"));
    EXPECT_EQ(login[S("password_hex")].toString(), S("7000e40073007300"));
    EXPECT_EQ(login[S("database")].toString(), S("Vantrel"));
    EXPECT_EQ(login[S("app")].toString(), S("VantrelImport"));
    EXPECT_EQ(login[S("tds_version")].toString(), S("74000004"));
}

// What arrives in the login packet through the real FreeTDS driver: every keyword that FreeTDS
// takes, in the spellings people write, with values holding what ODBC strings use for syntax,
// blanks at the ends and letters outside ASCII; and the forms of the server name.
TEST(FreeTds, LoginCarriesTheValuesAsTyped) {
    TdsTestServer server;
    ASSERT_TRUE(server.Started()) << server.Error().toStdString();
    struct Case {
        const char *oledb; // %1: the server's port
        const char *user, *password, *database, *app, *host, *language;
    } cases[] = {
        {"Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;User ID=\"imp;o}rt{er=\";"
         "Password=\" p'ä\"\"ss}}w{ \";Initial Catalog=Vantrel ' DB;"
         "Application Name='Vantrel;Import';Workstation ID=PC-Šćepan;Current Language=Deutsch",
         "imp;o}rt{er=", " p'ä\"ss}}w{ ", "Vantrel ' DB", "Vantrel;Import", "PC-Šćepan", "Deutsch"},
        // Braces mean nothing in an OLE DB string: they are part of the password.
        {"Provider=SQLNCLI11;Server=tcp:127.0.0.1,%1;UID=sa;PWD={pw}};Database=TH7;APP=x=y;"
         "WSID=ws;Language=us_english",
         "sa", "{pw}}", "TH7", "x=y", "ws", "us_english"},
        {"Provider=MSOLEDBSQL;Data Source=(local),%1;User ID=u;Password=\"\u3000pw\u00a0\";"
         "Database=\"  spaced  \"",
         "u", "\u3000pw\u00a0", "  spaced  ", "", "", ""},
        {"Provider=SQLOLEDB;Data Source=.,%1;User ID=Đorđe;Password='=secret'", "Đorđe", "=secret",
         "", "", "", ""},
        {"Provider=SQLOLEDB;Address=localhost,%1;Data Source=ignored;User ID=a;Password=b", "a",
         "b", "", "", "", ""},
    };
    for (const Case &c : cases) {
        TADOConnectionMSSQL conn(S("connHarrowby"));
        conn.SetConnectionString(S(c.oledb).arg(server.Port()));
        qint64 elapsed = 0;
        const QString failure = OpenError(conn, &elapsed);
        ASSERT_TRUE(conn.Connected()) << c.oledb << ": " << failure.toStdString();
        conn.Close();
        const QList<QJsonObject> logins = server.Log(S("login"));
        ASSERT_FALSE(logins.isEmpty());
        const QJsonObject &login = logins.last();
        const std::pair<const char *, const char *> fields[] = {
            {"user", c.user}, {"password", c.password}, {"database", c.database},
            {"app", c.app},   {"host", c.host},         {"language", c.language}};
        for (const auto &[field, value] : fields) {
            if (*value != '\0' || std::strcmp(field, "user") == 0) {
                EXPECT_EQ(login[S(field)].toString().toStdString(), value)
                    << field << " from " << c.oledb;
            }
        }
    }

    // A value that FreeTDS cannot carry is refused before anything is sent.
    const qsizetype before = server.Log(S("connect")).size();
    TADOConnectionMSSQL conn(S("connHarrowby"));
    conn.SetConnectionString(
        S("Provider=SQLOLEDB;Data Source=127.0.0.1,%1;User ID=u;Password=\"a};b\"")
            .arg(server.Port()));
    qint64 elapsed = 0;
    EXPECT_EQ(OpenError(conn, &elapsed),
              S("connHarrowby: The value of the keyword \"Password\" cannot be passed to the ODBC "
                "driver \"FreeTDS\" because it contains \"};\""));
    EXPECT_EQ(server.Log(S("connect")).size(), before);
}

// A DSN of FreeTDS's in a private odbc.ini: the password is quoted as FreeTDS reads it.
TEST(FreeTds, DataSourceGetsThePasswordAsTyped) {
#ifdef Q_OS_WIN
    GTEST_SKIP() << "Windows keeps its DSNs in the registry, not in an odbc.ini";
#endif
    TdsTestServer server;
    ASSERT_TRUE(server.Started()) << server.Error().toStdString();
    QTemporaryDir dir;
    QFile ini(dir.filePath(S("odbc.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[VantrelDsn]\nDriver=FreeTDS\nServer=127.0.0.1\nTDS_Version=7.4\nPort=" +
              QByteArray::number(server.Port()));
    ini.close();
    const QByteArray before = qgetenv("ODBCINI");
    qputenv("ODBCINI", ini.fileName().toLocal8Bit());
    TADOConnectionMSSQL conn(S("connHarrowby"));
    conn.SetConnectionString(S("Provider=MSDASQL.1;User ID=sa;Password=\"p;w}d{x=1\";"
                               "Data Source=VantrelDsn;Initial Catalog=TH7"));
    qint64 elapsed = 0;
    const QString failure = OpenError(conn, &elapsed);
    before.isNull() ? qunsetenv("ODBCINI") : qputenv("ODBCINI", before);
    ASSERT_TRUE(conn.Connected()) << failure.toStdString();
    const QList<QJsonObject> logins = server.Log(S("login"));
    ASSERT_EQ(logins.size(), 1);
    EXPECT_EQ(logins.first()[S("password")].toString().toStdString(), "p;w}d{x=1");
}
