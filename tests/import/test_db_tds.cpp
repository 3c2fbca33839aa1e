// The connection and query classes through the real FreeTDS driver, against the scripted TDS
// server: SQL Server's own column types, the prepared events query, statements and errors.
#include "import/ADOConnectionMSSQL.h"
#include "import/VantrelDatabases.h"

#include "TdsTestServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
}

// The message of the exception that f throws, or "no exception".
template <typename F> std::string MessageOf(F f) {
    try {
        f();
    } catch (const Exception &e) {
        return e.Message().toStdString();
    }
    return "no exception";
}

std::string Dump(const TdsTestServer &server) {
    QJsonArray log;
    for (const QJsonObject &entry : server.Log())
        log.append(entry);
    return QJsonDocument(log).toJson().toStdString();
}

QJsonObject Script(const QJsonArray &rules) {
    return {{S("rules"), rules}};
}

class TdsDb : public ::testing::Test {
protected:
    void Start(const QJsonObject &script) {
        server = std::make_unique<TdsTestServer>(script);
        ASSERT_TRUE(server->Started()) << server->Error().toStdString();
        conn.SetConnectionString(server->ConnectionString());
    }

    std::unique_ptr<TdsTestServer> server;
    TADOConnectionMSSQL conn{S("connVantrelMain")};
};

} // namespace

TEST_F(TdsDb, KindsAsFreeTdsReportsSqlServersTypes) {
    struct Case {
        const char *type;
        bool identity;
        const char *kind;
    };
    const Case cases[] = {
        {"INT", true, "AutoInc"},
        {"INT", false, "Integer"},
        {"SMALLINT", false, "SmallInt"},
        {"TINYINT", false, "Word"},
        {"BIGINT", false, "LargeInt"},
        {"NUMERIC(9,0)", false, "Integer"},
        {"NUMERIC(18,0)", false, "BCD"},
        {"DECIMAL(18,2)", false, "BCD"},
        {"FLOAT", false, "Float"},
        {"REAL", false, "Float"},
        {"MONEY", false, "BCD"},
        {"UNIQUEIDENTIFIER", false, "Guid"},
        {"VARBINARY(16)", false, "VarBytes"},
        {"DATETIME", false, "DateTime"},
        {"DATE", false, "Date"},
        {"BIT", false, "Boolean"},
        {"NVARCHAR(50)", false, "WideString"},
        {"NVARCHAR(4000)", false, "WideString"},
        {"VARCHAR(50)", false, "String"},
        {"VARCHAR(8000)", false, "String"},
        {"NVARCHAR(MAX)", false, "Memo"},
        {"VARCHAR(MAX)", false, "Memo"},
        {"NTEXT", false, "Memo"},
        {"TEXT", false, "Memo"},
    };
    QJsonArray columns, row;
    for (size_t i = 0; i < std::size(cases); ++i) {
        columns.append(
            TdsColumn(QStringLiteral("c%1").arg(i), S(cases[i].type), cases[i].identity));
        row.append(QJsonValue());
    }
    Start(Script({TdsRule(S("select"), {TdsResult(columns, {row})})}));
    // A field of a kind no column has shows the column's kind in the check's message.
    for (size_t i = 0; i < std::size(cases); ++i) {
        TADOQuery query(S("qryTest"), conn);
        query.SetSQL(S("select *"));
        const QString name = QStringLiteral("c%1").arg(i);
        query.AddField({name, S("Bytes")});
        EXPECT_EQ(MessageOf([&] { query.Open(); }),
                  S("qryTest: Type mismatch for field '%1', expecting: Bytes actual: %2")
                      .arg(name, S(cases[i].kind))
                      .toStdString())
            << cases[i].type << Dump(*server);
    }
}

