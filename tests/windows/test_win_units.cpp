#include "app/ShowCommand.h"
#include "app/SingleInstance.h"
#include "app/VersionInfo.h"
#include "core/Trace.h"
#include "i18n/SystemLocale.h"
#include "options/DataLinkDialog.h"
#include "settings/FilePlatform.h"
#include "win_units_test.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    path.resize(length);
    return path;
}

std::string Utf8(const std::wstring &wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::string FolderOf(const std::string &path) {
    return path.substr(0, path.find_last_of("\\/"));
}

// A name of our own per run, so a left-over object of another run cannot interfere.
std::string UniqueName(const char *tag) {
    return std::string("VantrelImportTest-") + tag + "-" + std::to_string(GetCurrentProcessId());
}

// Runs this executable in one of its helper modes and returns its exit code. flags and
// showWindow go into the child's start-up information, as a shortcut would set them.
DWORD RunChild(const std::wstring &arguments, DWORD flags = 0, WORD showWindow = 0) {
    std::wstring commandLine = L"\"" + OwnPath() + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = flags;
    startup.wShowWindow = showWindow;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 100;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 101;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

DWORD RunGuardChild(const std::string &name) {
    return RunChild(L"--guard-child " + std::wstring(name.begin(), name.end()));
}

DWORD RunShowChild(DWORD flags, WORD showWindow) {
    return RunChild(L"--show-child", flags, showWindow);
}

// Temporary files in a folder of their own, removed with their read-only flags.
class TempFolder {
public:
    TempFolder() {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        m_path = std::wstring(base) + L"vi-win-units-" + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(++s_counter);
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~TempFolder() {
        for (const std::wstring &file : m_files) {
            SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(file.c_str());
            RemoveDirectoryW(file.c_str());
        }
        RemoveDirectoryW(m_path.c_str());
    }
    std::wstring Path(const std::wstring &name) const { return m_path + L"\\" + name; }
    std::wstring MakeFile(const std::wstring &name, DWORD attributes, const char *content = "x") {
        const std::wstring path = Path(name);
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, content, static_cast<DWORD>(strlen(content)), &written, nullptr);
        CloseHandle(file);
        if (attributes != FILE_ATTRIBUTE_NORMAL)
            SetFileAttributesW(path.c_str(), attributes);
        m_files.push_back(path);
        return path;
    }
    std::wstring MakeFolder(const std::wstring &name) {
        const std::wstring path = Path(name);
        CreateDirectoryW(path.c_str(), nullptr);
        m_files.push_back(path);
        return path;
    }

private:
    static inline int s_counter = 0;
    std::wstring m_path;
    std::vector<std::wstring> m_files;
};

} // namespace

// --- Single-instance guard ---

TEST(SingleInstanceGuard, SecondGuardSeesTheFirstUntilAllHandlesAreClosed) {
    const std::string name = UniqueName("same-process");
    SingleInstanceGuard first(name.c_str());
    EXPECT_EQ(first.Result(), SingleInstanceResult::FirstCopy);
    {
        SingleInstanceGuard second(name.c_str());
        EXPECT_EQ(second.Result(), SingleInstanceResult::AlreadyRunning);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    }
    first.Close();
    first.Close(); // a second close is harmless
    SingleInstanceGuard later(name.c_str());
    EXPECT_EQ(later.Result(), SingleInstanceResult::FirstCopy);
}

TEST(SingleInstanceGuard, AnotherProcessIsTurnedAwayOnlyWhileTheHandleIsOpen) {
    const std::string name = UniqueName("two-processes");
    SingleInstanceGuard first(name.c_str());
    ASSERT_EQ(first.Result(), SingleInstanceResult::FirstCopy);
    EXPECT_EQ(RunGuardChild(name), 1u) << "second copy while the first runs";
    first.Close();
    EXPECT_EQ(RunGuardChild(name), 0u) << "copy started after the first closed its handle";
}

TEST(SingleInstanceGuard, EndOfTheOwningProcessGivesTheMutexUp) {
    const std::string name = UniqueName("ended");
    EXPECT_EQ(RunGuardChild(name), 0u);
    SingleInstanceGuard after(name.c_str());
    EXPECT_EQ(after.Result(), SingleInstanceResult::FirstCopy);
}

TEST(SingleInstanceGuard, OtherCreateErrorIsFailure) {
    // An object of another kind under the same name makes the create fail.
    const std::string name = UniqueName("event");
    const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name.c_str());
    ASSERT_NE(event, nullptr);
    {
        SingleInstanceGuard guard(name.c_str());
        EXPECT_EQ(guard.Result(), SingleInstanceResult::Failed);
    }
    CloseHandle(event);
}

