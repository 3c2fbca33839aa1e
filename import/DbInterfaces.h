#pragma once
// The operations of a connection and a read-only query that the import run relies on.
// TADOConnectionMSSQL and TADOQuery implement them over ODBC; tests may put a double in place.
// Every failure is an Exception (app/Exceptions.h): provider messages unchanged, our own
// messages prefixed "%s: %s" with the object's name.

#include <QDateTime>
#include <QString>
#include <QVariant>

class IConnection {
public:
    virtual ~IConnection() = default;
    virtual QString Name() const = 0;
    virtual void SetConnectionString(const QString &connectionString) = 0;
    virtual QString ConnectionString() const = 0;
    virtual void Open() = 0;           // no-op when open
    virtual void Close() = 0;          // no-op when closed
    virtual bool Connected() const = 0;
    virtual void Execute(const QString &statement) = 0; // opens first when closed; result discarded
};

class IQuery {
public:
    virtual ~IQuery() = default;
    virtual QString Name() const = 0;
    virtual void SetParameter(const QString &name, const QVariant &value) = 0; // empty/null -> NULL
    virtual void Open() = 0;           // no-op when open (not run again)
    virtual void Close() = 0;          // no-op when closed
    virtual bool Active() const = 0;
    virtual bool Eof() const = 0;
    virtual void Next() = 0;
    // Reads of a declared field of the current row; a NULL never fails a read.
    virtual QString FieldAsString(const QString &field) const = 0;      // integer/wide text as text
    virtual qint32 FieldAsInteger(const QString &field) const = 0;      // integer, or fixed-point rounded
    virtual QDateTime FieldAsDateTime(const QString &field) const = 0;  // NULL -> 1899-12-30 00:00
};