TEST_F(TdsDb, FieldChecksOfTheSourceQueries) {
    struct Case {
        const char *column;
        const char *type; // replaces the column's usual type
        const char *message;
    };
    const Case cases[] = {
        {"UserID", "INT", ""}, // as usual
        {"UserID", "SMALLINT", ""},
        {"UserID", "NUMERIC(9,0)", ""},
        {"LastName", "VARCHAR(50)",
         "Type mismatch for field 'LastName', expecting: WideString actual: String"},
        {"FirstName", "NVARCHAR(MAX)",
         "Type mismatch for field 'FirstName', expecting: WideString actual: Memo"},
        {"StartDate", "DATE", ""},
        {"FamilyNumber", "NUMERIC(18,2)",
         "Size mismatch for field 'FamilyNumber', expecting: 0 actual: 2"},
        {"CardNumber", "NUMERIC(9,0)",
         "Type mismatch for field 'CardNumber', expecting: BCD actual: Integer"},
        {"CardNumHex", "BIGINT",
         "Type mismatch for field 'CardNumHex', expecting: WideString "
         "actual: LargeInt"},
        {"", "", "CommandText does not return a result set"}, // an answer without any result
    };
    QJsonArray rules;
    for (size_t i = 0; i < std::size(cases); ++i) {
        QJsonArray columns = TdsEmployeeColumns();
        for (qsizetype c = 0; c < columns.size(); ++c) {
            QJsonObject column = columns[c].toObject();
            if (column[S("name")].toString() == S(cases[i].column)) {
                column[S("type")] = S(cases[i].type);
                column[S("identity")] = false;
                columns[c] = column;
            }
        }
        rules.append(TdsRule(QStringLiteral("case %1;").arg(i),
                             *cases[i].column ? QJsonArray{TdsResult(columns, {})} : QJsonArray{}));
    }
    Start(Script(rules));
    for (size_t i = 0; i < std::size(cases); ++i) {
        TADOQuery query(S("qryVantrelMain"), conn);
        query.SetSQL(QStringLiteral("-- case %1;").arg(i));
        for (const TFieldDef &field : EmployeesQueryFields())
            query.AddField(field);
        const QString expected =
            *cases[i].message ? S("qryVantrelMain: ") + S(cases[i].message) : S("no exception");
        EXPECT_EQ(MessageOf([&] { query.Open(); }), expected.toStdString())
            << cases[i].column << " " << cases[i].type << Dump(*server);
        EXPECT_EQ(query.Active(), !*cases[i].message);
    }
}

TEST_F(TdsDb, ReadsOfSqlServerValues) {
    // Each row: a decimal with one place and one without, read as integers, with the values
    // expected; then the other kinds.
    struct Case {
        QJsonValue tenths, whole;
        qint32 tenthsRead, wholeRead;
    };
    const Case cases[] = {
        {S("2.5"), S("13398"), 2, 13398},
        {S("3.5"), S("-1"), 4, -1},
        {S("-2.5"), S("4294967297"), -2, 1},                 // 2^32 + 1
        {S("-3.5"), S("2147483648"), -4, INT32_MIN},         // 2^31
        {S("2.4"), S("-2147483649"), 2, INT32_MAX},          // -2^31 - 1
        {S("0.6"), S("999999999999999999"), 1, -1486618625}, // low 32 bits of 10^18 - 1
        {QJsonValue(), QJsonValue(), 0, 0},
    };
    const QString longText = QString(3000, QChar(u'\u0161')) + S("end");
    QList<QJsonArray> rows;
    for (const Case &c : cases)
        rows.append(QJsonArray{c.tenths, c.whole, S("2013-01-26 16:37:41"), S("Šćepanović"),
                               longText, QJsonValue(qint64(1) << 40)});
    rows.append(QJsonArray{0, 0, QJsonValue(), QJsonValue(), QJsonValue(), QJsonValue()});
    Start(Script({TdsRule(
        S("select"),
        {TdsResult({TdsColumn(S("Tenths"), S("NUMERIC(18,1)")),
                    TdsColumn(S("Whole"), S("NUMERIC(18,0)")), TdsColumn(S("At"), S("DATETIME")),
                    TdsColumn(S("Name"), S("NVARCHAR(50)")),
                    TdsColumn(S("Note"), S("NVARCHAR(MAX)")), TdsColumn(S("Big"), S("BIGINT"))},
                   rows)})}));
    TADOQuery query(S("qryTest"), conn);
    query.SetSQL(S("select"));
    query.AddField({S("Tenths"), S("BCD"), 0, 18, 1});
    query.AddField({S("Whole"), S("BCD"), 0, 18, 0});
    query.AddField({S("At"), S("DateTime")});
    query.AddField({S("Name"), S("WideString"), 50});
    query.AddField({S("Note"), S("Memo")});
    query.AddField({S("Big"), S("LargeInt")});
    query.Open();
    for (const Case &c : cases) {
        ASSERT_FALSE(query.Eof());
        EXPECT_EQ(query.FieldAsInteger(S("Tenths")), c.tenthsRead)
            << c.tenths.toString().toStdString();
        EXPECT_EQ(query.FieldAsInteger(S("Whole")), c.wholeRead)
            << c.whole.toString().toStdString();
        EXPECT_EQ(query.FieldAsDateTime(S("At")).toString(S("yyyy-MM-dd HH:mm:ss")),
                  S("2013-01-26 16:37:41"));
        EXPECT_EQ(query.FieldAsString(S("Name")), S("Šćepanović"));
        EXPECT_EQ(query.FieldAsString(S("Note")), longText);
        EXPECT_EQ(query.FieldAsString(S("Big")), S("1099511627776"));
        query.Next();
    }
    ASSERT_FALSE(query.Eof());
    EXPECT_EQ(query.FieldAsDateTime(S("At")).toString(S("yyyy-MM-dd HH:mm")),
              S("1899-12-30 00:00"));
    EXPECT_EQ(query.FieldAsString(S("Name")), QString());
    EXPECT_EQ(query.FieldAsString(S("Note")), QString());
    EXPECT_EQ(query.FieldAsInteger(S("Big")), 0);
    query.Next();
    EXPECT_TRUE(query.Eof());
}

