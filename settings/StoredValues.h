#pragma once
// The stored values: an ordered table of named settings held in memory.
// Names are compared without regard to case; the variant kind of each entry is kept.

#include <QList>
#include <QString>
#include <QVariant>

class IStoredValues {
public:
    virtual ~IStoredValues() = default;
    // The in-memory value; a name not in the table gives a null variant.
    virtual QVariant ReadStoredValue(const QString &name) const = 0;
    // Changes memory only; an unknown name is appended.
    virtual void WriteStoredValue(const QString &name, const QVariant &value) = 0;
    // Puts the in-memory value of one entry into the settings file at once
    // (so progress such as EventIDLast survives a crash). No-op where there is no file.
    virtual void SaveStoredValueNow(const QString &name) = 0;
};

enum class StoredValueKind { Text, Integer, Boolean };

struct StoredValueDef {
    const char *name;
    StoredValueKind kind;
    const char *defaultValue; // as text: integers in decimal, Booleans "TRUE"/"FALSE"

    QVariant Default() const;
};

// The twelve stored values in the order of loading and saving, with their kinds and defaults.
// This is the only list of them in the program.
inline constexpr StoredValueDef kStoredValueTable[] = {
    {"ConnStrVantrelMain", StoredValueKind::Text, ""},
    {"ConnStrVantrelEvents", StoredValueKind::Text, ""},
    {"ConnStrTH7", StoredValueKind::Text, ""},
    {"EventTypeMin", StoredValueKind::Integer, "1280"},
    {"EventTypeMax", StoredValueKind::Integer, "1307"},
    {"EventIDLast", StoredValueKind::Integer, "0"},
    {"DownloadAuto", StoredValueKind::Boolean, "TRUE"},
    {"DownloadTime", StoredValueKind::Integer, "15"},
    {"SysTrayShowInfo", StoredValueKind::Boolean, "TRUE"},
    {"DepImportID", StoredValueKind::Text, "VANTIMP"},
    {"DepImportName", StoredValueKind::Text, "VantrelImport"},
    {"LogLinesMax", StoredValueKind::Integer, "300"},
};

// The in-memory table, filled with the defaults above. The settings store builds on it;
// tests and the engine can use it alone.
class StoredValueTable : public IStoredValues {
public:
    struct Entry {
        QString name;
        QVariant value;
    };

    StoredValueTable();

    QVariant ReadStoredValue(const QString &name) const override;
    void WriteStoredValue(const QString &name, const QVariant &value) override;
    void SaveStoredValueNow(const QString &) override {}

    const QList<Entry> &Entries() const { return m_entries; }

private:
    qsizetype IndexOf(const QString &name) const;
    QList<Entry> m_entries;
};
