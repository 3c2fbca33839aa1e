#pragma once
// UTF-8 / UTF-16 / 8-bit code page conversions shared by the Windows platform units.

#include <windows.h>

#include <string>

namespace wintext {

inline std::wstring FromCodePage(UINT codePage, const std::string &text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

inline std::string ToCodePage(UINT codePage, const std::wstring &wide) {
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
    return text;
}

inline std::wstring Utf8ToWide(const std::string &utf8) {
    return FromCodePage(CP_UTF8, utf8);
}
inline std::string WideToUtf8(const std::wstring &wide) {
    return ToCodePage(CP_UTF8, wide);
}

} // namespace wintext
