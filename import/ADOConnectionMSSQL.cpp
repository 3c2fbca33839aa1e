#include "import/ADOConnectionMSSQL.h"

#include "import/ConnectionString.h"
#include "import/ParamMarkers.h"
#include "import/SqlBrowser.h"
#include "import/StatementCancel.h"

#include "i18n/TextLookup.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kIntegerKinds[] = {QStringLiteral("SmallInt"), QStringLiteral("Integer"),
                                 QStringLiteral("Word"), QStringLiteral("AutoInc"),
                                 QStringLiteral("LargeInt")};

bool IsIntegerKind(const QString &kind) {
    return std::find(std::begin(kIntegerKinds), std::end(kIntegerKinds), kind) !=
           std::end(kIntegerKinds);
}
bool IsDateKind(const QString &kind) {
    return kind == QLatin1String("DateTime") || kind == QLatin1String("Date") ||
           kind == QLatin1String("Time");
}
bool IsTextKind(const QString &kind) {
    return kind == QLatin1String("WideString") || kind == QLatin1String("String") ||
           kind == QLatin1String("FixedChar") || kind == QLatin1String("Memo") ||
           kind == QLatin1String("Guid");
}

// Database date-times carry no zone. They are held as UTC so that no local clock change can
// touch them: a local time in a daylight-saving gap would not exist and format as nothing.
QDateTime PlainDateTime(QDate date, QTime time) {
    return QDateTime(date, time, Qt::UTC);
}

QDateTime ZeroDate() {
    return PlainDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

// "yyyy-MM-dd", "yyyy-MM-dd hh:mm[:ss[.zzz]]" or the same with "T"; a zone written in the
// text is kept. Invalid when the text is none of these.
QDateTime DateTimeFromText(const QString &text) {
    static const QRegularExpression plain(QStringLiteral(
        "^(\\d{4}-\\d{2}-\\d{2})(?:[T ](\\d{2}:\\d{2}(?::\\d{2}(?:[.,]\\d+)?)?))?$"));
    const QRegularExpressionMatch match = plain.match(text);
    if (!match.hasMatch()) {
        const QDateTime value = QDateTime::fromString(text, Qt::ISODateWithMs);
        return value.timeSpec() == Qt::LocalTime ? PlainDateTime(value.date(), value.time())
                                                 : value;
    }
    const QDate date = QDate::fromString(match.captured(1), Qt::ISODate);
    const QTime time = match.capturedLength(2) > 0
                           ? QTime::fromString(match.captured(2), Qt::ISODateWithMs)
                           : QTime(0, 0);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return PlainDateTime(date, time);
}

// The runtime library's messages, looked up as printf formats with one text argument.
QString LookedUp(const char *format, const QString &arg) {
    return QString::asprintf(TextLookup(format).toUtf8().constData(), arg.toUtf8().constData());
}

QString CannotAccess(const QString &field, const char *type) {
    return QString::asprintf(TextLookup("Cannot access field '%s' as type %s").toUtf8().constData(),
                             field.toUtf8().constData(), type);
}

bool IsEmptyValue(const QVariant &value) {
    if (!value.isValid() || value.isNull())
        return true;
    const int type = value.metaType().id();
    if (type == QMetaType::QString)
        return value.toString().isEmpty();
    if (type == QMetaType::QByteArray)
        return value.toByteArray().isEmpty();
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Connection

TADOConnectionMSSQL::TADOConnectionMSSQL(const QString &name, QObject *parent) : QObject(parent) {
    setObjectName(name);
}

TADOConnectionMSSQL::~TADOConnectionMSSQL() {
    Close();
    for (TADOQuery *query : std::as_const(m_queries))
        query->m_connection = nullptr;
}

void TADOConnectionMSSQL::SetConnectionString(const QString &connectionString) {
    m_connectionString = connectionString; // takes effect at the next open
}

void TADOConnectionMSSQL::Open() {
    if (m_connected)
        return;
    odbc::ThrowIfCancelled(Name());
    odbc::EnsureCharacterLocale();
    try {
        odbc::AllocateEnvironment(m_env);
        const SQLHENV env = m_env.get();
        OdbcConnectTarget target = TranslateConnectionString(
            m_connectionString, [env] { return odbc::InstalledDrivers(env); });
        if (!target.refusal.isEmpty())
            throw EDatabaseError(QStringLiteral("%1: %2").arg(Name(), target.refusal), QString(), 0,
                                 false);
        // The login time-out bounds the whole open, asking for an instance's port included.
        const QDeadlineTimer deadline(qint64(target.loginTimeoutSeconds) * 1000);
        if (target.instance) {
            const BrowserAnswer answer =
                AskSqlBrowser(target.instance->host, target.instance->instance, deadline);
            if (answer.port == 0)
                throw EDatabaseError(QStringLiteral("%1: %2").arg(Name(), answer.failure),
                                     QString(), 0, false);
            // Only FreeTDS is given an instance to find; the translation checked its host.
            target.connectionString +=
                QStringLiteral(";Server=%1;Port=%2")
                    .arg(FreeTdsValue(target.instance->host)
                             .value_or(QuoteOdbcValue(target.instance->host)))
                    .arg(answer.port);
        }
        if (!odbc::Succeeded(m_dbc.Allocate(SQL_HANDLE_DBC, env)))
            throw odbc::MakeError(SQL_HANDLE_ENV, env, Name(), "Cannot allocate a connection");
        const SQLHDBC dbc = m_dbc.get();
        // Without a login time-out some drivers wait for a silent server forever. The driver
        // gets the whole seconds left of it after the browser (at least one: 0 means none).
        const SQLULEN seconds = SQLULEN(qMax<qint64>(1, deadline.remainingTime() / 1000));
        odbc::Check(SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                                       reinterpret_cast<SQLPOINTER>(seconds), 0),
                    SQL_HANDLE_DBC, dbc, Name(), "Cannot set the login time-out");
        if (target.packetSize > 0)
            odbc::Check(SQLSetConnectAttrW(
                            dbc, SQL_ATTR_PACKET_SIZE,
                            reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(target.packetSize)),
                            0),
                        SQL_HANDLE_DBC, dbc, Name(), "Cannot set the packet size");
        const QString &text = target.connectionString;
        odbc::Check(SQLDriverConnectW(dbc, nullptr, odbc::Wide(text), SQLSMALLINT(text.size()),
                                      nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT),
                    SQL_HANDLE_DBC, dbc, Name(), "Cannot connect");
    } catch (...) {
        m_dbc.Free();
        m_env.Free();
        throw;
    }
    m_connected = true;
}

