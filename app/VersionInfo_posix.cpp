#include "app/VersionInfo.h"

// No version record in the executable here: the build's project version is compiled in.
bool ReadExecutableFileVersion(const std::string &, FileVersion &version) {
    version.major = VI_VERSION_MAJOR;
    version.minor = VI_VERSION_MINOR;
    version.release = VI_VERSION_PATCH;
    version.build = VI_VERSION_TWEAK;
    return true;
}
