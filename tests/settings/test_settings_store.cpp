#include "SettingsTestUtil.h"
#include "settings/SettingsStore.h"

#include <memory>
#include <sys/stat.h>

namespace {

// The main window as the store sees it: records what the store asks of it.
class FakeWindow : public IWindowPlacement {
public:
    WindowPlacementData current{1, 0, -1, -1, -8, -8, 100, 50, 717, 442};
    bool appMinimized = false;
    QSize screen{1920, 1080};
    int ppi = 96;

    int applied = 0;
    WindowPlacementData appliedPlacement;
    QList<WindowShowState> states;
    int minimizeRequests = 0;
    int repaints = 0;

    WindowPlacementData ReadPlacement() const override { return current; }
    void ApplyPlacement(const WindowPlacementData &p) override {
        ++applied;
        appliedPlacement = p;
    }
    void SetWindowState(WindowShowState s) override { states.append(s); }
    void MinimizeApplication() override { ++minimizeRequests; }
    bool IsApplicationMinimized() const override { return appMinimized; }
    int WindowLeft() const override { return current.normalLeft; }
    int WindowTop() const override { return current.normalTop; }
    QSize WindowSize() const override {
        return {current.normalRight - current.normalLeft, current.normalBottom - current.normalTop};
    }
    QSize ScreenSize() const override { return screen; }
    int PixelsPerInch() const override { return ppi; }
    void Repaint() override { ++repaints; }
};

const char *const kFreshFile = "[fVantrelForm]\n"
                               "FormVersion=0\n"
                               "ShowCmd=1\n"
                               "Flags=0\n"
                               "PixelsPerInch=96\n"
                               "MinMaxPos(1920x1080)=-1,-1,-8,-8\n"
                               "MinMaxPos=-1,-1,-8,-8\n"
                               "NormPos(1920x1080)=100,50,717,442\n"
                               "NormPos=100,50,717,442\n"
                               "\n"
                               "[fVantrelForm\\Settings]\n"
                               "ConnStrVantrelMain=\n"
                               "ConnStrVantrelEvents=\n"
                               "ConnStrTH7=\n"
                               "EventTypeMin=1280\n"
                               "EventTypeMax=1307\n"
                               "EventIDLast=0\n"
                               "DownloadAuto=TRUE\n"
                               "DownloadTime=15\n"
                               "SysTrayShowInfo=TRUE\n"
                               "DepImportID=VANTIMP\n"
                               "DepImportName=VantrelImport\n"
                               "LogLinesMax=300\n"
                               "\n";

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path = dir.filePath("settings.ini");
    FakeWindow window;

    // Loads `contents` (with "\n" line ends) into a new store.
    struct Loaded {
        std::unique_ptr<SettingsFile> file;
        std::unique_ptr<SettingsStore> store;
        bool ok = false;
        int restored = 0;
        QStringList messages;
    };
    Loaded Load(const char *contents) {
        Loaded l;
        PutFile(path, Crlf(contents));
        l.file = std::make_unique<SettingsFile>(path);
        l.store = std::make_unique<SettingsStore>(*l.file, &window);
        QObject::connect(l.store.get(), &SettingsStore::RestorePlacement,
                         [&r = l.restored] { ++r; });
        QObject::connect(l.store.get(), &SettingsStore::LoadFailed,
                         [&m = l.messages](const QString &s) { m.append(s); });
        l.ok = l.store->LoadSettings();
        return l;
    }
};

} // namespace

TEST_F(SettingsStoreTest, FreshStartSavesVersionPlacementAndAllTwelveValues) {
    SettingsFile file(path);
    SettingsStore store(file, &window);
    int restored = 0;
    QObject::connect(&store, &SettingsStore::RestorePlacement, [&restored] { ++restored; });
    EXPECT_TRUE(store.LoadSettings());
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(window.applied, 0); // nothing stored: the window stays centred
    EXPECT_EQ(FileBytes(path), "<missing>");
    EXPECT_TRUE(store.NeedsSaveOnDestroy());

    store.SaveSettings();
    EXPECT_EQ(FileBytes(path), Crlf(kFreshFile));
    EXPECT_FALSE(store.NeedsSaveOnDestroy());

    // Saving again changes nothing; values keep their kinds across a load.
    store.SaveSettings();
    EXPECT_EQ(FileBytes(path), Crlf(kFreshFile));
    SettingsStore again(file, &window);
    ASSERT_TRUE(again.LoadSettings());
    EXPECT_EQ(again.ReadStoredValue("DownloadTime").typeId(), QMetaType::Int);
    EXPECT_EQ(again.ReadStoredValue("DownloadAuto").typeId(), QMetaType::Bool);
    EXPECT_EQ(again.ReadStoredValue("DepImportID").typeId(), QMetaType::QString);
}