void TADOConnectionMSSQL::Close() {
    if (!m_connected)
        return;
    // Statements must go before the connection they belong to.
    const QList<TADOQuery *> queries = m_queries;
    for (TADOQuery *query : queries)
        query->Close();
    m_execStmt.Free();
    const SQLHDBC dbc = m_dbc.get();
    if (!odbc::Succeeded(SQLDisconnect(dbc))) {
        // Most likely a transaction that a statement began and left open: undone, as nothing
        // half-done may be committed, and then the session can end. A handle still connected
        // could not be freed, and the server would keep the session and its locks.
        SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
        SQLDisconnect(dbc);
    }
    m_dbc.Free();
    m_env.Free();
    m_connected = false;
}

void TADOConnectionMSSQL::Execute(const QString &statement) {
    if (!m_connected)
        Open();
    if (!m_execStmt) {
        if (!odbc::Succeeded(m_execStmt.Allocate(SQL_HANDLE_STMT, m_dbc.get())))
            throw odbc::MakeError(SQL_HANDLE_DBC, m_dbc.get(), Name(),
                                  "Cannot allocate a statement");
        // Statements run without a time limit (0 is also the ODBC default).
        SQLSetStmtAttrW(m_execStmt.get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(0),
                        0);
    }
    const SQLHSTMT stmt = m_execStmt.get();
    const char *fallback = "Statement failed";
    SQLRETURN rc;
    {
        const odbc::CancellableCall call(stmt, Name());
        // With its length: a U+0000 inside a value must not end the statement there.
        rc = SQLExecDirectW(stmt, odbc::Wide(statement), SQLINTEGER(statement.size()));
        // Row counts and result sets are discarded; a batch can still fail in a later
        // statement, which shows only when its results are reached.
        while (odbc::Succeeded(rc))
            rc = SQLMoreResults(stmt);
    }
    if (rc != SQL_NO_DATA) {
        EDatabaseError error = odbc::MakeError(SQL_HANDLE_STMT, stmt, Name(), fallback);
        SQLFreeStmt(stmt, SQL_CLOSE); // the connection stays usable for the next statement
        throw error;
    }
}

void TADOConnectionMSSQL::Attach(TADOQuery *query) {
    m_queries.append(query);
}

void TADOConnectionMSSQL::Detach(TADOQuery *query) {
    m_queries.removeAll(query);
}

