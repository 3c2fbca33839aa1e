#pragma once
// Doubles of the database objects and the host for import-run tests. Every call on a database
// object goes into one shared journal so that the order across objects can be checked.

#include "import/DbInterfaces.h"
#include "import/ImportHost.h"
#include "settings/StoredValues.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <QVariant>
#include <functional>

using Journal = QStringList;

// Builds the exception a failing statement raises; null means the statement succeeds.
using FailureRule = std::function<void(const QString &statement)>;

class FakeConnection : public IConnection {
public:
    FakeConnection(const QString &name, Journal &journal) : m_name(name), m_journal(journal) {}

    QString Name() const override { return m_name; }
    void SetConnectionString(const QString &text) override;
    QString ConnectionString() const override { return m_connectionString; }
    void Open() override;
    void Close() override;
    bool Connected() const override { return m_connected; }
    void Execute(const QString &statement) override;

    // Statements that reached the database and were accepted, in order.
    QStringList accepted;
    // Every statement handed to Execute, in order.
    QStringList executed;
    // Refuses a statement accepted before as a duplicate key, as a table with keys would.
    bool refuseDuplicates = false;
    // Called before a statement is accepted; may throw.
    FailureRule failure;

private:
    QString m_name;
    Journal &m_journal;
    QString m_connectionString;
    bool m_connected = false;
};

class FakeQuery : public IQuery {
public:
    using Row = QMap<QString, QVariant>;

    FakeQuery(const QString &name, FakeConnection &connection, Journal &journal)
        : m_name(name), m_connection(connection), m_journal(journal) {}

    QString Name() const override { return m_name; }
    void SetParameter(const QString &name, const QVariant &value) override;
    void Open() override;
    void Close() override;
    bool Active() const override { return m_active; }
    bool Eof() const override { return !m_active || m_position >= m_result.size(); }
    void Next() override;
    QString FieldAsString(const QString &field) const override;
    qint32 FieldAsInteger(const QString &field) const override;
    QDateTime FieldAsDateTime(const QString &field) const override;

    // The source table; `select`, when set, chooses the result from it and the parameters.
    QList<Row> rows;
    std::function<QList<Row>(const QList<Row> &, const QMap<QString, QVariant> &)> select;
    QMap<QString, QVariant> parameters;
    int opens = 0;

private:
    QVariant Value(const QString &field) const;

    QString m_name;
    FakeConnection &m_connection;
    Journal &m_journal;
    bool m_active = false;
    QList<Row> m_result;
    qsizetype m_position = 0;
};

struct HostEntry {
    enum Kind { Log, Information, Error } what;
    QString text;
    LogEntryKind kind = LogEntryKind::Information; // of a log entry
};

class FakeHost : public IImportHost {
public:
    void AddLogEntry(const QString &text, LogEntryKind kind) override {
        entries.append({HostEntry::Log, text, kind});
    }
    void ShowInformationNotification(const QString &text) override {
        entries.append({HostEntry::Information, text});
    }
    void ShowErrorNotification(const QString &text) override {
        entries.append({HostEntry::Error, text});
    }

    // "I:text", "W:text", "E:text" for log entries, "info:text", "error:text" for notifications.
    QStringList Lines() const;

    QList<HostEntry> entries;
};

// The in-memory table that also notes when a value was put into the file, and with what value.
class RecordingValues : public StoredValueTable {
public:
    void SaveStoredValueNow(const QString &name) override {
        saved.append(name + u'=' + ReadStoredValue(name).toString());
    }
    QStringList saved;
};

// The exceptions the connection layer raises for a refused row and for any other failure.
[[noreturn]] void ThrowDuplicateKey(const QString &message);
[[noreturn]] void ThrowDatabaseError(const QString &message);
