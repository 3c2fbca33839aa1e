#pragma once
// File facts the settings file needs from the operating system.

#include <string>

// Windows: the file exists and carries the read-only attribute.
// Elsewhere: the file exists and has no write permission bit at all (root writes anything,
// so the mode bits are tested rather than access()).
bool IsReadOnlyFile(const std::string &utf8Path);

// The user's 8-bit code page (Windows: the ANSI code page; elsewhere the locale's encoding).
std::string Utf8ToAnsi(const std::string &utf8);
std::string AnsiToUtf8(const std::string &ansi);