TEST_F(TdsDb, PreparedEventsQueryCarriesItsThreeParameters) {
    QJsonArray columns = {TdsColumn(S("EventID"), S("INT")), TdsColumn(S("CardNumber"), S("INT")),
                          TdsColumn(S("IDHACT"), S("INT")),
                          TdsColumn(S("FieldTime"), S("DATETIME")),
                          TdsColumn(S("TermID"), S("INT"))};
    Start(Script({TdsRule(
        S("from Events"),
        {TdsResult(columns, {QJsonArray{501, 13398, 24, S("2013-01-26 16:37:41"), 3}})})}));
    conn.SetConnectionString(server->ConnectionString(S("VantrelEvents")));
    TADOQuery query(S("qryVantrelEvents"), conn);
    query.SetSQL(EventsQueryText());
    for (const TFieldDef &field : EventsQueryFields())
        query.AddField(field);
    struct Case {
        QVariant last, min, max;
        QJsonArray arrived;
    };
    const Case cases[] = {
        {500, 1280, 1307, {500, 1280, 1307}},
        {QVariant(-7), QString(S("1290")), qint64(1300), {-7, 1290, 1300}},
        {QVariant(), QString(), 0, {QJsonValue(), QJsonValue(), 0}}, // empty values bind NULL
    };
    for (const Case &c : cases) {
        query.SetParameter(S("pEventIDLast"), c.last);
        query.SetParameter(S("pEventTypeMin"), c.min);
        query.SetParameter(S("pEventTypeMax"), c.max);
        query.Open();
        EXPECT_EQ(query.FieldAsInteger(S("EventID")), 501);
        EXPECT_EQ(query.FieldAsInteger(S("TermID")), 3);
        query.Close();
        QList<QJsonObject> calls;
        for (const QJsonObject &entry : server->Log(S("rpc")))
            if (entry.contains(S("arguments")))
                calls.append(entry);
        ASSERT_FALSE(calls.isEmpty()) << Dump(*server);
        // The text as written, each marker in its place; the values in marker order.
        QString expected = query.ScannedSQL();
        for (int p = 1; p <= 3; ++p)
            expected.replace(expected.indexOf(u'?'), 1, QStringLiteral("@P%1").arg(p));
        const QJsonObject &call = calls.last();
        EXPECT_EQ(call[S("statement")].toString().toStdString(), expected.toStdString());
        EXPECT_EQ(call[S("arguments")].toArray(), c.arrived) << Dump(*server);
    }
}