// ---------------------------------------------------------------------------------------------
// Query

TADOQuery::TADOQuery(const QString &name, TADOConnectionMSSQL &connection, QObject *parent)
    : QObject(parent), m_connection(&connection) {
    setObjectName(name);
    connection.Attach(this);
}

TADOQuery::~TADOQuery() {
    Close();
    if (m_connection != nullptr)
        m_connection->Detach(this);
}

void TADOQuery::SetSQL(const QString &text) {
    Close();
    m_sql = text;
    const MarkerScan scanned = ScanParameterMarkers(text);
    m_scannedSql = scanned.text;
    m_parameterNames = scanned.names;
    m_parameterValues = QList<QVariant>(m_parameterNames.size());
}

void TADOQuery::AddField(const TFieldDef &field) {
    m_fields.append(field);
}

void TADOQuery::Fail(const QString &message) const {
    throw Exception(QStringLiteral("%1: %2").arg(Name(), message));
}

void TADOQuery::SetParameter(const QString &name, const QVariant &value) {
    bool found = false;
    for (qsizetype i = 0; i < m_parameterNames.size(); ++i) {
        // A name used at several markers stands for the same value at each.
        if (m_parameterNames[i].compare(name, Qt::CaseInsensitive) == 0) {
            m_parameterValues[i] = value;
            found = true;
        }
    }
    if (!found)
        Fail(QStringLiteral("Parameter '%1' not found").arg(name));
}

void TADOQuery::BindParameters() {
    const SQLHSTMT stmt = m_stmt.get();
    // Sized once: the driver keeps pointers into these until the statement is freed.
    m_bound.assign(size_t(m_parameterNames.size()), BoundValue());
    for (qsizetype i = 0; i < m_parameterNames.size(); ++i) {
        BoundValue &bound = m_bound[size_t(i)];
        const QVariant &value = m_parameterValues[i];
        SQLPOINTER data = &bound.integer;
        SQLLEN bufferLength = 0;
        if (IsEmptyValue(value)) {
            bound.indicator = SQL_NULL_DATA;
        } else {
            switch (value.metaType().id()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::Long:
            case QMetaType::ULong:
            case QMetaType::Char:
            case QMetaType::SChar:
            case QMetaType::UChar:
                bound.integer = value.toLongLong();
                bound.indicator = 0;
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                bound.cType = SQL_C_DOUBLE;
                bound.real = value.toDouble();
                bound.indicator = 0;
                data = &bound.real;
                break;
            default:
                // Anything else goes as text; the driver converts it to the integer parameter.
                bound.cType = SQL_C_CHAR;
                bound.text = value.toString().toUtf8();
                bound.indicator = bound.text.size();
                data = bound.text.data();
                bufferLength = bound.text.size() + 1;
                break;
            }
        }
        odbc::Check(SQLBindParameter(stmt, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, bound.cType,
                                     SQL_INTEGER, 0, 0, data, bufferLength, &bound.indicator),
                    SQL_HANDLE_STMT, stmt, Name(), "Cannot bind a parameter");
    }
}

void TADOQuery::Open() {
    if (m_active)
        return;
    if (m_connection == nullptr)
        Fail(QStringLiteral("Missing Connection or ConnectionString"));
    if (!m_connection->Connected())
        m_connection->Open();
    try {
        const SQLHDBC dbc = m_connection->Handle();
        if (!odbc::Succeeded(m_stmt.Allocate(SQL_HANDLE_STMT, dbc)))
            throw odbc::MakeError(SQL_HANDLE_DBC, dbc, Name(), "Cannot allocate a statement");
        const SQLHSTMT stmt = m_stmt.get();
        // A driver that cannot time out a query still runs it; nothing to report then.
        SQLSetStmtAttrW(stmt, SQL_ATTR_QUERY_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kCommandTimeoutSeconds)),
                        0);
        const char *fallback = "Query failed";
        odbc::Check(SQLPrepareW(stmt, odbc::Wide(m_scannedSql), SQLINTEGER(m_scannedSql.size())),
                    SQL_HANDLE_STMT, stmt, Name(), fallback);
        BindParameters();
        const odbc::CancellableCall call(stmt, Name());
        odbc::Check(SQLExecute(stmt), SQL_HANDLE_STMT, stmt, Name(), fallback, true);
        // Statements ahead of the select (declare, set, ...) may leave row counts first.
        for (;;) {
            SQLSMALLINT columns = 0;
            odbc::Check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt, Name(), fallback);
            if (columns > 0)
                break;
            const SQLRETURN rc = SQLMoreResults(stmt);
            if (rc == SQL_NO_DATA)
                Fail(QStringLiteral("CommandText does not return a result set"));
            odbc::Check(rc, SQL_HANDLE_STMT, stmt, Name(), fallback);
        }
        DescribeAndCheck();
        m_active = true;
        m_eof = false;
        FetchRow();
    } catch (...) {
        m_stmt.Free();
        m_slots.clear();
        m_active = false;
        m_eof = true;
        throw;
    }
}