// --- Version resource ---

TEST(ShowCommand, ShortcutRunSettingReachesTheProgram) {
    EXPECT_EQ(RunShowChild(STARTF_USESHOWWINDOW, SW_SHOWMAXIMIZED),
              static_cast<DWORD>(StartupShow::Maximized));
    EXPECT_EQ(RunShowChild(STARTF_USESHOWWINDOW, SW_SHOWMINNOACTIVE),
              static_cast<DWORD>(StartupShow::MinimizedNoActivate));
    EXPECT_EQ(RunShowChild(STARTF_USESHOWWINDOW, SW_SHOWMINIMIZED),
              static_cast<DWORD>(StartupShow::Normal));
    // Without the flag the field means nothing.
    EXPECT_EQ(RunShowChild(0, SW_SHOWMAXIMIZED), static_cast<DWORD>(StartupShow::Normal));
}

TEST(VersionInfo, ExecutableCarriesTheProjectVersion) {
    FileVersion version;
    ASSERT_TRUE(ReadExecutableFileVersion(Utf8(OwnPath()), version));
    EXPECT_EQ(version.major, VI_VERSION_MAJOR);
    EXPECT_EQ(version.minor, VI_VERSION_MINOR);
    EXPECT_EQ(version.release, VI_VERSION_PATCH);
    EXPECT_EQ(version.build, VI_VERSION_TWEAK);
}

TEST(VersionInfo, FourNumbersKeepTheirPlaces) {
    FileVersion version;
    ASSERT_TRUE(
        ReadExecutableFileVersion(FolderOf(Utf8(OwnPath())) + "\\VersionProbe.dll", version));
    EXPECT_EQ(version.major, 1);
    EXPECT_EQ(version.minor, 2);
    EXPECT_EQ(version.release, 3);
    EXPECT_EQ(version.build, 4);
}

TEST(VersionInfo, FileWithoutVersionResourceOrMissingGivesFalse) {
    TempFolder folder;
    const std::wstring text = folder.MakeFile(L"plain.exe", FILE_ATTRIBUTE_NORMAL, "not a program");
    FileVersion version;
    EXPECT_FALSE(ReadExecutableFileVersion(Utf8(text), version));
    EXPECT_FALSE(ReadExecutableFileVersion(Utf8(folder.Path(L"missing.exe")), version));
    EXPECT_FALSE(ReadExecutableFileVersion("", version));
}

// --- Executable resources: manifest and icon ---

namespace {
std::string ResourceText(LPCWSTR type, int id) {
    const HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
    if (!found)
        return {};
    const HGLOBAL loaded = LoadResource(nullptr, found);
    return std::string(static_cast<const char *>(LockResource(loaded)),
                       SizeofResource(nullptr, found));
}
} // namespace

TEST(Resources, ManifestBindsCommonControlsSix) {
    const std::string manifest = ResourceText(MAKEINTRESOURCEW(24), 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos)
        << manifest;

    // The loader honoured it: the common controls come from the side-by-side assembly of
    // version 6, not from the system folder's version 5.
    const HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    wchar_t modulePath[MAX_PATH] = {};
    GetModuleFileNameW(comctl, modulePath, MAX_PATH);
    std::string path = Utf8(modulePath);
    for (char &c : path)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(path.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos)
        << path;
}

#ifdef VI_TEST_HAS_ICON
TEST(Resources, ProgramIconHasThreeSizesOfThirtyTwoBits) {
    const std::string group = ResourceText(MAKEINTRESOURCEW(14), 1); // RT_GROUP_ICON
    ASSERT_GE(group.size(), 6u);
    const auto *bytes = reinterpret_cast<const unsigned char *>(group.data());
    const int count = bytes[4] | (bytes[5] << 8);
    ASSERT_EQ(count, 3);
    ASSERT_EQ(group.size(), 6u + 14u * 3u);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const unsigned char *entry = bytes + 6 + 14 * i;
        sizes.push_back(entry[0]);
        EXPECT_EQ(entry[1], entry[0]);
        EXPECT_EQ(entry[6] | (entry[7] << 8), 32) << "bits per pixel";
    }
    EXPECT_EQ(sizes, (std::vector<int>{48, 32, 16}));
}
#endif

