// Carries only a version resource for the version-reading tests.
extern "C" __declspec(dllexport) int VersionProbe() {
    return 0;
}
