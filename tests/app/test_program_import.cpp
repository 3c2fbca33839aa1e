// The built program imports a whole data set from the scripted TDS server through ODBC and the
// FreeTDS driver. With VI_WINDOWS_PROGRAM set it is the Windows build, started under Wine
// (whose ODBC passes the calls to the machine's driver manager).
#include "TdsTestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using S = QString;

QJsonObject Script() {
    const QList<QJsonArray> userRows = {
        QJsonArray{7, S("Novak"), S("Ana"), S("2026-01-05 00:00:00"), S("18"), S("13398"),
                   S("00345612")},
        // A quote and letters outside ASCII on their way through the wide ODBC calls.
        QJsonArray{9, S("O'Brien"), S("\u017diga"), S("2025-11-30 08:15:00"), S("1"), S("1"),
                   S("00010001")},
    };
    const QJsonArray events = {
        TdsColumn(S("EventID"), S("INT")), TdsColumn(S("CardNumber"), S("INT")),
        TdsColumn(S("IDHACT"), S("INT")),  TdsColumn(S("FieldTime"), S("DATETIME")),
        TdsColumn(S("TermID"), S("INT")),
    };
    const QList<QJsonArray> eventRows = {
        QJsonArray{101, 13398, 2, S("2026-12-01 07:30:15"), 3},
        QJsonArray{105, -2, 1, S("2026-12-01 16:02:00"), 4},
    };
    return {{S("rules"),
             QJsonArray{TdsRule(S("from Users"), {TdsResult(TdsEmployeeColumns(), userRows)}),
                        TdsRule(S("from Events"), {TdsResult(events, eventRows)})}}};
}

// The program's folder with a copy of the executable, so that its settings.ini lands here;
// the libraries and plugin folders beside it are linked.
bool MakeProgramFolder(const QString &exe, const QString &folder, QString &copy) {
    const QFileInfo info(exe);
    for (const QFileInfo &entry :
         info.dir().entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.fileName() == info.fileName() || entry.fileName() == S("settings.ini"))
            continue;
        if (!QFile::link(entry.absoluteFilePath(), folder + u'/' + entry.fileName()))
            return false;
    }
    copy = folder + u'/' + info.fileName();
    return QFile::copy(exe, copy);
}

QByteArray FileBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ProgramImport, WholeDataSetFromTheServer) {
    const QString windowsExe = qEnvironmentVariable("VI_WINDOWS_PROGRAM");
    const QString exe = windowsExe.isEmpty() ? S(VI_EXE_PATH) : windowsExe;
    ASSERT_TRUE(QFileInfo::exists(exe)) << exe.toStdString();

    TdsTestServer server(Script());
    ASSERT_TRUE(server.Started()) << server.Error().toStdString();
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QString program;
    ASSERT_TRUE(MakeProgramFolder(exe, home.path(), program));

    // The strings as the data-link dialog writes them; an import on the first tick.
    const QString ini = home.filePath(S("settings.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(S("[fVantrelForm\\Settings]\r\n"
                 "ConnStrVantrelMain=%1\r\nConnStrVantrelEvents=%2\r\nConnStrTH7=%3\r\n"
                 "EventIDLast=100\r\nDownloadAuto=TRUE\r\nDownloadTime=0\r\n"
                 "DepImportID=VANTIMP\r\nDepImportName=Vantrel\r\n")
                   .arg(server.ConnectionString(S("Vantrel")),
                        server.ConnectionString(S("VantrelEvents")),
                        server.ConnectionString(S("TH7")))
                   .toUtf8());
    file.close();

    QTemporaryDir runtime; // the single-instance lock of a Linux build, not the machine's
    ASSERT_TRUE(runtime.isValid());
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("QT_QPA_PLATFORM"), S("offscreen"));
    env.insert(S("XDG_RUNTIME_DIR"), runtime.path());
    if (windowsExe.isEmpty()) // Wine keeps its server there: the one of the prefix
        env.insert(S("TMPDIR"), runtime.path());
    if (!env.contains(S("WINEDEBUG")))
        env.insert(S("WINEDEBUG"), S("-all"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(home.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (windowsExe.isEmpty())
        process.start(program, QStringList());
    else
        process.start(S("wine"), {program});
    ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();

    // The last event's identifier reaches the file at once when the registrations are in.
    QElapsedTimer clock;
    clock.start();
    while (!FileBytes(ini).contains("EventIDLast=105") && clock.elapsed() < 180000 &&
           process.state() == QProcess::Running)
        process.waitForFinished(250);
    const QByteArray settings = FileBytes(ini);
    process.kill();
    process.waitForFinished(10000);
    ASSERT_TRUE(settings.contains("EventIDLast=105")) << settings.constData() << "\n--- program:\n"
                                                      << process.readAll().right(4000).constData();

    QSet<QString> databases;
    for (const QJsonObject &login : server.Log(S("login")))
        databases.insert(login[S("database")].toString());
    EXPECT_EQ(databases, (QSet<QString>{S("Vantrel"), S("VantrelEvents"), S("TH7")}));

    // The writes of the first run, in order (later runs repeat them).
    QStringList writes;
    for (const QString &statement : server.Statements())
        if (statement.startsWith(S("insert into")) || statement.startsWith(S("exec spComm8xReg")))
            writes.append(statement);
    const QStringList expected = {
        S("insert into Sektor (IDSektora, NazivSektora) values (N'VANTIMP', N'Vantrel')"),
        S("insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values (N'VANTIMP', "
          "N'7', N'Novak', N'Ana')"),
        S("insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, DatumDodeljivanja) values "
          "(N'2000005634120044', N'7', N'2026-01-05')"),
        S("insert into Zaposleni (IDSektora, IDZaposlenog, Prezime, Ime) values (N'VANTIMP', "
          "N'9', N'O''Brien', N'\u017diga')"),
        S("insert into Zaposleni_IDMemorija (IDNo, IDZaposlenog, DatumDodeljivanja) values "
          "(N'5500000100010044', N'9', N'2025-11-30')"),
        S("exec spComm8xReg N'00003456', N'2026-12-01 07:30', N'2026-12-01 07:30', '999', 3, 2"),
        S("exec spComm8xReg N'FFFFFFFE', N'2026-12-01 16:02', N'2026-12-01 16:02', '999', 4, 1"),
    };
    ASSERT_GE(writes.size(), expected.size()) << writes.join(u'\n').toStdString();
    EXPECT_EQ(writes.mid(0, expected.size()), expected) << writes.join(u'\n').toStdString();

    // The events query got the stored last identifier and the event type range.
    bool sawEventsQuery = false;
    for (const QJsonObject &rpc : server.Log(S("rpc"))) {
        if (!rpc[S("statement")].toString().contains(S("from Events")) ||
            !rpc.contains(S("arguments")))
            continue;
        EXPECT_EQ(rpc[S("arguments")].toArray(), (QJsonArray{100, 1280, 1307}));
        sawEventsQuery = true;
        break;
    }
    EXPECT_TRUE(sawEventsQuery);
}
