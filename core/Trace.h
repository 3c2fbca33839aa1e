#pragma once
// Trace messages for a developer's debugger: the text in double quotes, nothing else.
// Windows: OutputDebugStringA in code page 1250. Elsewhere: one line on standard error, UTF-8,
// filtered by the Qt logging category "vantrelimport.trace" (on by default; the usual
// QT_LOGGING_RULES="vantrelimport.trace=false" silences it). A trace never blocks: a line that
// standard error cannot take at once is dropped. A line is one write of at most PIPE_BUF bytes
// (longer ones are cut), so lines from several threads never mix.
// The Windows unit is Qt-free so that it can be built and tested without a Windows Qt.

#include <string>

void TraceMessage(const std::string &utf8Text);

// The exact bytes handed to the debug channel for a text (quotes included, no line break).
std::string TraceBytes(const std::string &utf8Text);

// Called first thing at start-up: writing to standard error neither kills the program (a
// reader that has gone: SIGPIPE is ignored) nor blocks it (Qt's own messages take the same road
// as the traces, one line per write). Nothing to do on Windows.
void GuardStandardError();