TEST_F(SettingsStoreTest, NeverLoadedStoreDoesNotAskToSaveOnDestroy) {
    SettingsFile file(path);
    SettingsStore store(file, &window);
    EXPECT_FALSE(store.NeedsSaveOnDestroy());
}

TEST_F(SettingsStoreTest, DownloadAutoReadsYesNoOneAndEmpty) {
    const struct {
        const char *text;
        bool value;
    } cases[] = {{"yes", true}, {"n", false}, {"1", true}, {"", false}};
    for (const auto &c : cases) {
        const QByteArray file =
            QByteArray("[fVantrelForm\\Settings]\nDownloadAuto=") + c.text + "\n";
        Loaded l = Load(file.constData());
        EXPECT_TRUE(l.ok) << c.text;
        EXPECT_EQ(l.store->ReadStoredValue("DownloadAuto"), QVariant(c.value)) << c.text;
    }
}

TEST_F(SettingsStoreTest, BadValueStopsTheLoadThere) {
    Loaded l = Load("[fVantrelForm\\Settings]\n"
                    "ConnStrTH7=Provider=SQLOLEDB\n"
                    "DownloadAuto=FALSE\n"
                    "DownloadTime=abc\n"
                    "SysTrayShowInfo=FALSE\n"
                    "LogLinesMax=50\n");
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.messages, QStringList{"'abc' is not a valid integer value."});
    EXPECT_EQ(l.restored, 0);
    EXPECT_EQ(l.store->ReadStoredValue("ConnStrTH7").toString(), "Provider=SQLOLEDB");
    EXPECT_EQ(l.store->ReadStoredValue("DownloadAuto"), QVariant(false));
    EXPECT_EQ(l.store->ReadStoredValue("DownloadTime"), QVariant(15));
    EXPECT_EQ(l.store->ReadStoredValue("SysTrayShowInfo"), QVariant(true));
    EXPECT_EQ(l.store->ReadStoredValue("LogLinesMax"), QVariant(300));

    // A bad placement number stops the load before any stored value.
    Loaded p = Load("[fVantrelForm]\nShowCmd=x\n[fVantrelForm\\Settings]\nDownloadTime=5\n");
    EXPECT_EQ(p.messages, QStringList{"'x' is not a valid integer value."});
    EXPECT_EQ(p.store->ReadStoredValue("DownloadTime"), QVariant(15));
    EXPECT_EQ(p.restored, 0);
}

TEST_F(SettingsStoreTest, NegativeFormVersionLoadsNothing) {
    Loaded l = Load("[fVantrelForm]\nFormVersion=-1\nShowCmd=3\nNormPos=1,2,3,4\n"
                    "[fVantrelForm\\Settings]\nDownloadTime=5\n");
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.restored, 0);
    EXPECT_TRUE(l.messages.isEmpty());
    EXPECT_EQ(l.store->ReadStoredValue("DownloadTime"), QVariant(15));
    EXPECT_EQ(window.applied, 0);
    EXPECT_TRUE(window.states.isEmpty());
}

