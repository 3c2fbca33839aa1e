#include "SettingsTestUtil.h"
#include "settings/FilePlatform.h"
#include "settings/SettingsFile.h"
#include "settings/WholeFileWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("settings.ini");
};

mode_t ModeOf(const QString &path) {
    struct stat st {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    return st.st_mode & 0777;
}

// Runs `write` in a child process whose files may not grow past `sizeLimit` bytes (a disk
// that fills up, without a disk to fill) and, unless `folderWritable`, that may not create
// files in `folder` (root gives up its rights for that). Returns what `write` returned.
std::string InChildProcess(const QString &folder, bool folderWritable, rlim_t sizeLimit,
                           const std::function<std::string()> &write) {
    const QByteArray folderName = QFile::encodeName(folder);
    const bool root = ::geteuid() == 0;
    if (!folderWritable && !root)
        ::chmod(folderName.constData(), 0555);
    int fds[2];
    if (::pipe(fds) != 0)
        return "<no pipe>";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG
        const rlimit limit{sizeLimit, sizeLimit};
        bool ready = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        if (!folderWritable && root)
            ready = ready && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        const std::string result = ready ? write() : "<child set-up failed>";
        ssize_t ignored = ::write(fds[1], result.data(), result.size());
        (void)ignored;
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, size_t(n));
    ::close(fds[0]);
    int status = 0;
    if (pid > 0) // waitpid(-1) would wait for any child
        ::waitpid(pid, &status, 0);
    if (!folderWritable && !root)
        ::chmod(folderName.constData(), 0700);
    return result;
}

} // namespace

TEST_F(SettingsFileTest, FailedWriteLeavesTheFileAsItWasAndIsReported) {
    const QByteArray before = Crlf("; kept\n[S]\nA=" + QByteArray(60, 'a') + "\nB=2\n");
    const QString big(300, QLatin1Char('x'));
    const rlim_t unlimited = RLIM_INFINITY;
    const struct {
        const char *what;
        bool exists;
        bool folderWritable;
        rlim_t limit;
        QString value;
        QByteArray after;          // empty: the write fails and the file stays as it was
        unsigned failingSteps = 0; // in place: writes and syncs that fail, bit n for step n
    } cases[] = {
        {"replaced through a new file", true, true, 200, big, {}},
        {"created", false, true, 200, big, {}},
        {"overwritten in place, growing", true, false, 200, big, {}},
        {"in place, shrinking", true, false, unlimited, "1", Crlf("; kept\n[S]\nA=1\nB=2\n\n")},
        {"in place, growing", true, false, unlimited, big,
         Crlf("; kept\n[S]\nA=" + big.toLatin1() + "\nB=2\n\n")},
        {"in place, shrinking, the disk full in the head", true, false, 20, "1", {}},
        {"in place, growing, the head's sync fails", true, false, unlimited, big, {}, 1u << 4},
        {"in place, shrunk, then the sync fails", true, false, unlimited, "1", {}, 1u << 2},
        {"in place, the put-back fails too", true, false, unlimited, big, "?", 3u << 4},
    };
    for (const auto &c : cases) {
        const QString reason =
            QString::fromLocal8Bit(std::strerror(c.failingSteps ? ENOSPC : EFBIG));
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        ASSERT_EQ(::chmod(QFile::encodeName(folder.path()).constData(), 0755), 0);
        const QString file = folder.filePath("settings.ini");
        if (c.exists) {
            PutFile(file, before);
            ASSERT_EQ(::chown(QFile::encodeName(file).constData(), 65534, 65534) == 0,
                      ::geteuid() == 0);
        }
        const std::string result = InChildProcess(folder.path(), c.folderWritable, c.limit, [&] {
            try {
                FailInPlaceStepsForTesting(c.failingSteps);
                SettingsFile ini(file);
                ini.WriteString("s", "a", c.value);
                return std::string("written");
            } catch (const EFCreateError &e) {
                return std::string(e.what());
            }
        });
        if (c.after == "?") {
            EXPECT_EQ(result,
                      QString("Cannot create file \"%1\". %2 Its old content could not be put "
                              "back: %2")
                          .arg(file, reason)
                          .toStdString());
        } else if (!c.after.isEmpty()) {
            EXPECT_EQ(result, "written");
            EXPECT_EQ(FileBytes(file), c.after);
        } else {
            EXPECT_EQ(result,
                      QString("Cannot create file \"%1\". %2").arg(file, reason).toStdString());
            EXPECT_EQ(FileBytes(file), c.exists ? before : QByteArray("<missing>"));
        }
        // No half-written copy is left beside it.
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(),
                  c.exists || !c.after.isEmpty() ? 1 : 0);
    }
}

