#pragma once
// The file version of the program's executable. Windows: its version resource.
// Elsewhere: the same four numbers compiled in from the build's project version.

#include <cstdint>
#include <string>

struct FileVersion {
    std::uint16_t major = 0, minor = 0, release = 0, build = 0;
};

// False when the file carries no version information.
bool ReadExecutableFileVersion(const std::string &exePathUtf8, FileVersion &version);
