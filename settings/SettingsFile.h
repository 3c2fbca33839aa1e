#pragma once
// The settings file part (the main window's storApp): an INI file held in memory.
//
// Every read, write or existence test reads the whole file again first, and every write
// rewrites the whole file at once, so changes made by hand between two accesses survive.
// A file without any write permission bit (Windows: the read-only attribute) makes every
// write a silent no-op. The file is written in the user's 8-bit code page (or, for a file
// from a Windows machine under a UTF-8 locale, in Windows-1250) with CR LF line ends;
// sections and entries are compared without regard to case; every line the program does not
// change (comments, lines without "=", unknown sections and entries, values it writes
// unchanged) is written back as the bytes it was read as, where it stood. For duplicates in a
// hand-edited file the first occurrence is used. A write that fails leaves the file as it was.
// A value the file's code page has no place for (a Cyrillic password in a Windows-1250 file)
// is refused by its entry's name rather than written as "?": the Windows build, earlier
// versions and editors on Windows read the file in that code page, so the program never
// switches it to UTF-8.
//
// Usage:
//     SettingsFile storApp;                          // settings.ini beside the executable
//     int n = storApp.ReadInteger("Sec", "Key", 15); // throws EConvertError on bad text
//     storApp.WriteInteger("Sec", "Key", n);         // throws EFCreateError when unwritable
//     storApp.WriteString("Sec", "Key", text);       // throws EUnstorableValue, see above

#include "core/Exceptions.h"
#include "settings/FilePlatform.h"

#include <QList>
#include <QString>

// The file cannot be created or written: "Cannot create file "<full name>". <reason>".
class EFCreateError : public Exception {
public:
    using Exception::Exception;
};

// A text the file's code page cannot hold; names the entry, section, file and code page.
class EUnstorableValue : public Exception {
public:
    using Exception::Exception;
};

class SettingsFile {
public:
    // settings.ini in the folder of the running executable (needs a QCoreApplication).
    SettingsFile();
    // Any file; a name without an extension gets ".ini".
    explicit SettingsFile(const QString &fileName);
    // Writes the memory once more only when a write had failed to reach the file; an
    // unchanged file is not rewritten from a possibly stale copy. Never throws.
    ~SettingsFile();

    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    const QString &FileName() const { return m_fileName; }
    // The file exists and may not be written (see above).
    bool IsReadOnly() const;

    bool SectionExists(const QString &section);
    bool ValueExists(const QString &section, const QString &entry);

    // The trimmed value; the default when the section or entry is missing.
    QString ReadString(const QString &section, const QString &entry, const QString &def);
    // Empty is 0; optional sign, decimal or "$"/"0x" hexadecimal; else EConvertError.
    int ReadInteger(const QString &section, const QString &entry, int def);
    // TRUE/YES/Y, FALSE/NO/N (any case), else as an integer (non-zero is true).
    bool ReadBool(const QString &section, const QString &entry, bool def);
    double ReadFloat(const QString &section, const QString &entry, double def);

    // Texts lose their line breaks (the format cannot hold them); integers are decimal;
    // Booleans "TRUE"/"FALSE". A text the code page cannot hold throws EUnstorableValue and
    // changes nothing.
    void WriteString(const QString &section, const QString &entry, const QString &value);
    void WriteInteger(const QString &section, const QString &entry, int value);
    void WriteBool(const QString &section, const QString &entry, bool value);
    void WriteFloat(const QString &section, const QString &entry, double value);
    // Throws what WriteString would throw for a text the code page cannot hold; writes nothing.
    void CheckString(const QString &section, const QString &entry, const QString &value);

    // Reads the file into memory (a missing file empties it).
    void Reload();

    // Conversions by the rules above, usable without a file.
    static int TextToInteger(const QString &text);
    static bool TextToBool(const QString &text);

private:
    // A line read from the file is written back as the bytes it was read as until the
    // program changes it; `raw` is null for a line the program made or changed.
    struct Line {
        bool isEntry = false;
        QString name;  // entry name (entries only)
        QString value; // entry value, or the whole text of any other line
        QByteArray raw;
    };
    struct Section {
        QString name;
        QByteArray raw; // the header line as read
        QList<Line> lines;
    };

    Section *FindSection(const QString &section);
    const Line *FindEntry(const QString &section, const QString &entry);
    void WriteValue(const QString &section, const QString &entry, const QString &text);
    void RequireHoldable(const QString &section, const QString &entry, const QString &text);
    bool CanHold(const QString &text) const;
    void Flush();
    QByteArray Serialize() const;

    QString m_fileName;
    QList<QByteArray> m_preamble; // lines before the first section, as read
    QList<Section> m_sections;
    FileCodePage m_codePage = FileCodePage::User;
    bool m_unwritten = false;  // memory holds a change the file did not receive
    bool m_readFailed = false; // the file exists but could not be read
    QString m_readError;
};