TEST_F(SettingsFileTest, HandEditedFileKeepsEverythingItDoesNotChange) {
    // LF-only line ends, blanks, other case, comments, a line without "=", an unknown section,
    // a comment before the first section, and duplicates.
    PutFile(path, "; written by hand\n"
                  "[ Alpha ]\n"
                  "  Keep = this value  \n"
                  "; a comment between entries\n"
                  "\n"
                  "no equals sign here\n"
                  "Target = old\n"
                  "target = duplicate\n"
                  "\n\n"
                  "[Unknown]\n"
                  "x=1\n"
                  "[alpha]\n"
                  "target=second section\n");
    SettingsFile ini(path);
    EXPECT_EQ(ini.ReadString("ALPHA", "keep", "d"), "this value");
    EXPECT_EQ(ini.ReadString("alpha", "TARGET", "d"), "old");
    EXPECT_EQ(ini.ReadString("alpha", "no equals sign here", "d"), "d");
    EXPECT_EQ(ini.ReadString("alpha", "; a comment between entries", "d"), "d");

    ini.WriteString("alpha", "target", "new");
    ini.WriteInteger("Alpha", "Added", -7);
    ini.WriteBool("Beta", "Flag", false);

    // Lines keep their bytes (only the line ends become CR LF); the empty lines that close
    // a section become one.
    EXPECT_EQ(FileBytes(path).toStdString(), Crlf("; written by hand\n"
                                                  "[ Alpha ]\n"
                                                  "  Keep = this value  \n"
                                                  "; a comment between entries\n"
                                                  "\n"
                                                  "no equals sign here\n"
                                                  "Target=new\n"
                                                  "target = duplicate\n"
                                                  "Added=-7\n"
                                                  "\n"
                                                  "[Unknown]\n"
                                                  "x=1\n"
                                                  "\n"
                                                  "[alpha]\n"
                                                  "target=second section\n"
                                                  "\n"
                                                  "[Beta]\n"
                                                  "Flag=FALSE\n"
                                                  "\n")
                                                 .toStdString());
}

TEST_F(SettingsFileTest, EveryAccessRereadsTheFileAndKeepsChangesMadeMeanwhile) {
    SettingsFile ini(path);
    EXPECT_FALSE(ini.ValueExists("S", "A"));
    ini.WriteString("S", "A", "1");
    PutFile(path, Crlf("[S]\nA=1\nB=by hand\n"));
    EXPECT_TRUE(ini.ValueExists("S", "B"));
    ini.WriteString("S", "A", "2");
    EXPECT_EQ(FileBytes(path), Crlf("[S]\nA=2\nB=by hand\n\n"));
    QFile::remove(path);
    EXPECT_EQ(ini.ReadString("S", "A", "gone"), "gone");
}

TEST_F(SettingsFileTest, IntegersAndBooleansAreReadByTheirRules) {
    const struct {
        const char *text;
        int value;
    } good[] = {{"", 0},
                {"42", 42},
                {"+42", 42},
                {"-42", -42},
                {"$1F", 31},
                {"0x1f", 31},
                {"0X1F", 31},
                {"-$10", -16},
                {"2147483647", 2147483647},
                {"$FFFFFFFF", -1},
                {"-2147483648", -2147483647 - 1}};
    for (const auto &c : good)
        EXPECT_EQ(SettingsFile::TextToInteger(c.text), c.value) << c.text;

    for (const char *bad : {"abc", "1.5", "2147483648", "-2147483649", "$", "0x", "1 2", "$1G", "+",
                            "$100000000", "12abc"}) {
        try {
            SettingsFile::TextToInteger(bad);
            ADD_FAILURE() << "accepted " << bad;
        } catch (const EConvertError &e) {
            EXPECT_EQ(e.Message(), QString("'%1' is not a valid integer value").arg(bad));
        }
    }

    const struct {
        const char *text;
        bool value;
    } bools[] = {{"TRUE", true},   {"yes", true}, {"Y", true},  {"1", true}, {"-3", true},
                 {"false", false}, {"No", false}, {"n", false}, {"", false}, {"0", false}};
    for (const auto &c : bools)
        EXPECT_EQ(SettingsFile::TextToBool(c.text), c.value) << c.text;
    EXPECT_THROW(SettingsFile::TextToBool("maybe"), EConvertError);

    PutFile(path, Crlf("[S]\nI = $10 \nB=\nT=  spaced  \nX=abc\n"));
    SettingsFile ini(path);
    EXPECT_EQ(ini.ReadInteger("s", "i", 5), 16);
    EXPECT_EQ(ini.ReadInteger("s", "missing", 5), 5);
    EXPECT_FALSE(ini.ReadBool("s", "b", true));
    EXPECT_EQ(ini.ReadString("s", "t", ""), "spaced");
    EXPECT_THROW(ini.ReadInteger("s", "x", 0), EConvertError);
}