TEST_F(TdsDb, StatementsAndTheServersErrors) {
    const QString registration =
        S("exec spComm8xReg '00003456', '2013-01-26 16:37', '2013-01-26 16:37', '999', 3, 24");
    Start(Script({
        TdsRule(S("'duplicate'"), {TdsError(2627,
                                            S("Violation of PRIMARY KEY constraint "
                                              "'PK_Zaposleni'. Cannot insert duplicate key."),
                                            14)}),
        TdsRule(S("'index'"), {TdsError(2601, S("Cannot insert duplicate key row."), 14)}),
        TdsRule(S("'orphan'"), {TdsError(547, S("The INSERT statement conflicted with the FOREIGN "
                                                "KEY constraint \"FK_Sektor\"."))}),
        TdsRule(S("'null'"), {TdsError(515, S("Cannot insert the value NULL into column 'Ime'."))}),
        TdsRule(S("'raised'"), {TdsError(50000, S("Nepoznata kartica"))}),
        // A batch whose first statement succeeds and whose second fails.
        TdsRule(S("'later'"), {QJsonObject{{S("done"), QJsonObject{{S("rowcount"), 1}}}},
                               TdsError(2627, S("Violation of UNIQUE KEY constraint 'UQ'."), 14)}),
        TdsRule(S("spComm8xReg"), {QJsonObject{{S("done"), QJsonObject{{S("rowcount"), 1}}}}}),
    }));
    struct Case {
        const char *value;
        const char *message; // "" when the statement succeeds
        bool duplicate;
    };
    const Case cases[] = {
        {"duplicate",
         "Violation of PRIMARY KEY constraint 'PK_Zaposleni'. Cannot insert duplicate key.", true},
        {"index", "Cannot insert duplicate key row.", true},
        {"orphan", "The INSERT statement conflicted with the FOREIGN KEY constraint \"FK_Sektor\".",
         false},
        {"null", "Cannot insert the value NULL into column 'Ime'.", false},
        {"raised", "Nepoznata kartica", false},
        {"later", "Violation of UNIQUE KEY constraint 'UQ'.", true},
        {"fine", "", false},
    };
    for (const Case &c : cases) {
        const QString statement = QStringLiteral("insert into T values ('%1')").arg(S(c.value));
        QString message = S("none");
        bool duplicate = false;
        try {
            conn.Execute(statement);
        } catch (const EDatabaseError &e) {
            message = e.Message();
            duplicate = e.IsDuplicateKey();
        }
        EXPECT_EQ(message.toStdString(),
                  *c.message ? std::string("[FreeTDS][SQL Server]") + c.message : "none")
            << c.value;
        EXPECT_EQ(duplicate, c.duplicate) << c.value;
        // The connection stays usable: the next statement goes through.
        conn.Execute(registration);
        EXPECT_EQ(server->Statements().mid(server->Statements().size() - 2),
                  QStringList({statement, registration}))
            << Dump(*server);
    }
    // Statements went as plain batches, each by itself.
    EXPECT_EQ(server->Log(S("batch")).size(), 2 * qsizetype(std::size(cases)));
}

// The server itself: FreeTDS executes a prepared statement again by its handle only, and
// sends a statement with parameters that is not prepared through sp_executesql.
TEST_F(TdsDb, ServerFollowsPreparedStatementsByHandle) {
    Start(Script({TdsRule(S("from Cards"), {TdsResult({TdsColumn(S("n"), S("INT"))}, {{7}})})}));
    conn.Open();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    ASSERT_TRUE(odbc::Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, conn.Handle(), &stmt)));
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0, &value, 0,
                     &indicator);
    const QString prepared = S("select n from Cards where x = ?");
    SQLPrepareW(stmt, odbc::Wide(prepared), SQL_NTS);
    for (SQLINTEGER v : {11, 12}) {
        value = v;
        EXPECT_TRUE(odbc::Succeeded(SQLExecute(stmt)));
        SQLINTEGER n = 0;
        EXPECT_TRUE(odbc::Succeeded(SQLFetch(stmt)));
        SQLGetData(stmt, 1, SQL_C_SLONG, &n, 0, nullptr);
        EXPECT_EQ(n, 7);
        SQLFreeStmt(stmt, SQL_CLOSE);
    }
    value = 13;
    const QString direct = S("select n from Cards where y = ?");
    EXPECT_TRUE(odbc::Succeeded(SQLExecDirectW(stmt, odbc::Wide(direct), SQL_NTS)));
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    // Each call as "procedure|statement|arguments", the statement found by its handle where
    // the call names only that.
    QStringList calls;
    for (const QJsonObject &call : server->Log(S("rpc")))
        calls.append(call[S("proc")].toString() + u'|' + call[S("statement")].toString() + u'|' +
                     QJsonDocument(call[S("arguments")].toArray()).toJson(QJsonDocument::Compact));
    EXPECT_EQ(calls.join(u'\n').toStdString(),
              "sp_prepexec|select n from Cards where x = @P1|[11]\n"
              "sp_execute|select n from Cards where x = @P1|[12]\n"
              "sp_executesql|select n from Cards where y = @P1|[13]\n"
              "sp_unprepare||[]");
}
