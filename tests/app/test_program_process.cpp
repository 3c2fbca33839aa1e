// The built program as processes: single instance, termination by signal.
#include "TdsTestServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <iostream>
#include <unistd.h>

namespace {

const char *kLockName = "DCC79F6C-DF9B-48EE-85DD-50B4F1070C4B.lock";
const QString kWindowsProgram = qEnvironmentVariable("VI_WINDOWS_PROGRAM");

// Only a running child of ours: the id of a process that has ended reads 0, and kill(0, ...)
// would signal the whole process group, the test run included.
void Signal(QProcess &p, int sig) {
    ASSERT_TRUE(p.state() == QProcess::Running && p.processId() > 0);
    ASSERT_EQ(::kill(pid_t(p.processId()), sig), 0);
}

// Copies running on the machine during the tests, in the folders the tests' processes inherit:
// one locks in the runtime folder, one (without it) in the temporary folder.
class MachineCopies : public ::testing::Environment {
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid() &&
                    QFile::copy(QStringLiteral(VI_EXE_PATH), m_dir.filePath("p")));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir.path()));
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
        for (int i = 0; i < 2; ++i) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QT_QPA_PLATFORM", "offscreen");
            if (i == 1)
                env.remove("XDG_RUNTIME_DIR");
            m_copies[i].setProcessEnvironment(env);
            m_copies[i].start(m_dir.filePath("p"), {});
            m_copies[i].setReadChannel(QProcess::StandardError);
            ASSERT_TRUE(m_copies[i].waitForReadyRead(10000)); // up, its lock held
        }
    }
    void TearDown() override {
        for (QProcess &copy : m_copies) {
            EXPECT_EQ(copy.state(), QProcess::Running) << "ended by a test";
            copy.terminate();
            copy.waitForFinished(5000);
        }
    }
    QTemporaryDir m_dir;
    QProcess m_copies[2];
};
// Under Wine the throwaway prefix is the machine.
[[maybe_unused]] const auto *const kMachine =
    kWindowsProgram.isEmpty() ? ::testing::AddGlobalTestEnvironment(new MachineCopies) : nullptr;