// --- Trace messages ---

namespace {
std::string g_debugString;

LONG CALLBACK CaptureDebugString(EXCEPTION_POINTERS *pointers) {
    const EXCEPTION_RECORD *record = pointers->ExceptionRecord;
    if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        const auto length = static_cast<std::size_t>(record->ExceptionInformation[0]);
        const auto *text = reinterpret_cast<const char *>(record->ExceptionInformation[1]);
        g_debugString.assign(text, length > 0 ? length - 1 : 0); // length counts the NUL
    }
    return EXCEPTION_CONTINUE_SEARCH;
}
} // namespace

TEST(Trace, SerbianTextsBecomeCodePage1250BytesInQuotes) {
    EXPECT_EQ(TraceBytes("actDownloadExecute: Započinjem download"),
              "\"actDownloadExecute: Zapo\xE8injem download\"");
    EXPECT_EQ(TraceBytes("actDownloadExecute: Završio download"),
              "\"actDownloadExecute: Zavr\x9Aio download\"");
    EXPECT_EQ(TraceBytes("tmrDownloadTimer: Nije uključen auto download - poništavam brojač "
                         "sekundi"),
              "\"tmrDownloadTimer: Nije uklju\xE8"
              "en auto download - poni\x9Atavam broja\xE8 sekundi\"");
    EXPECT_EQ(TraceBytes("Mutex postoji"), "\"Mutex postoji\"");
    EXPECT_EQ(TraceBytes("čćđšž ČĆĐŠŽ"), "\"\xE8\xE6\xF0\x9A\x9E \xC8\xC6\xD0\x8A\x8E\"");
    EXPECT_EQ(TraceBytes(""), "\"\"");
}

TEST(Trace, DebugOutputReceivesExactlyTheQuotedBytes) {
    void *handler = AddVectoredExceptionHandler(1, CaptureDebugString);
    ASSERT_NE(handler, nullptr);
    g_debugString.clear();
    TraceMessage("actDownloadExecute: Započinjem download");
    const std::string first = g_debugString;
    g_debugString.clear();
    TraceMessage("Mutex postoji");
    const std::string second = g_debugString;
    RemoveVectoredExceptionHandler(handler);

    EXPECT_EQ(first, "\"actDownloadExecute: Zapo\xE8injem download\"");
    EXPECT_EQ(second, "\"Mutex postoji\"");
}

// --- Language choice ---

TEST(LocaleTable, EveryListedIdentifierMapsToItsCode) {
    const std::pair<unsigned long, const char *> table[] = {
        {1030, "da_DK"}, {1031, "de_DE"}, {1032, "el_GR"}, {1033, "en_US"}, {1034, "es_ES"},
        {3082, "es_ES"}, {1035, "fi_FI"}, {1036, "fr_FR"}, {1039, "is_IS"}, {1040, "it_IT"},
        {1042, "ko_KR"}, {1043, "nl_NL"}, {1044, "nb_NO"}, {1045, "pl_PL"}, {1046, "pt_BR"},
        {1049, "ru_RU"}, {1053, "sv_SE"}, {2057, "en_GB"}, {2060, "fr_BE"}, {2067, "nl_BE"},
        {2068, "nn_NO"}, {2070, "pt_PT"}, {2077, "sv_FI"}, {3084, "fr_CA"}, {4103, "de_LU"},
    };
    for (const auto &[id, code] : table)
        EXPECT_EQ(LocaleIdToCode(id), code) << id;
}

TEST(LocaleTable, UnknownIdentifierGivesC) {
    EXPECT_EQ(LocaleIdToCode(0), "C");
    EXPECT_EQ(LocaleIdToCode(1050), "C"); // Croatian is not listed
    EXPECT_EQ(LocaleIdToCode(1029), "C");
    EXPECT_EQ(LocaleIdToCode(0x10407), "C"); // German with another sort order
}

TEST(LocaleTable, IsoNames) {
    EXPECT_EQ(LanguageCodeFromIsoNames("sl", "SI"), "sl_SI");
    EXPECT_EQ(LanguageCodeFromIsoNames("no", "NO"), "nb_NO");
    EXPECT_EQ(LanguageCodeFromIsoNames("fil", "PH"), "");
    EXPECT_EQ(LanguageCodeFromIsoNames("de", ""), "");
}

TEST(SystemLocale, AnswerHasTheFormOfACode) {
    const std::string code = SystemLanguageCode();
    if (code != "C") {
        ASSERT_EQ(code.size(), 5u) << code;
        EXPECT_EQ(code[2], '_');
    }
}

