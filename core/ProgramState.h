#pragma once
#include <cstdint>

// State shared by the import run, the download timer and the main window.
// One instance is owned by the main window (or a test) and handed to its users.
struct ProgramState {
    bool downloadInProgress = false;
    std::uint32_t elapsedSeconds = 0; // counted by the download timer, wraps like the original
};