void TADOQuery::DescribeAndCheck() {
    const SQLHSTMT stmt = m_stmt.get();
    const char *fallback = "Cannot describe the result";
    SQLSMALLINT count = 0;
    odbc::Check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, Name(), fallback);
    QStringList names;
    QList<ColumnKind> kinds;
    for (SQLUSMALLINT c = 1; c <= SQLUSMALLINT(count); ++c) {
        SQLWCHAR name[512];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        odbc::Check(
            SQLDescribeColW(stmt, c, name, 512, &nameLength, &type, &size, &digits, &nullable),
            SQL_HANDLE_STMT, stmt, Name(), fallback);
        SQLLEN isUnsigned = SQL_FALSE, autoUnique = SQL_FALSE;
        // Drivers that cannot tell leave the answers at "no".
        SQLColAttributeW(stmt, c, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned);
        SQLColAttributeW(stmt, c, SQL_DESC_AUTO_UNIQUE_VALUE, nullptr, 0, nullptr, &autoUnique);
        names.append(odbc::FromWide(name, qMin<qsizetype>(nameLength, 511)));
        kinds.append(KindFromSqlType(type, isUnsigned == SQL_TRUE, autoUnique == SQL_TRUE,
                                     int(size), digits));
    }
    std::vector<int> fieldColumn; // 0-based column of each declared field
    for (const TFieldDef &field : std::as_const(m_fields)) {
        qsizetype column = -1;
        for (qsizetype c = 0; c < names.size() && column < 0; ++c)
            if (names[c].compare(field.name, Qt::CaseInsensitive) == 0)
                column = c;
        if (const auto failure = CheckField(field, column < 0 ? nullptr : &kinds[column]))
            Fail(*failure);
        fieldColumn.push_back(int(column));
    }
    // ODBC drivers need the columns of a row read in ascending order.
    std::vector<int> columns = fieldColumn;
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    m_slots.assign(columns.size(), Slot());
    for (size_t i = 0; i < columns.size(); ++i) {
        m_slots[i].column = SQLUSMALLINT(columns[i] + 1);
        m_slots[i].kind = kinds[columns[i]];
    }
    m_fieldSlot.clear();
    for (int column : fieldColumn)
        m_fieldSlot.push_back(
            int(std::lower_bound(columns.begin(), columns.end(), column) - columns.begin()));
}

void TADOQuery::FetchRow() {
    const SQLHSTMT stmt = m_stmt.get();
    const odbc::CancellableCall call(stmt, Name());
    const SQLRETURN rc = SQLFetch(stmt);
    if (rc == SQL_NO_DATA) {
        m_eof = true; // the last row's values stay readable, as they were
        return;
    }
    odbc::Check(rc, SQL_HANDLE_STMT, stmt, Name(), "Cannot fetch a row");
    for (Slot &slot : m_slots)
        ReadSlot(slot);
}

