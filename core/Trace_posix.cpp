#include "core/Trace.h"

#include <cstdio>

std::string TraceBytes(const std::string &utf8Text) {
    return '"' + utf8Text + '"';
}

void TraceMessage(const std::string &utf8Text) {
    const std::string line = TraceBytes(utf8Text) + '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
