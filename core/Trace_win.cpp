#include "core/Trace.h"

#include "core/WideText_win.h"

namespace {
// The trace texts are Serbian; debug-output viewers show them in the Central European code page.
constexpr UINT kTraceCodePage = 1250;
} // namespace

std::string TraceBytes(const std::string &utf8Text) {
    return '"' + wintext::ToCodePage(kTraceCodePage, wintext::Utf8ToWide(utf8Text)) + '"';
}

void TraceMessage(const std::string &utf8Text) {
    OutputDebugStringA(TraceBytes(utf8Text).c_str());
}

void GuardStandardError() {}