void TADOQuery::ReadSlot(Slot &slot) {
    const SQLHSTMT stmt = m_stmt.get();
    const char *fallback = "Cannot read a field";
    const QString &kind = slot.kind.kind;
    SQLLEN indicator = 0;
    if (IsIntegerKind(kind) || kind == QLatin1String("Boolean")) {
        odbc::Check(SQLGetData(stmt, slot.column, SQL_C_SBIGINT, &slot.integer, 0, &indicator),
                    SQL_HANDLE_STMT, stmt, Name(), fallback);
    } else if (kind == QLatin1String("Float")) {
        odbc::Check(SQLGetData(stmt, slot.column, SQL_C_DOUBLE, &slot.real, 0, &indicator),
                    SQL_HANDLE_STMT, stmt, Name(), fallback);
    } else if (IsDateKind(kind)) {
        SQL_TIMESTAMP_STRUCT ts = {};
        odbc::Check(SQLGetData(stmt, slot.column, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &indicator),
                    SQL_HANDLE_STMT, stmt, Name(), fallback);
        if (indicator != SQL_NULL_DATA)
            slot.dateTime =
                PlainDateTime(QDate(ts.year, ts.month, ts.day),
                              QTime(ts.hour, ts.minute, ts.second, int(ts.fraction / 1000000)));
    } else {
        // Text, and decimals as text too: some drivers squeeze a decimal read as a number
        // through a 32-bit integer and wrap it silently.
        slot.text.clear();
        SQLWCHAR buffer[1024];
        constexpr SQLLEN bufferBytes = sizeof buffer;
        for (;;) {
            const SQLRETURN rc =
                SQLGetData(stmt, slot.column, SQL_C_WCHAR, buffer, bufferBytes, &indicator);
            if (rc == SQL_NO_DATA)
                break;
            odbc::Check(rc, SQL_HANDLE_STMT, stmt, Name(), fallback);
            if (indicator == SQL_NULL_DATA)
                break;
            const bool whole =
                indicator != SQL_NO_TOTAL && indicator <= bufferBytes - SQLLEN(sizeof(SQLWCHAR));
            const qsizetype chars = whole ? qsizetype(indicator / SQLLEN(sizeof(SQLWCHAR)))
                                          : qsizetype(std::size(buffer) - 1);
            slot.text.append(odbc::FromWide(buffer, chars));
            if (whole)
                break;
        }
    }
    slot.isNull = indicator == SQL_NULL_DATA;
}

void TADOQuery::Close() {
    if (!m_active)
        return;
    m_stmt.Free();
    m_bound.clear();
    m_slots.clear();
    m_fieldSlot.clear();
    m_active = false;
    m_eof = true;
}

void TADOQuery::Next() {
    if (!m_active)
        Fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    if (!m_eof)
        FetchRow();
}

const TADOQuery::Slot &TADOQuery::SlotOf(const QString &field) const {
    if (!m_active)
        Fail(QStringLiteral("Cannot perform this operation on a closed dataset"));
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return m_slots[size_t(m_fieldSlot[size_t(i)])];
    Fail(QStringLiteral("Field '%1' not found").arg(field));
}

QString TADOQuery::FieldAsString(const QString &field) const {
    const Slot &slot = SlotOf(field);
    if (slot.isNull)
        return QString();
    const QString &kind = slot.kind.kind;
    if (IsIntegerKind(kind))
        return QString::number(slot.integer);
    if (kind == QLatin1String("Boolean"))
        return slot.integer != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (kind == QLatin1String("Float"))
        return QString::number(slot.real, 'g', 15);
    if (kind == QLatin1String("BCD"))
        return NormalizeDecimalText(slot.text);
    if (kind == QLatin1String("Date"))
        return slot.dateTime.toString(QStringLiteral("yyyy-MM-dd"));
    if (kind == QLatin1String("Time"))
        return slot.dateTime.toString(QStringLiteral("hh:mm:ss"));
    if (kind == QLatin1String("DateTime"))
        return slot.dateTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    return slot.text;
}

qint32 TADOQuery::FieldAsInteger(const QString &field) const {
    const Slot &slot = SlotOf(field);
    if (slot.isNull)
        return 0;
    const QString &kind = slot.kind.kind;
    if (IsIntegerKind(kind) || kind == QLatin1String("Boolean"))
        return qint32(quint32(quint64(slot.integer))); // the low 32 bits
    if (kind == QLatin1String("BCD"))
        return DecimalTextToInt32(slot.text);
    if (kind == QLatin1String("Float"))
        return DoubleToInt32(slot.real);
    if (IsTextKind(kind)) {
        bool ok = false;
        const qint32 value = slot.text.trimmed().toInt(&ok);
        if (!ok)
            throw EConvertError(LookedUp("'%s' is not a valid integer value", slot.text));
        return value;
    }
    Fail(CannotAccess(field, "Integer"));
}

QDateTime TADOQuery::FieldAsDateTime(const QString &field) const {
    const Slot &slot = SlotOf(field);
    if (slot.isNull)
        return ZeroDate();
    const QString &kind = slot.kind.kind;
    if (IsDateKind(kind))
        return slot.dateTime;
    if (IsTextKind(kind)) {
        const QDateTime value = DateTimeFromText(slot.text.trimmed());
        if (!value.isValid())
            throw EConvertError(LookedUp("'%s' is not a valid date and time", slot.text));
        return value;
    }
    Fail(CannotAccess(field, "DateTime"));
}
