#include "settings/FilePlatform.h"

#include "core/WideText_win.h"

#include <io.h>
#include <string>

bool IsReadOnlyFile(const std::string &utf8Path) {
    const DWORD attributes = GetFileAttributesW(wintext::Utf8ToWide(utf8Path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::string Utf8ToAnsi(const std::string &utf8) {
    return wintext::ToCodePage(CP_ACP, wintext::Utf8ToWide(utf8));
}

std::string AnsiToUtf8(const std::string &ansi) {
    return wintext::WideToUtf8(wintext::FromCodePage(CP_ACP, ansi));
}

namespace {
constexpr UINT kWindows1250 = 1250;
} // namespace

FileCodePage CodePageOfFile(const std::string &bytes) {
    if (GetACP() != CP_UTF8 || bytes.empty())
        return FileCodePage::User;
    const int valid = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                          static_cast<int>(bytes.size()), nullptr, 0);
    return valid > 0 ? FileCodePage::User : FileCodePage::Windows1250;
}

std::string FileTextToUtf8(const std::string &bytes, FileCodePage codePage) {
    if (codePage == FileCodePage::User)
        return AnsiToUtf8(bytes);
    return wintext::WideToUtf8(wintext::FromCodePage(kWindows1250, bytes));
}

std::string Utf8ToFileText(const std::string &utf8, FileCodePage codePage) {
    if (codePage == FileCodePage::User)
        return Utf8ToAnsi(utf8);
    return wintext::ToCodePage(kWindows1250, wintext::Utf8ToWide(utf8));
}

std::string FileCodePageName(FileCodePage codePage) {
    const UINT acp = codePage == FileCodePage::User ? GetACP() : kWindows1250;
    return acp == CP_UTF8 ? "UTF-8" : "Windows-" + std::to_string(acp);
}

std::string SyncFileToDisk(int handle) {
    const intptr_t os = handle < 0 ? -1 : _get_osfhandle(handle);
    if (os == -1 || FlushFileBuffers(reinterpret_cast<HANDLE>(os)))
        return {};
    return "Windows error " + std::to_string(GetLastError());
}
