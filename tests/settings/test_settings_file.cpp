#include "SettingsTestUtil.h"
#include "settings/FilePlatform.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

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

} // namespace

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

    EXPECT_EQ(FileBytes(path), Crlf("; written by hand\n"
                                    "[Alpha]\n"
                                    "Keep=this value\n"
                                    "; a comment between entries\n"
                                    "\n"
                                    "no equals sign here\n"
                                    "Target=new\n"
                                    "target=duplicate\n"
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
                                    "\n"));
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
        ini.WriteString("S", "V", value);
        // Š đ č ć ž in code page 1250; the Cyrillic letter has no place there.
        EXPECT_EQ(FileBytes(path), QByteArray("[S]\r\nV=\x8A\xF0\xE8\xE6\x9E ?\r\n\r\n"));
        EXPECT_EQ(ini.ReadString("S", "V", ""), QString::fromUtf8("Šđčćž ?"));
        EXPECT_EQ(AnsiToUtf8("\x8A"), "Š");
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    ::unsetenv("LOCPATH");
    if (!haveLocale)
        GTEST_SKIP() << "no sl_SI.CP1250 locale could be built (localedef " << rc << ")";
}
