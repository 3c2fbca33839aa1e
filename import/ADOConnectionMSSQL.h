#pragma once
// Connections to the SQL Server databases and read-only queries on them, over ODBC.
// Connection strings are OLE DB strings (see ConnectionString.h); provider messages are passed
// on unchanged, our own carry the object's name in front ("name: message").

#include "import/DbInterfaces.h"
#include "import/FieldKinds.h"
#include "import/OdbcApi.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <vector>

class TADOQuery;

class TADOConnectionMSSQL : public QObject, public IConnection {
    Q_OBJECT
    Q_PROPERTY(QString ConnectionString READ ConnectionString WRITE SetConnectionString)

public:
    static constexpr int kLoginTimeoutSeconds = 10;

    explicit TADOConnectionMSSQL(const QString &name, QObject *parent = nullptr);
    ~TADOConnectionMSSQL() override;

    QString Name() const override { return objectName(); }
    void SetConnectionString(const QString &connectionString) override;
    QString ConnectionString() const override { return m_connectionString; }
    void Open() override;
    void Close() override;
    bool Connected() const override { return m_connected; }
    void Execute(const QString &statement) override;

    // The ODBC connection handle while connected (for the queries on this connection).
    SQLHDBC Handle() const { return m_dbc.get(); }

private:
    friend class TADOQuery;
    void Attach(TADOQuery *query);
    void Detach(TADOQuery *query);

    QString m_connectionString;
    odbc::Handle m_env;
    odbc::Handle m_dbc;
    odbc::Handle m_execStmt; // reused by Execute while connected
    bool m_connected = false;
    QList<TADOQuery *> m_queries;
};

class TADOQuery : public QObject, public IQuery {
    Q_OBJECT
    Q_PROPERTY(QString SQL READ SQL WRITE SetSQL)

public:
    static constexpr int kCommandTimeoutSeconds = 30;

    TADOQuery(const QString &name, TADOConnectionMSSQL &connection, QObject *parent = nullptr);
    ~TADOQuery() override;

    void SetSQL(const QString &text);
    QString SQL() const { return m_sql; }
    QString ScannedSQL() const { return m_scannedSql; }
    QStringList ParameterNames() const { return m_parameterNames; }
    void AddField(const TFieldDef &field);

    QString Name() const override { return objectName(); }
    void SetParameter(const QString &name, const QVariant &value) override;
    void Open() override;
    void Close() override;
    bool Active() const override { return m_active; }
    bool Eof() const override { return m_eof; }
    void Next() override;
    QString FieldAsString(const QString &field) const override;
    qint32 FieldAsInteger(const QString &field) const override;
    QDateTime FieldAsDateTime(const QString &field) const override;

private:
    friend class TADOConnectionMSSQL;

    // One column of the result that a declared field reads, and its value in the current row.
    struct Slot {
        SQLUSMALLINT column = 0; // 1-based
        ColumnKind kind;
        bool isNull = true;
        qint64 integer = 0;
        double real = 0;
        QString text;
        QDateTime dateTime;
    };
    // A parameter's value in the form handed to the driver.
    struct BoundValue {
        SQLSMALLINT cType = SQL_C_SBIGINT;
        qint64 integer = 0;
        double real = 0;
        QByteArray text;
        SQLLEN indicator = SQL_NULL_DATA;
    };

    [[noreturn]] void Fail(const QString &message) const;
    const Slot &SlotOf(const QString &field) const;
    void BindParameters();
    void DescribeAndCheck();
    void FetchRow();
    void ReadSlot(Slot &slot);

    TADOConnectionMSSQL *m_connection;
    QString m_sql;
    QString m_scannedSql;
    QStringList m_parameterNames;
    QList<QVariant> m_parameterValues;
    std::vector<BoundValue> m_bound;
    QList<TFieldDef> m_fields;
    std::vector<Slot> m_slots;    // ordered by column, as ODBC wants the reads
    std::vector<int> m_fieldSlot; // declared field -> index into m_slots
    odbc::Handle m_stmt;
    bool m_active = false;
    bool m_eof = true;
};
