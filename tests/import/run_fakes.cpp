#include "run_fakes.h"

#include "core/Exceptions.h"
#include "import/ADOConnectionMSSQL.h"

void FakeConnection::SetConnectionString(const QString &text) {
    m_journal.append(QStringLiteral("connstr ") + m_name + u'=' + text);
    m_connectionString = text;
}

void FakeConnection::Open() {
    if (m_connected)
        return;
    m_journal.append(QStringLiteral("open ") + m_name);
    // What the driver manager says about an empty connection string.
    if (m_connectionString.isEmpty())
        throw Exception(QStringLiteral("[unixODBC][Driver Manager]Data source name not found and "
                                       "no default driver specified"));
    m_connected = true;
}

void FakeConnection::Close() {
    m_journal.append(QStringLiteral("close ") + m_name);
    m_connected = false;
}

void FakeConnection::Execute(const QString &statement) {
    m_journal.append(QStringLiteral("exec ") + m_name);
    executed.append(statement);
    if (!m_connected)
        throw Exception(QStringLiteral("statement on a closed connection"));
    if (failure)
        failure(statement);
    if (refuseDuplicates && accepted.contains(statement))
        ThrowDuplicateKey(QStringLiteral(
            "Violation of PRIMARY KEY constraint 'PK'. Cannot insert duplicate key."));
    accepted.append(statement);
}

void FakeQuery::SetParameter(const QString &name, const QVariant &value) {
    m_journal.append(QStringLiteral("param ") + m_name + u'.' + name + u'=' + value.toString());
    parameters[name] = value;
}

void FakeQuery::Open() {
    if (m_active)
        return;
    m_journal.append(QStringLiteral("open ") + m_name);
    if (!m_connection.Connected())
        throw Exception(m_name + QStringLiteral(": connection closed"));
    ++opens;
    m_result = select ? select(rows, parameters) : rows;
    m_position = 0;
    m_active = true;
}

void FakeQuery::Close() {
    m_journal.append(QStringLiteral("close ") + m_name);
    m_active = false;
    m_result.clear();
}

void FakeQuery::Next() {
    if (m_position < m_result.size())
        ++m_position;
}

QVariant FakeQuery::Value(const QString &field) const {
    if (Eof())
        throw Exception(m_name + QStringLiteral(": no current row"));
    const Row &row = m_result[m_position];
    if (!row.contains(field))
        throw Exception(m_name + QStringLiteral(": Field '%1' not found").arg(field));
    return row[field];
}

QString FakeQuery::FieldAsString(const QString &field) const {
    const QVariant v = Value(field);
    return v.isNull() ? QString() : v.toString();
}

qint32 FakeQuery::FieldAsInteger(const QString &field) const {
    const QVariant v = Value(field);
    return v.isNull() ? 0 : v.toInt();
}

QDateTime FakeQuery::FieldAsDateTime(const QString &field) const {
    const QVariant v = Value(field);
    return v.isNull() ? QDateTime(QDate(1899, 12, 30), QTime(0, 0)) : v.toDateTime();
}

QStringList FakeHost::Lines() const {
    QStringList lines;
    for (const HostEntry &e : entries) {
        switch (e.what) {
        case HostEntry::Log:
            lines.append(QStringLiteral("IWE").mid(static_cast<int>(e.kind), 1) + u':' + e.text);
            break;
        case HostEntry::Information:
            lines.append(QStringLiteral("info:") + e.text);
            break;
        case HostEntry::Error:
            lines.append(QStringLiteral("error:") + e.text);
            break;
        }
    }
    return lines;
}

void ThrowDuplicateKey(const QString &message) {
    throw EDatabaseError(message, QStringLiteral("23000"), 2627, true);
}

void ThrowDatabaseError(const QString &message) {
    throw EDatabaseError(message, QStringLiteral("42S22"), 207, false);
}
