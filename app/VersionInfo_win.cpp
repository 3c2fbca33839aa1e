#include "app/VersionInfo.h"

#include "core/WideText_win.h"

#include <vector>

bool ReadExecutableFileVersion(const std::string &exePathUtf8, FileVersion &version) {
    const std::wstring path = wintext::Utf8ToWide(exePathUtf8);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
        return false;

    void *block = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", &block, &length) || block == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const auto *fixed = static_cast<const VS_FIXEDFILEINFO *>(block);
    if (fixed->dwSignature != VS_FFI_SIGNATURE)
        return false;

    version.major = HIWORD(fixed->dwFileVersionMS);
    version.minor = LOWORD(fixed->dwFileVersionMS);
    version.release = HIWORD(fixed->dwFileVersionLS);
    version.build = LOWORD(fixed->dwFileVersionLS);
    return true;
}