// A copy of the program in a folder of its own, so its settings.ini lands there.
class ProgramProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid() && tmp.isValid());
        ASSERT_TRUE(runtime.isValid());
        const QFileInfo built(kWindowsProgram.isEmpty() ? QStringLiteral(VI_EXE_PATH)
                                                        : kWindowsProgram);
        exe = home.filePath(built.fileName());
        ASSERT_TRUE(QFile::copy(built.filePath(), exe));
        // The Windows program's libraries and plugins, beside it as in its folder.
        for (const QFileInfo &lib : built.dir().entryInfoList({"*.dll", "platforms", "styles"}))
            ASSERT_TRUE(QFile::link(lib.filePath(), home.filePath(lib.fileName())));
        QFile ini(home.filePath(QStringLiteral("settings.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        // All connection strings set: no Options dialog at start.
        ini.write("[fVantrelForm\\Settings]\r\nConnStrVantrelMain=a\r\nConnStrVantrelEvents=b\r\n"
                  "ConnStrTH7=c\r\n");
    }

    void WriteSettings(const QByteArray &text) {
        QFile ini(home.filePath(QStringLiteral("settings.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
    }

    QByteArray Settings() const {
        QFile ini(home.filePath(QStringLiteral("settings.ini")));
        return ini.open(QIODevice::ReadOnly) ? ini.readAll() : QByteArray();
    }

    // Folders of this test's own unless given; under Wine the real platform and the traces.
    void Start(QProcess &p, const QString &runtimeDir = {}, const QString &tmpDir = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", kWindowsProgram.isEmpty() ? "offscreen" : "windows");
        env.insert("WINEDEBUG", "-all,+debugstr");
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                   runtimeDir.isEmpty() ? runtime.path() : runtimeDir);
        if (kWindowsProgram.isEmpty()) // Wine keeps its server there: the one of the prefix
            env.insert(QStringLiteral("TMPDIR"), tmpDir.isEmpty() ? tmp.path() : tmpDir);
        p.setProcessEnvironment(env);
        p.setProgram(kWindowsProgram.isEmpty() ? exe : "wine");
        p.setArguments(kWindowsProgram.isEmpty() ? QStringList() : QStringList{exe});
        p.start();
        ASSERT_TRUE(p.waitForStarted(5000));
    }

    // Standard error until it contains the text (10 s at most).
    static QByteArray WaitForTrace(QProcess &p, const char *text) {
        QByteArray err;
        for (int i = 0; i < 100 && !err.contains(text); ++i) {
            p.waitForReadyRead(100);
            err += p.readAllStandardError();
        }
        return err;
    }

    // The first copy is up once it holds the lock and has begun ticking (its first trace).
    void WaitUntilRunning(QProcess &p, bool lockInRuntime = true) {
        const QByteArray err = WaitForTrace(p, "tmrDownloadTimer");
        ASSERT_TRUE(err.contains("tmrDownloadTimer")) << err.constData();
        if (lockInRuntime && kWindowsProgram.isEmpty()) {
            ASSERT_TRUE(QFile::exists(runtime.filePath(QString::fromLatin1(kLockName))));
        }
    }

    QTemporaryDir home, runtime, tmp;
    QString exe;
};

} // namespace

TEST_F(ProgramProcessTest, SecondCopyEndsAtOnceWithOnlyTheTrace) {
    QProcess first;
    Start(first);
    WaitUntilRunning(first);

    QProcess second;
    Start(second);
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardError(), QByteArray("\"Mutex postoji\"\n"));
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    ASSERT_TRUE(first.waitForFinished(5000));

    // After the first has ended, a new copy starts normally.
    QProcess third;
    Start(third);
    WaitUntilRunning(third);
    third.terminate();
    ASSERT_TRUE(third.waitForFinished(5000));
}

// Started hidden, ended as the system ends it (SIGTERM; under Wine the session's end), which saves
// the window's state: still hidden (2) unless a second start brought it forward (1).
TEST_F(ProgramProcessTest, SecondStartBringsTheHiddenCopyForwardAndEndsWithZero) {
    WriteSettings("[fVantrelForm]\r\nShowCmd=2\r\n" + Settings()); // as saved hidden
    for (const bool again : {false, true}) {
        QProcess first, second;
        Start(first);
        ASSERT_NO_FATAL_FAILURE(WaitUntilRunning(first));
        if (again) {
            Start(second);
            ASSERT_TRUE(second.waitForFinished(5000));
            EXPECT_TRUE(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        }
        if (kWindowsProgram.isEmpty())
            ASSERT_NO_FATAL_FAILURE(Signal(first, SIGTERM));
        else
            EXPECT_EQ(QProcess::execute("wineboot", {"-e"}), 0);
        EXPECT_TRUE(first.waitForFinished(10000));
        EXPECT_TRUE(Settings().contains(again ? "ShowCmd=1" : "ShowCmd=2")) << again;
    }
}

TEST_F(ProgramProcessTest, TerminationSignalsEndLikeExitAndSave) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        QFile::remove(home.filePath(QStringLiteral("settings.ini")));
        QProcess p;
        Start(p);
        ASSERT_NO_FATAL_FAILURE(WaitUntilRunning(p));
        ASSERT_NO_FATAL_FAILURE(Signal(p, sig));
        ASSERT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << sig;
        EXPECT_EQ(p.exitCode(), 0) << sig;
        QFile ini(home.filePath(QStringLiteral("settings.ini")));
        ASSERT_TRUE(ini.open(QIODevice::ReadOnly)) << sig;
        const QByteArray text = ini.readAll();
        EXPECT_TRUE(text.startsWith("[fVantrelForm]\r\nFormVersion=0\r\n")) << text.constData();
        EXPECT_TRUE(text.contains("ShowCmd=1")) << text.constData();
        EXPECT_TRUE(text.contains("LogLinesMax=300")) << text.constData();
    }
}

