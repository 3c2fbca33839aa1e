#include "settings/FilePlatform.h"

#include "core/WideText_win.h"

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
