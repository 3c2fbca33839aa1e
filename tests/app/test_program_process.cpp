// The built program as processes: single instance, termination by signal.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const char *kLockName = "DCC79F6C-DF9B-48EE-85DD-50B4F1070C4B.lock";

// A copy of the program in a folder of its own, so its settings.ini lands there.
class ProgramProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(runtime.isValid());
        exe = home.filePath(QStringLiteral("VantrelImport"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VI_EXE_PATH), exe));
        QFile ini(home.filePath(QStringLiteral("settings.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        // All connection strings set: no Options dialog at start.
        ini.write("[fVantrelForm\\Settings]\r\nConnStrVantrelMain=a\r\nConnStrVantrelEvents=b\r\n"
                  "ConnStrTH7=c\r\n");
    }

    void Start(QProcess &p) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        p.setProcessEnvironment(env);
        p.setProgram(exe);
        p.start();
        ASSERT_TRUE(p.waitForStarted(5000));
    }

    // The first copy is up once it holds the lock and has begun ticking (its first trace).
    void WaitUntilRunning(QProcess &p) {
        QByteArray err;
        for (int i = 0; i < 100 && !err.contains("tmrDownloadTimer"); ++i) {
            p.waitForReadyRead(100);
            err += p.readAllStandardError();
        }
        ASSERT_TRUE(err.contains("tmrDownloadTimer")) << err.constData();
        ASSERT_TRUE(QFile::exists(runtime.filePath(QString::fromLatin1(kLockName))));
    }

    QTemporaryDir home, runtime;
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

TEST_F(ProgramProcessTest, TerminationSignalsEndLikeExitAndSave) {
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        QFile::remove(home.filePath(QStringLiteral("settings.ini")));
        QProcess p;
        Start(p);
        WaitUntilRunning(p);
        ASSERT_EQ(::kill(pid_t(p.processId()), sig), 0);
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
        ASSERT_EQ(::kill(pid_t(p.processId()), SIGTERM), 0);
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
