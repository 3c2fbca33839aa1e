#include "app/TerminationSignals.h"

// A Windows GUI process gets no termination signals: logging off and shutting down reach the
// application object as the session's end, which start-up connects to the same ending as Exit.
struct TerminationWatch::Impl {};

TerminationWatch::TerminationWatch(std::function<void()>, std::chrono::milliseconds) {}
TerminationWatch::~TerminationWatch() = default;
void TerminationWatch::SetHandler(std::function<void()>) {}
