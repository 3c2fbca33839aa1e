#pragma once
// Trace messages for a developer's debugger: the text in double quotes, nothing else.
// Windows: OutputDebugStringA in code page 1250. Elsewhere: one line on standard error, UTF-8.
// Qt-free so that the Windows unit can be built and tested without a Windows Qt.

#include <string>

void TraceMessage(const std::string &utf8Text);

// The exact bytes handed to the debug channel for a text (quotes included, no line break).
std::string TraceBytes(const std::string &utf8Text);