// Standard error a pipe whose reader has gone, or one that nobody reads and that is full: the
// traces (one a second) neither kill the program nor block it, and it still ends on SIGTERM.
TEST_F(ProgramProcessTest, TracesIntoABrokenOrFullPipeNeitherKillNorBlock) {
    for (const bool readerGone : {true, false}) {
        SCOPED_TRACE(readerGone ? "reader gone" : "pipe full");
        int fds[2];
        ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
        if (readerGone) {
            ::close(fds[0]);
        } else {
            // Filled while non-blocking, then made blocking again for the program.
            const int flags = ::fcntl(fds[1], F_GETFL);
            ASSERT_EQ(::fcntl(fds[1], F_SETFL, flags | O_NONBLOCK), 0);
            const QByteArray block(4096, 'x');
            while (::write(fds[1], block.constData(), block.size()) > 0) {
            }
            ASSERT_EQ(::fcntl(fds[1], F_SETFL, flags), 0);
        }
        QProcess p;
        const int writeEnd = fds[1];
        p.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDERR_FILENO); });
        Start(p);
        ::close(fds[1]);
        // Up once it holds the lock; then a few ticks, each with its trace.
        for (int i = 0; i < 50 && !QFile::exists(runtime.filePath(QString::fromLatin1(kLockName)));
             ++i)
            QThread::msleep(100);
        EXPECT_FALSE(p.waitForFinished(2500)) << "ended with " << p.exitCode();
        Signal(p, SIGTERM);
        EXPECT_TRUE(p.waitForFinished(5000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(5000);
        }
        if (!readerGone)
            ::close(fds[0]);
    }
}

