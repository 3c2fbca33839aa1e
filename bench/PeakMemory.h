#pragma once
// Peak resident memory of this process.

#include <cstdint>

// Bytes at the peak so far, or 0 when the system does not tell.
std::uint64_t PeakResidentBytes();
// Starts counting the peak afresh from the current size; false when the system cannot.
bool ResetPeakResident();