TEST_F(SettingsStoreTest, NamesInOtherCaseAndBlanksAroundTheEqualsSign) {
    Loaded l = Load("[FVANTRELFORM\\settings]\n"
                    "  downloadtime   =   30  \n"
                    "connstrth7 =  Data Source=x  \n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.store->ReadStoredValue("DownloadTime"), QVariant(30));
    EXPECT_EQ(l.store->ReadStoredValue("ConnStrTH7").toString(), "Data Source=x");

    // The save writes into the existing section and entries; the lines whose values it does
    // not change keep their bytes, blanks included.
    l.store->WriteStoredValue("ConnStrTH7", "Data Source=y");
    l.store->SaveSettings();
    const QByteArray bytes = FileBytes(path);
    EXPECT_TRUE(bytes.startsWith(Crlf("[FVANTRELFORM\\settings]\n  downloadtime   =   30  \n"
                                      "connstrth7=Data Source=y\nConnStrVantrelMain=\n")))
        << bytes.constData();
    EXPECT_EQ(bytes.count("DownloadTime"), 0);
}

TEST_F(SettingsStoreTest, UnknownEntriesAndCommentsSurviveASave) {
    Loaded l = Load("[fVantrelForm\\Settings]\n"
                    "; connection to the badge server\n"
                    "ConnStrVantrelMain=Provider=A\n"
                    "OldSetting=kept\n"
                    "free text line\n"
                    "[Other]\n"
                    "Z=9\n");
    ASSERT_TRUE(l.ok);
    l.store->WriteStoredValue("ConnStrVantrelMain", QString("Provider=B"));
    l.store->SaveSettings();
    const QByteArray bytes = FileBytes(path);
    EXPECT_TRUE(bytes.startsWith(Crlf("[fVantrelForm\\Settings]\n"
                                      "; connection to the badge server\n"
                                      "ConnStrVantrelMain=Provider=B\n"
                                      "OldSetting=kept\n"
                                      "free text line\n"
                                      "ConnStrVantrelEvents=\n")))
        << bytes.constData();
    EXPECT_TRUE(bytes.contains(Crlf("LogLinesMax=300\n\n[Other]\nZ=9\n\n[fVantrelForm]\n"
                                    "FormVersion=0\n")))
        << bytes.constData();
}

TEST_F(SettingsStoreTest, PlacementForTheCurrentScreenIsPreferred) {
    Loaded l = Load("[fVantrelForm]\n"
                    "ShowCmd=1\n"
                    "PixelsPerInch=96\n"
                    "MinMaxPos=1,2,3,4\n"
                    "MinMaxPos(1920x1080)=-1, -1,-8 ,-8\n"
                    "NormPos=9,9,9,9\n"
                    "NormPos(1920x1080)=300,200,0,0\n");
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(window.applied, 1);
    const WindowPlacementData &p = window.appliedPlacement;
    EXPECT_EQ(std::vector<int>({p.minX, p.minY, p.maxX, p.maxY}),
              std::vector<int>({-1, -1, -8, -8}));
    // Only the position comes from the file; the size is the window's.
    EXPECT_EQ(std::vector<int>({p.normalLeft, p.normalTop, p.normalRight, p.normalBottom}),
              std::vector<int>({300, 200, 917, 592}));
    EXPECT_EQ(window.states, QList<WindowShowState>{WindowShowState::Normal});
    EXPECT_EQ(window.minimizeRequests, 0);
    EXPECT_EQ(l.restored, 1);

    // Another screen size: the plain entries; words that are not numbers keep the window's.
    window = FakeWindow();
    window.screen = QSize(1280, 1024);
    Load("[fVantrelForm]\nMinMaxPos(1920x1080)=5,5,5,5\nNormPos=x,40\n");
    ASSERT_EQ(window.applied, 1);
    EXPECT_EQ(window.appliedPlacement.normalLeft, 100);
    EXPECT_EQ(window.appliedPlacement.normalTop, 40);
    EXPECT_EQ(window.appliedPlacement.minX, -1); // no plain MinMaxPos: unchanged
}

TEST_F(SettingsStoreTest, ShowCommandAndPixelsPerInchDecideTheRestore) {
    // A different pixel density skips the placement but not the window state.
    Loaded l = Load("[fVantrelForm]\nShowCmd=2\nPixelsPerInch=120\nNormPos=1,2,3,4\n");
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(window.applied, 0);
    EXPECT_EQ(window.states, QList<WindowShowState>{WindowShowState::Normal});
    EXPECT_EQ(window.minimizeRequests, 1);

    for (int cmd : {6, 7}) {
        window = FakeWindow();
        Load(QByteArray("[fVantrelForm]\nShowCmd=" + QByteArray::number(cmd) + "\n").constData());
        EXPECT_EQ(window.minimizeRequests, 1) << cmd;
    }
    window = FakeWindow();
    Load("[fVantrelForm]\nShowCmd=3\n");
    EXPECT_EQ(window.states, QList<WindowShowState>{WindowShowState::Maximized});
    window = FakeWindow();
    Load("[fVantrelForm]\nShowCmd=42\n");
    EXPECT_EQ(window.states, QList<WindowShowState>{WindowShowState::Normal});
    EXPECT_EQ(window.minimizeRequests, 0);
}

TEST_F(SettingsStoreTest, ApplicationInTheTraySavesShowCommandTwo) {
    Loaded l = Load("");
    window.appMinimized = true;
    window.current.showCmd = 1;
    l.store->SaveSettings();
    EXPECT_TRUE(FileBytes(path).contains("\r\nShowCmd=2\r\n"));
}

TEST_F(SettingsStoreTest, SaveStoredValueNowPutsOneValueOnDisk) {
    Loaded l = Load("[fVantrelForm\\Settings]\nEventIDLast=10\nDownloadTime=20\n");
    ASSERT_TRUE(l.ok);
    l.store->WriteStoredValue("EventIDLast", 4711);
    l.store->WriteStoredValue("DownloadTime", 99);
    l.store->SaveStoredValueNow("eventidlast");
    // Only that value reaches the file; the other change waits for the next save.
    EXPECT_EQ(FileBytes(path), Crlf("[fVantrelForm\\Settings]\nEventIDLast=4711\n"
                                    "DownloadTime=20\n\n"));
    l.store->SaveStoredValueNow("NoSuchValue");
    EXPECT_EQ(FileBytes(path).count("\r\n"), 4);

    // A read-only file is left alone, without error.
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    l.store->WriteStoredValue("EventIDLast", 5000);
    EXPECT_NO_THROW(l.store->SaveStoredValueNow("EventIDLast"));
    EXPECT_TRUE(FileBytes(path).contains("EventIDLast=4711"));
    EXPECT_NO_THROW(l.store->SaveSettings());
    EXPECT_TRUE(FileBytes(path).contains("EventIDLast=4711"));
}

TEST_F(SettingsStoreTest, UnknownNamesAreAppendedAndSavedWithTheirKind) {
    Loaded l = Load("");
    l.store->WriteStoredValue("ExtraCount", 7);
    l.store->WriteStoredValue("ExtraFlag", false);
    l.store->SaveSettings();
    EXPECT_TRUE(FileBytes(path).contains(Crlf("LogLinesMax=300\nExtraCount=7\nExtraFlag=FALSE\n")));

    PutFile(path, Crlf("[fVantrelForm\\Settings]\nExtraCount=$10\nExtraFlag=yes\n"));
    ASSERT_TRUE(l.store->LoadSettings());
    EXPECT_EQ(l.store->ReadStoredValue("ExtraCount"), QVariant(16));
    EXPECT_EQ(l.store->ReadStoredValue("extraflag"), QVariant(true));
}

TEST_F(SettingsStoreTest, UnwritableFileStopsTheSaveWithTheCreationError) {
    PutFile(dir.filePath("blocker"), "x");
    SettingsFile file(dir.filePath("blocker/settings.ini"));
    SettingsStore store(file, &window);
    ASSERT_TRUE(store.LoadSettings());
    store.WriteStoredValue("DownloadTime", 30);
    try {
        store.SaveSettings();
        FAIL() << "no error";
    } catch (const EFCreateError &e) {
        EXPECT_TRUE(e.Message().startsWith("Cannot create file \"" +
                                           dir.filePath("blocker/settings.ini") + "\". "))
            << e.what();
    }
    EXPECT_EQ(store.ReadStoredValue("DownloadTime"), QVariant(30));
    EXPECT_TRUE(store.NeedsSaveOnDestroy());
}

TEST_F(SettingsStoreTest, ValueTheCodePageCannotHoldStopsTheSaveByName) {
    // Windows-1250 (not UTF-8), with a byte that code page leaves undefined in a kept value.
    Loaded l = Load("[fVantrelForm\\Settings]\nDepImportName=Dru\x9E\x81\n");
    const QByteArray before = FileBytes(path);
    l.store->WriteStoredValue("ConnStrTH7", QString::fromUtf8("Pwd=Ђура"));
    try {
        l.store->SaveSettings();
        ADD_FAILURE() << "saved";
    } catch (const EUnstorableValue &e) {
        EXPECT_TRUE(e.Message().startsWith(
            R"(Cannot save entry "ConnStrTH7" of section "fVantrelForm\Settings" in ")" + path));
    }
    EXPECT_EQ(FileBytes(path), before);
    l.store->WriteStoredValue("ConnStrTH7", QString::fromUtf8("Pwd=Žiga"));
    l.store->SaveSettings();
    EXPECT_TRUE(FileBytes(path).contains("\r\nConnStrTH7=Pwd=\x8Eiga\r\n"));
}

TEST(SettingsStorePaths, BackslashesAreNormalised) {
    QString section, entry;
    SettingsStore::SplitPath("fVantrelForm\\\\Settings\\EventIDLast", section, entry);
    EXPECT_EQ(section, "fVantrelForm\\Settings");
    EXPECT_EQ(entry, "EventIDLast");
    SettingsStore::SplitPath("\\\\fVantrelForm\\ShowCmd\\", section, entry);
    EXPECT_EQ(section, "fVantrelForm");
    EXPECT_EQ(entry, "ShowCmd");
}
