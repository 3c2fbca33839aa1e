// Connecting to SQL Server addresses that do not answer, through the FreeTDS driver. Only
// loopback addresses are used.
#include "TdsTestServer.h"
#include "import/ADOConnectionMSSQL.h"
#include "tests/common/LoopbackPort.h"
#include <QJsonArray>

#include <QElapsedTimer>
#include <QTcpServer>
#include <gtest/gtest.h>

namespace {

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
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
    // The kernel completes the handshake for the listening socket; nobody ever answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    TADOConnectionMSSQL conn(S("connVantrelMain"));
    conn.SetConnectionString(
        S("Provider=SQLNCLI11.1;Integrated Security=\"\";User ID=sa;Password=x;"
          "Initial Catalog=Vantrel;Data Source=127.0.0.1,%1")
            .arg(silent.serverPort()));
    qint64 elapsed = 0;
    const QString message = OpenError(conn, &elapsed);
    EXPECT_TRUE(message.startsWith(S("[FreeTDS]"))) << message.toStdString();
    EXPECT_GE(elapsed, (TADOConnectionMSSQL::kLoginTimeoutSeconds - 1) * 1000);
    EXPECT_LT(elapsed, 15000);
    EXPECT_FALSE(conn.Connected());
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
