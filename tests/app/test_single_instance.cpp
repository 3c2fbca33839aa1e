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
const QString kLock = QString::fromLatin1(kName) + QStringLiteral(".lock");

// The binary holds only these tests: the environment they set needs no restoring.
void SetEnv(const char *name, const QString &value) {
    if (value.isEmpty())
        qunsetenv(name);
    else
        qputenv(name, QFile::encodeName(value));
}

// Hands a file to another user; only root can, so elsewhere the case is skipped.
bool GiveAway(const QString &path) {
    const passwd *nobody = ::getpwnam("nobody");
    return ::geteuid() == 0 &&
           ::lchown(QFile::encodeName(path).constData(), nobody ? nobody->pw_uid : 65534, -1) == 0;
}

bool MakeFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

enum class Where { Runtime, Private, Nowhere };

} // namespace

TEST(SingleInstanceGuard, LockPlaceAndRefusals) {
    // run: the runtime folder $XDG_RUNTIME_DIR names; priv: the private folder under the
    // temporary folder tmp. prepare returns false where the case cannot be set up (not root).
    using Prepare =
        std::function<bool(const QString &run, const QString &tmp, const QString &priv)>;
    const struct {
        const char *what;
        bool runtimeSet;
        Prepare prepare;
        Where where;
    } cases[] = {
        {"runtime folder usable", true, [](auto run, auto, auto) { return QDir().mkdir(run); },
         Where::Runtime},
        {"runtime folder missing", true, [](auto, auto, auto) { return true; }, Where::Private},
        {"runtime folder is a file", true, [](auto run, auto, auto) { return MakeFile(run); },
         Where::Private},
        {"runtime folder belongs to another user", true,
         [](auto run, auto, auto) { return QDir().mkdir(run) && GiveAway(run); }, Where::Private},
        {"lock file is a link", true,
         [](auto run, auto, auto) {
             return QDir().mkdir(run) && QFile::link(run + "/target", run + "/" + kLock);
         },
         Where::Private},
        {"lock file belongs to another user", true,
         [](auto run, auto, auto) {
             return QDir().mkdir(run) && MakeFile(run + "/" + kLock) && GiveAway(run + "/" + kLock);
         },
         Where::Private},
        {"private folder is a link to a folder of ours", false,
         [](auto, auto tmp, auto priv) {
             return QDir().mkdir(tmp + "/elsewhere") && QFile::link(tmp + "/elsewhere", priv);
         },
         Where::Nowhere},
        {"private folder taken by another user", false,
         [](auto, auto, auto priv) { return QDir().mkdir(priv) && GiveAway(priv); },
         Where::Nowhere},
        {"temporary folder is a file", true,
         [](auto, auto tmp, auto) { return QDir().rmdir(tmp) && MakeFile(tmp); }, Where::Nowhere},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir holder;
        ASSERT_TRUE(holder.isValid());
        const QString run = holder.filePath(QStringLiteral("run"));
        const QString tmp = holder.filePath(QStringLiteral("tmp"));
        const QString priv = tmp + QStringLiteral("/VantrelImport-%1").arg(::geteuid());
        ASSERT_TRUE(QDir().mkdir(tmp));
        if (!c.prepare(run, tmp, priv)) {
            std::cout << "skipped here (needs root): " << c.what << '\n';
            continue;
        }
        SetEnv("XDG_RUNTIME_DIR", c.runtimeSet ? run : QString());
        SetEnv("TMPDIR", tmp);

        SingleInstanceGuard first(kName);
        if (c.where == Where::Nowhere) {
            EXPECT_EQ(first.Result(), SingleInstanceResult::Failed);
            EXPECT_FALSE(first.FailureText().empty());
            continue;
        }
        ASSERT_EQ(first.Result(), SingleInstanceResult::FirstCopy) << first.FailureText();
        const QString lock = (c.where == Where::Runtime ? run : priv) + "/" + kLock;
        EXPECT_EQ(QString::fromStdString(first.LockPath()), lock);
        EXPECT_TRUE(QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink());
        if (c.where == Where::Private) {
            struct stat st = {};
            ASSERT_EQ(::lstat(QFile::encodeName(priv).constData(), &st), 0);
            EXPECT_TRUE(S_ISDIR(st.st_mode));
            EXPECT_EQ(st.st_mode & 0777, 0700u);
        }
        // Only the lock really being held turns a second copy away, and only while it is.
        EXPECT_EQ(SingleInstanceGuard(kName).Result(), SingleInstanceResult::AlreadyRunning);
        first.Close();
        EXPECT_EQ(SingleInstanceGuard(kName).Result(), SingleInstanceResult::FirstCopy);
    }
}
