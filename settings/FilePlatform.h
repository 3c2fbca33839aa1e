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

// The encoding a settings file's bytes are read and written in. A file that is not valid
// UTF-8 where the user's code page is UTF-8 was written on (or copied from) a Windows machine
// of our users: it is Windows-1250, and stays so when the program writes into it.
enum class FileCodePage { User, Windows1250 };
FileCodePage CodePageOfFile(const std::string &bytes);
std::string FileTextToUtf8(const std::string &bytes, FileCodePage codePage);
std::string Utf8ToFileText(const std::string &utf8, FileCodePage codePage);
// The code page's name for messages: "Windows-1250", "ISO-8859-2", "UTF-8".
std::string FileCodePageName(FileCodePage codePage);

// Makes the written content of an open file (a C library file handle) durable. Returns the
// operating system's reason for a failure, empty on success: some file systems report a full
// disk only here.
std::string SyncFileToDisk(int handle);