TEST_F(SettingsFileTest, ReadOnlyFileMakesWritesSilentNoOps) {
    const QByteArray before = Crlf("[S]\nA=1\n");
    PutFile(path, before);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    SettingsFile ini(path);
    EXPECT_TRUE(ini.IsReadOnly());
    EXPECT_NO_THROW(ini.WriteString("S", "A", "2"));
    EXPECT_NO_THROW(ini.WriteInteger("New", "B", 3));
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(ini.ReadInteger("S", "A", 0), 1);

    // One write bit is enough to make it writable again.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0400 | 0020), 0);
    EXPECT_FALSE(ini.IsReadOnly());
    ini.WriteString("S", "A", "2");
    EXPECT_EQ(ini.ReadInteger("S", "A", 0), 2);
}

TEST_F(SettingsFileTest, UnwritableLocationGivesTheFileCreationError) {
    // A regular file where the folder should be: no permission can make that work.
    PutFile(dir.filePath("blocker"), "x");
    const QString target = dir.filePath("blocker/sub/settings.ini");
    SettingsFile ini(target);
    try {
        ini.WriteInteger("S", "A", 1);
        FAIL() << "no error";
    } catch (const EFCreateError &e) {
        EXPECT_EQ(e.Message(), QString("Cannot create file \"%1\". %2")
                                   .arg(QDir::toNativeSeparators(target),
                                        QString::fromLocal8Bit(std::strerror(ENOTDIR))));
    }
    // A missing folder is created.
    const QString nested = dir.filePath("a/b/settings.ini");
    SettingsFile created(nested);
    created.WriteInteger("S", "A", 1);
    EXPECT_EQ(FileBytes(nested), Crlf("[S]\nA=1\n\n"));
}

TEST_F(SettingsFileTest, NewFileIsForItsOwnerOnlyAndExistingKeepsItsMode) {
    SettingsFile fresh(path);
    fresh.WriteString("S", "ConnStr", "Password=secret");
    EXPECT_EQ(ModeOf(path), 0600u);

    const QString other = dir.filePath("other.ini");
    PutFile(other, Crlf("[S]\nA=1\n"));
    ASSERT_EQ(::chmod(QFile::encodeName(other).constData(), 0664), 0);
    SettingsFile existing(other);
    existing.WriteString("S", "A", "2");
    EXPECT_EQ(ModeOf(other), 0664u);
    EXPECT_EQ(existing.ReadInteger("S", "A", 0), 2);
}

TEST_F(SettingsFileTest, LineBreaksInValuesAreRemoved) {
    SettingsFile ini(path);
    ini.WriteString("S", "ConnStr", "Provider=X;\r\nPassword=p\rw\n");
    ini.WriteString("S", "After", "ok");
    EXPECT_EQ(FileBytes(path), Crlf("[S]\nConnStr=Provider=X;Password=pw\nAfter=ok\n\n"));
}

TEST_F(SettingsFileTest, NameWithoutExtensionGetsIni) {
    SettingsFile ini(dir.filePath("plain"));
    EXPECT_EQ(QFileInfo(ini.FileName()).fileName(), "plain.ini");
}

