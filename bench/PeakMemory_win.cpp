#include "bench/PeakMemory.h"

#include <windows.h>

#include <psapi.h>

std::uint64_t PeakResidentBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.PeakWorkingSetSize;
}

bool ResetPeakResident() {
    return false;
}