// Run by the script with a Unix locale set for Wine and the code it should give.
TEST(SystemLocaleFromEnvironment, GivesTheExpectedCode) {
    if (g_expectedLanguage.empty())
        GTEST_SKIP() << "no --expect-language given";
    EXPECT_EQ(SystemLanguageCode(), g_expectedLanguage);
}

// --- Settings file facts ---

TEST(FilePlatform, OnlyAFileWithTheReadOnlyAttributeIsReadOnly) {
    TempFolder folder;
    EXPECT_TRUE(IsReadOnlyFile(Utf8(folder.MakeFile(L"ro.ini", FILE_ATTRIBUTE_READONLY))));
    EXPECT_TRUE(IsReadOnlyFile(
        Utf8(folder.MakeFile(L"ro-hidden.ini", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))));
    EXPECT_TRUE(
        IsReadOnlyFile(Utf8(folder.MakeFile(L"posta\u010Da.ini", FILE_ATTRIBUTE_READONLY))));

    EXPECT_FALSE(IsReadOnlyFile(Utf8(folder.MakeFile(L"rw.ini", FILE_ATTRIBUTE_NORMAL))));
    EXPECT_FALSE(IsReadOnlyFile(Utf8(folder.MakeFile(L"hidden.ini", FILE_ATTRIBUTE_HIDDEN))));
    EXPECT_FALSE(IsReadOnlyFile(Utf8(folder.MakeFile(L"archive.ini", FILE_ATTRIBUTE_ARCHIVE))));
    EXPECT_FALSE(IsReadOnlyFile(Utf8(folder.MakeFile(L"rw\u010D.ini", FILE_ATTRIBUTE_NORMAL))));
    EXPECT_FALSE(IsReadOnlyFile(Utf8(folder.Path(L"missing.ini"))));
    EXPECT_FALSE(IsReadOnlyFile(""));
}

TEST(FilePlatform, AnsiCodePageRoundTrip) {
    // š and ž sit at the same place in the Central and the Western European code pages.
    const UINT acp = GetACP();
    if (acp == 1250 || acp == 1252) {
        EXPECT_EQ(Utf8ToAnsi("Završio Žiga"), "Zavr\x9Aio \x8Eiga");
        EXPECT_EQ(AnsiToUtf8("Zavr\x9Aio \x8Eiga"), "Završio Žiga");
    }
    for (const std::string text : {"", "plain ASCII; Provider=SQLOLEDB.1", "Završio"})
        EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(text)), text);

    // A character outside the code page does not survive.
    const std::string outside = "\xE4\xB8\xAD"; // a CJK ideograph
    EXPECT_NE(AnsiToUtf8(Utf8ToAnsi(outside)), outside);
    EXPECT_FALSE(Utf8ToAnsi(outside).empty());
}

// --- Data-link dialog ---

TEST(DataLinkDialog, UncreatableComponentsAreReportedUnavailableAndLeaveNoString) {
    // Without COM initialised on this thread creating the objects fails before any dialog.
    std::wstring text = L"Provider=SQLOLEDB.1;Data Source=old";
    try {
        DataLinkPromptEdit(nullptr, text);
        ADD_FAILURE() << "no error raised";
    } catch (const DataLinkUnavailable &error) {
        EXPECT_STRNE(error.what(), "");
    }
    EXPECT_TRUE(text.empty());

    std::wstring fresh = L"left over";
    EXPECT_THROW(DataLinkPromptNew(nullptr, fresh), DataLinkUnavailable);
    EXPECT_TRUE(fresh.empty());
}

TEST(DataLinkDialog, UnderWineTheMissingTypeLibraryMakesThePromptsUnavailable) {
    // On Windows the objects work and the prompts would show the real dialog.
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
        GTEST_SKIP() << "shows the system's dialog outside Wine";
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // Wine creates the data links and the connection but cannot reach the connection's string.
    std::wstring text = L"Provider=SQLOLEDB.1;Data Source=old";
    EXPECT_THROW(DataLinkPromptEdit(nullptr, text), DataLinkUnavailable);
    EXPECT_TRUE(text.empty());
    std::wstring fresh = L"left over";
    EXPECT_THROW(DataLinkPromptNew(nullptr, fresh), DataLinkUnavailable);
    EXPECT_TRUE(fresh.empty());
    CoUninitialize();
}