// The file is in the locale's 8-bit encoding. A Central European single-byte locale is built
// with localedef into a temporary folder when the system has the locale sources.
TEST_F(SettingsFileTest, ValuesAreInTheLocalesEightBitCodePage) {
    const QString value = QString::fromUtf8("Šđčćž Ђ");
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);

    // The plain C locale would lose every non-ASCII character; UTF-8 is used there.
    std::setlocale(LC_CTYPE, "C");
    {
        SettingsFile ini(path);
        ini.WriteString("S", "V", value);
        EXPECT_EQ(FileBytes(path), "[S]\r\nV=" + value.toUtf8() + "\r\n\r\n");
        EXPECT_EQ(ini.ReadString("S", "V", ""), value);
    }

    QTemporaryDir locales;
    const int rc = QProcess::execute(
        "localedef", {"-i", "sl_SI", "-f", "CP1250", locales.filePath("sl_SI.CP1250")});
    ::setenv("LOCPATH", QFile::encodeName(locales.path()).constData(), 1);
    const bool haveLocale = rc == 0 && std::setlocale(LC_CTYPE, "sl_SI.CP1250") != nullptr;
    if (haveLocale) {
        QFile::remove(path);
        SettingsFile ini(path);
        ini.WriteString("S", "V", value.chopped(2));
        // Š đ č ć ž in code page 1250; the Cyrillic letter has no place there.
        EXPECT_THROW(ini.WriteString("S", "V", value), EUnstorableValue);
        EXPECT_EQ(FileBytes(path), QByteArray("[S]\r\nV=\x8A\xF0\xE8\xE6\x9E\r\n\r\n"));
        EXPECT_EQ(ini.ReadString("S", "V", ""), value.chopped(2));
        EXPECT_EQ(AnsiToUtf8("\x8A"), "Š");
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    ::unsetenv("LOCPATH");
    if (!haveLocale)
        GTEST_SKIP() << "no sl_SI.CP1250 locale could be built (localedef " << rc << ")";
}

// Under a UTF-8 locale a file with bytes that are not UTF-8 comes from a Windows machine: it is
// read as Windows-1250, its untouched lines keep their bytes, and what the program writes into
// it is in Windows-1250 too.
TEST_F(SettingsFileTest, WindowsCodePageFileKeepsItsEncoding) {
    const std::string saved = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    // "Šifra čitača" and "Družba", and a byte Windows-1250 leaves undefined (0x81).
    PutFile(path, "; \x8Aifra \xE8ita\xE8"
                  "a \x81\r\n[S]\r\nName = Dru\x9E"
                  "ba \r\nConn=old\r\n");
    SettingsFile ini(path);
    EXPECT_EQ(ini.ReadString("S", "Name", ""), QString::fromUtf8("Družba"));
    ini.WriteString("S", "Conn", QString::fromUtf8("Geslo=Žiga"));
    ini.WriteString("S", "Name", QString::fromUtf8("Družba"));
    EXPECT_THROW(ini.WriteString("S", "Conn", QString::fromUtf8("Geslo=Ђура")), EUnstorableValue);
    EXPECT_EQ(FileBytes(path).toStdString(), "; \x8Aifra \xE8ita\xE8"
                                             "a \x81\r\n[S]\r\nName = Dru\x9E"
                                             "ba "
                                             "\r\nConn=Geslo=\x8Eiga\r\n\r\n");
    EXPECT_EQ(ini.ReadString("S", "Conn", ""), QString::fromUtf8("Geslo=Žiga"));

    // A file that is UTF-8 stays UTF-8.
    PutFile(path, "[S]\r\nName=Družba\r\n");
    ini.WriteString("S", "Conn", QString::fromUtf8("Žiga"));
    EXPECT_EQ(FileBytes(path).toStdString(), "[S]\r\nName=Družba\r\nConn=Žiga\r\n\r\n");
    std::setlocale(LC_CTYPE, saved.c_str());
}

// What cannot be synced (a pipe, a device: fsync says EINVAL) has nothing to lose.
TEST(FilePlatform, SyncOfWhatCannotBeSyncedIsNoFailure) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int null = ::open("/dev/null", O_WRONLY);
    for (const int fd : {fds[1], null})
        EXPECT_EQ(SyncFileToDisk(fd), "");
    for (const int fd : {fds[0], fds[1], null})
        ::close(fd);
}
