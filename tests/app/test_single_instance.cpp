// The per-user lock that keeps a second copy from starting: where it lives and what it refuses.
#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char *kName = "DCC79F6C-DF9B-48EE-85DD-50B4F1070C4B";

// Sets an environment variable, or removes it for a null value, for the guard's lifetime.
class EnvVar {
public:
    EnvVar(const char *name, const QByteArray *value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~EnvVar() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

// Another user's id for files that must not be ours; only root can hand files over.
uid_t OtherUser() {
    const passwd *nobody = ::getpwnam("nobody");
    return nobody ? nobody->pw_uid : 65534;
}

bool GiveAway(const QString &path) {
    return ::geteuid() == 0 && ::lchown(QFile::encodeName(path).constData(), OtherUser(), -1) == 0;
}

enum class Where { Runtime, Private, Nowhere };

struct Case {
    const char *what;
    bool runtimeSet; // $XDG_RUNTIME_DIR names <rt>/run
    bool tmpIsFile;  // the temporary folder <tmp>/t is a file instead
    // Prepares <rt> and <tmp> (the temporary folder); false: cannot be prepared here.
    std::function<bool(const QDir &rt, const QDir &tmp, const QString &privateDir)> prepare;
    Where where;
};

bool MakeDir(const QDir &d, const char *name) {
    return d.mkpath(QString::fromLatin1(name));
}

bool MakeFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

const QString kLock = QString::fromLatin1(kName) + QStringLiteral(".lock");

} // namespace

TEST(SingleInstanceGuard, LockPlaceAndRefusals) {
    const std::vector<Case> cases = {
        {"runtime folder usable", true, false,
         [](const QDir &rt, const QDir &, const QString &) { return MakeDir(rt, "run"); },
         Where::Runtime},
        {"no runtime folder named", false, false,
         [](const QDir &, const QDir &, const QString &) { return true; }, Where::Private},
        {"runtime folder missing", true, false,
         [](const QDir &, const QDir &, const QString &) { return true; }, Where::Private},
        {"runtime folder is a file, so not writable as a folder", true, false,
         [](const QDir &rt, const QDir &, const QString &) {
             return MakeFile(rt.filePath(QStringLiteral("run")));
         },
         Where::Private},
        {"lock file in the runtime folder is a link", true, false,
         [](const QDir &rt, const QDir &, const QString &) {
             return MakeDir(rt, "run") && QFile::link(rt.filePath(QStringLiteral("target")),
                                                      rt.filePath(QStringLiteral("run/") + kLock));
         },
         Where::Private},
        {"lock file in the runtime folder belongs to another user", true, false,
         [](const QDir &rt, const QDir &, const QString &) {
             const QString lock = rt.filePath(QStringLiteral("run/") + kLock);
             return MakeDir(rt, "run") && MakeFile(lock) && GiveAway(lock);
         },
         Where::Private},
        {"runtime folder belongs to another user", true, false,
         [](const QDir &rt, const QDir &, const QString &) {
             return MakeDir(rt, "run") && GiveAway(rt.filePath(QStringLiteral("run")));
         },
         Where::Private},
        {"private folder is a link to a folder of ours", false, false,
         [](const QDir &, const QDir &tmp, const QString &privateDir) {
             return MakeDir(tmp, "elsewhere") &&
                    QFile::link(tmp.filePath(QStringLiteral("elsewhere")), privateDir);
         },
         Where::Nowhere},
        {"private folder taken by another user", false, false,
         [](const QDir &, const QDir &, const QString &privateDir) {
             return QDir().mkpath(privateDir) && GiveAway(privateDir);
         },
         Where::Nowhere},
        {"lock file in the private folder is a folder", false, false,
         [](const QDir &, const QDir &, const QString &privateDir) {
             return QDir().mkpath(privateDir + QStringLiteral("/") + kLock);
         },
         Where::Nowhere},
        {"runtime folder missing and the temporary folder is a file", true, true,
         [](const QDir &, const QDir &, const QString &) { return true; }, Where::Nowhere},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir rtHolder, tmpHolder;
        ASSERT_TRUE(rtHolder.isValid() && tmpHolder.isValid());
        const QDir rt(rtHolder.path());
        QDir tmp(tmpHolder.path());
        // The temporary folder is <tmp>/t: a folder, unless a case puts a file there.
        const QString tmpPath = tmp.filePath(QStringLiteral("t"));
        ASSERT_TRUE(c.tmpIsFile ? MakeFile(tmpPath) : tmp.mkdir(QStringLiteral("t")));
        const QString privateDir =
            tmpPath + QStringLiteral("/VantrelImport-") + QString::number(::geteuid());
        if (!c.prepare(rt, tmp, privateDir)) {
            std::cout << "skipped here (needs root): " << c.what << '\n';
            continue;
        }
        const QByteArray runtime = QFile::encodeName(rt.filePath(QStringLiteral("run")));
        const QByteArray tmpValue = QFile::encodeName(tmpPath);
        EnvVar xdg("XDG_RUNTIME_DIR", c.runtimeSet ? &runtime : nullptr);
        EnvVar tmpdir("TMPDIR", &tmpValue);

        SingleInstanceGuard first(kName);
        if (c.where == Where::Nowhere) {
            EXPECT_EQ(first.Result(), SingleInstanceResult::Failed);
            EXPECT_FALSE(first.FailureText().empty());
            continue;
        }
        ASSERT_EQ(first.Result(), SingleInstanceResult::FirstCopy) << first.FailureText();
        const QString expected =
            (c.where == Where::Runtime ? QString::fromUtf8(runtime) : privateDir) +
            QStringLiteral("/") + kLock;
        EXPECT_EQ(QString::fromStdString(first.LockPath()), expected);
        QFileInfo lock(expected);
        EXPECT_TRUE(lock.isFile() && !lock.isSymLink());
        if (c.where == Where::Private) {
            struct stat st = {};
            ASSERT_EQ(::lstat(QFile::encodeName(privateDir).constData(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 0777, 0700u);
        }
        // Only the lock really being held turns a second copy away, and only while it is.
        {
            SingleInstanceGuard second(kName);
            EXPECT_EQ(second.Result(), SingleInstanceResult::AlreadyRunning);
        }
        first.Close();
        SingleInstanceGuard later(kName);
        EXPECT_EQ(later.Result(), SingleInstanceResult::FirstCopy) << later.FailureText();
    }
}

TEST(SingleInstanceGuard, CopyThatFellBackIsFoundOnceTheRuntimeFolderExists) {
    QTemporaryDir rt, tmp;
    ASSERT_TRUE(rt.isValid() && tmp.isValid());
    const QByteArray missing = QFile::encodeName(rt.filePath(QStringLiteral("run")));
    const QByteArray tmpValue = QFile::encodeName(tmp.path());
    EnvVar tmpdir("TMPDIR", &tmpValue);
    EnvVar xdg("XDG_RUNTIME_DIR", &missing);
    SingleInstanceGuard first(kName);
    ASSERT_EQ(first.Result(), SingleInstanceResult::FirstCopy) << first.FailureText();
    ASSERT_TRUE(QDir(rt.path()).mkdir(QStringLiteral("run")));
    {
        SingleInstanceGuard second(kName);
        EXPECT_EQ(second.Result(), SingleInstanceResult::AlreadyRunning);
    }
    first.Close();
    SingleInstanceGuard later(kName);
    EXPECT_EQ(later.Result(), SingleInstanceResult::FirstCopy);
    EXPECT_EQ(QString::fromStdString(later.LockPath()),
              QString::fromUtf8(missing) + QStringLiteral("/") + kLock);
}