// Ended by the system in states where the window cannot answer at once: a box of its own open
// before the message loop runs, a modal dialog, a run waiting on a server that never answers,
// or on a registration that the server holds back until the driver cancels it.
TEST_F(ProgramProcessTest, TerminationEndsEveryStateWithinFiveSeconds) {
    QTcpServer silent; // the kernel accepts the connection; nobody ever answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QJsonObject held = TdsRule("spComm8xReg", {});
    held["delay"] = 60;
    const QJsonArray events = {TdsColumn("EventID", "INT"), TdsColumn("CardNumber", "INT"),
                               TdsColumn("IDHACT", "INT"), TdsColumn("FieldTime", "DATETIME"),
                               TdsColumn("TermID", "INT")};
    TdsTestServer tds(
        {{"rules",
          QJsonArray{TdsRule("from Users", {TdsResult(TdsEmployeeColumns(), {})}),
                     TdsRule("from Events",
                             {TdsResult(events, {{101, 13398, 2, "2026-12-01 07:30:15", 3}})}),
                     held}}});
    ASSERT_TRUE(tds.Started()) << tds.Error().toStdString();
    const QByteArray slow = tds.ConnectionString().toUtf8();
    const QByteArray server = "Provider=SQLOLEDB.1;User ID=sa;Password=x;Connect Timeout=60;"
                              "Initial Catalog=Vantrel;Data Source=127.0.0.1," +
                              QByteArray::number(silent.serverPort());
    const QByteArray all = "ConnStrVantrelMain=a\r\nConnStrVantrelEvents=b\r\nConnStrTH7=c\r\n";
    const struct {
        const char *what;
        QByteArray settings;
        const char *readyTrace; // the state has been reached once this trace is out
        int requests;
        bool settingsUntouched; // the program had to end without its ordinary end
        int withinMs;
        bool cancelled; // the held statement was cancelled, the run failed
    } cases[] = {
        {"load error box", "[fVantrelForm\\Settings]\r\n" + all + "DownloadTime=soon\r\n",
         "tmrDownloadTimer", 1, false, 5000, false},
        {"Options open", "[fVantrelForm\\Settings]\r\nConnStrVantrelMain=a\r\n", "tmrDownloadTimer",
         1, false, 5000, false},
        {"run waiting on a silent server",
         "[fVantrelForm]\r\nFormVersion=0\r\n[fVantrelForm\\Settings]\r\nConnStrVantrelMain=" +
             server + "\r\nConnStrVantrelEvents=" + server + "\r\nConnStrTH7=" + server +
             "\r\nDownloadAuto=TRUE\r\nDownloadTime=0\r\n",
         "actDownloadExecute", 1, true, 5000, false},
        {"run waiting, asked twice", "", "actDownloadExecute", 2, true, 1000, false},
        {"run waiting on a registration",
         "[fVantrelForm\\Settings]\r\nConnStrVantrelMain=" + slow +
             "\r\nConnStrVantrelEvents=" + slow + "\r\nConnStrTH7=" + slow +
             "\r\nEventIDLast=100\r\nDownloadAuto=TRUE\r\nDownloadTime=0\r\n",
         "actDownloadExecute", 1, false, 2000, true},
    };
    QByteArray previous;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray settings = c.settings.isEmpty() ? previous : c.settings;
        previous = settings;
        WriteSettings(settings);
        QProcess p;
        Start(p);
        const QByteArray err = WaitForTrace(p, c.readyTrace);
        ASSERT_TRUE(err.contains(c.readyTrace)) << err.constData();
        for (int i = 0;
             i < 100 && c.cancelled && !tds.Statements().join("").contains("spComm8xReg"); ++i)
            QThread::msleep(100);
        QThread::msleep(500); // into the box, the dialog, the login or the statement
        ASSERT_EQ(p.state(), QProcess::Running);

        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < c.requests; ++i) {
            if (i > 0)
                QThread::msleep(100); // two requests, not one signal sent twice
            ASSERT_NO_FATAL_FAILURE(Signal(p, SIGTERM));
        }
        ASSERT_TRUE(p.waitForFinished(5000));
        const qint64 elapsed = clock.elapsed();
        std::cout << c.what << ": ended " << elapsed << " ms after the request\n";
        EXPECT_LT(elapsed, c.withinMs);
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        const QByteArray now = Settings();
        if (c.settingsUntouched) {
            EXPECT_EQ(now, settings);
        } else {
            // Saved as Exit saves: the window's placement is there now.
            EXPECT_TRUE(now.contains("FormVersion=0") && now.contains("ShowCmd=1"))
                << now.constData();
        }
        if (c.cancelled) {
            // The driver cancelled the registration on its own connection.
            int conn = 0;
            bool attention = false;
            for (const QJsonObject &e : tds.Log()) {
                if (e["text"].toString().startsWith("exec spComm8xReg"))
                    conn = e["conn"].toInt();
                attention |= conn > 0 && e["event"] == "attention" && e["conn"].toInt() == conn;
            }
            EXPECT_TRUE(attention);
            EXPECT_TRUE(now.contains("EventIDLast=100\r\n")) << now.constData();
        }
    }
}

TEST_F(ProgramProcessTest, UnusableRuntimeFolderFallsBackToAPrivateFolderThatStillGuards) {
    const QString missing = runtime.filePath(QStringLiteral("missing"));
    QProcess first;
    Start(first, missing, tmp.path());
    WaitUntilRunning(first, false);
    EXPECT_TRUE(QFile::exists(tmp.filePath(QStringLiteral("VantrelImport-%1/%2")
                                               .arg(::geteuid())
                                               .arg(QString::fromLatin1(kLockName)))));

    // Meanwhile the runtime folder may have come into being (Qt creates it): the second copy
    // must still find the first.
    QProcess second;
    Start(second, missing, tmp.path());
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(second.readAllStandardError(), QByteArray("\"Mutex postoji\"\n"));
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(5000));
}

TEST_F(ProgramProcessTest, NoGuardAtAllIsShownAndEndsWithStatusOne) {
    // Neither the runtime folder nor the temporary folder is a folder.
    const QString file = runtime.filePath(QStringLiteral("file"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QProcess p;
    Start(p, file, file);
    // The box waits for the user: no silent end.
    EXPECT_FALSE(p.waitForFinished(1500));
    ASSERT_EQ(p.state(), QProcess::Running);
    EXPECT_FALSE(p.readAllStandardError().contains("tmrDownloadTimer")) << "no window started";
    ASSERT_NO_FATAL_FAILURE(Signal(p, SIGTERM)); // as if the box were closed
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
}
