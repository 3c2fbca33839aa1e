// Pure parts of the database layer: marker scanning, column kinds and the open check, numeric
// conversions, connection-string translation.
#include "import/ConnectionString.h"
#include "import/FieldKinds.h"
#include "import/OdbcApi.h"
#include "import/ParamMarkers.h"

#include "core/Exceptions.h"

#include <gtest/gtest.h>

namespace {

QString S(const char *utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(ParamMarkers, EventsQueryBindsThreeMarkersInOrder) {
    const QString sql = S("declare @EventIDLast integer\n"
                          "set @EventIDLast = :pEventIDLast\n"
                          "set @EventTypeMin = :pEventTypeMin\r\n"
                          "set @EventTypeMax = :pEventTypeMax\n"
                          "select Events.[Event ID] as EventID from Events");
    const MarkerScan scan = ScanParameterMarkers(sql);
    EXPECT_EQ(scan.text, S("declare @EventIDLast integer\n"
                           "set @EventIDLast = ?\n"
                           "set @EventTypeMin = ?\r\n"
                           "set @EventTypeMax = ?\n"
                           "select Events.[Event ID] as EventID from Events"));
    EXPECT_EQ(scan.names, QStringList({S("pEventIDLast"), S("pEventTypeMin"), S("pEventTypeMax")}));
}

TEST(ParamMarkers, DelimitersQuotesAndColons) {
    struct Case {
        const char *sql, *text;
        QStringList names;
    };
    const Case cases[] = {
        {"f(:a,:b);:c)", "f(?,?);?)", {S("a"), S("b"), S("c")}},
        {"x=:a y=:b", "x=? y=?", {S("a"), S("b")}},
        {"x=:a", "x=?", {S("a")}},       // end of text ends the name
        {"x=:a\tb", "x=?", {S("a\tb")}}, // a tab is not a delimiter
        {"x=:a:b", "x=?", {S("a:b")}},   // nor a colon
        {"t='a:b' and u=\":c\" and v=`:d` and w=:e",
         "t='a:b' and u=\":c\" and v=`:d` and w=?",
         {S("e")}},
        {"'it\"s' :a", "'it\"s' :a", {}}, // any quote toggles, whatever kind
        {"a::b ::c", "a:b :c", {}},
        {"':::'", "':::'", {}}, // inside quotes colons stay as they are
        {":::a", ":?", {S("a")}},
        {"x=:\"my name\" y=:'q'", "x=? y=?", {S("my name"), S("q")}},
        {"x=: y", "x=? y", {S("")}},
        // A quote further on in a name is part of it and shelters no delimiter; the
        // marker after it is still found.
        {"x=:a'b y=:c'", "x=? y=?", {S("a'b"), S("c'")}},
        {"x=:\"a b", "x=?", {S("a b")}}, // an unclosed quoted name runs to the end
    };
    for (const Case &c : cases) {
        const MarkerScan scan = ScanParameterMarkers(S(c.sql));
        EXPECT_EQ(scan.text, S(c.text)) << c.sql;
        EXPECT_EQ(scan.names, c.names) << c.sql;
    }
}

TEST(FieldKinds, KindFromSqlTypeFollowsTheProviderTypes) {
    struct Case {
        int type;
        bool isUnsigned, autoUnique;
        int precision, scale;
        const char *kind;
        int bcdScale;
    };
    const Case cases[] = {
        {SQL_SMALLINT, false, false, 5, 0, "SmallInt", 0},
        {SQL_TINYINT, false, false, 3, 0, "SmallInt", 0},
        {SQL_TINYINT, true, false, 3, 0, "Word", 0},
        {SQL_SMALLINT, true, false, 5, 0, "Word", 0},
        {SQL_INTEGER, false, false, 10, 0, "Integer", 0},
        {SQL_INTEGER, true, false, 10, 0, "Integer", 0},
        {SQL_INTEGER, false, true, 10, 0, "AutoInc", 0},
        {SQL_BIGINT, false, true, 19, 0, "LargeInt", 0},
        {SQL_NUMERIC, false, false, 9, 0, "Integer", 0},
        {SQL_DECIMAL, false, false, 9, 0, "Integer", 0},
        {SQL_NUMERIC, false, false, 10, 0, "BCD", 0},
        {SQL_DECIMAL, false, false, 18, 0, "BCD", 0},
        {SQL_DECIMAL, false, false, 9, 2, "BCD", 2},
        {SQL_DECIMAL, false, false, 19, 4, "BCD", 4},
        {SQL_NUMERIC, false, false, 18, 128, "BCD", 4},
        {SQL_NUMERIC, false, false, 18, 200, "BCD", 4},
        {SQL_REAL, false, false, 7, 0, "Float", 0},
        {SQL_FLOAT, false, false, 15, 0, "Float", 0},
        {SQL_DOUBLE, false, false, 15, 0, "Float", 0},
        {SQL_TYPE_TIMESTAMP, false, false, 23, 3, "DateTime", 0},
        {SQL_TYPE_DATE, false, false, 10, 0, "Date", 0},
        {SQL_TYPE_TIME, false, false, 8, 0, "Time", 0},
        {SQL_WCHAR, false, false, 10, 0, "WideString", 0},
        {SQL_WVARCHAR, false, false, 50, 0, "WideString", 0},
        {SQL_VARCHAR, false, false, 50, 0, "String", 0},
        {SQL_CHAR, false, false, 10, 0, "FixedChar", 0},
        {SQL_LONGVARCHAR, false, false, 0, 0, "Memo", 0},
        {SQL_WLONGVARCHAR, false, false, 0, 0, "Memo", 0},
        {SQL_BIT, false, false, 1, 0, "Boolean", 0},
        {SQL_GUID, false, false, 36, 0, "Guid", 0},
        {SQL_BINARY, false, false, 8, 0, "Bytes", 0},
        {SQL_VARBINARY, false, false, 8, 0, "VarBytes", 0},
        {SQL_LONGVARBINARY, false, false, 0, 0, "Blob", 0},
        {-150, false, false, 0, 0, "Variant", 0},
        {-155, false, false, 34, 7, "Unknown", 0},
        {12345, false, false, 0, 0, "Unknown", 0},
    };
    for (const Case &c : cases) {
        const ColumnKind kind =
            KindFromSqlType(c.type, c.isUnsigned, c.autoUnique, c.precision, c.scale);
        EXPECT_EQ(kind.kind, S(c.kind)) << c.type << " " << c.precision << "," << c.scale;
        if (kind.kind == QLatin1String("BCD")) {
            EXPECT_EQ(kind.scale, c.bcdScale) << c.type << " " << c.scale;
        }
    }
}

TEST(FieldKinds, GroupsDecideWhatAFieldAccepts) {
    for (const char *f : {"SmallInt", "Integer", "Word", "AutoInc"})
        for (const char *c : {"SmallInt", "Integer", "Word", "AutoInc"})
            EXPECT_TRUE(KindsCompatible(S(f), S(c))) << f << " " << c;
    for (const char *f : {"Date", "Time", "DateTime"})
        for (const char *c : {"Date", "Time", "DateTime"})
            EXPECT_TRUE(KindsCompatible(S(f), S(c))) << f << " " << c;
    EXPECT_FALSE(KindsCompatible(S("Integer"), S("LargeInt")));
    EXPECT_FALSE(KindsCompatible(S("Integer"), S("BCD")));
    EXPECT_FALSE(KindsCompatible(S("BCD"), S("Integer")));
    EXPECT_FALSE(KindsCompatible(S("WideString"), S("String")));
    EXPECT_FALSE(KindsCompatible(S("String"), S("WideString")));
    EXPECT_FALSE(KindsCompatible(S("DateTime"), S("String")));
    EXPECT_TRUE(KindsCompatible(S("BCD"), S("BCD")));
    EXPECT_TRUE(KindsCompatible(S("WideString"), S("WideString")));
}

TEST(FieldKinds, CheckFieldMessages) {
    const ColumnKind narrow{S("String")}, big{S("LargeInt")}, money{S("BCD"), 2},
        plain{S("Integer")}, wide{S("WideString")};
    EXPECT_EQ(CheckField({S("UserID"), S("AutoInc")}, nullptr).value_or(S("ok")),
              S("Field 'UserID' not found"));
    EXPECT_EQ(CheckField({S("LastName"), S("WideString"), 50}, &narrow).value_or(S("ok")),
              S("Type mismatch for field 'LastName', expecting: WideString actual: String"));
    EXPECT_EQ(CheckField({S("EventID"), S("Integer")}, &big).value_or(S("ok")),
              S("Type mismatch for field 'EventID', expecting: Integer actual: LargeInt"));
    EXPECT_EQ(CheckField({S("FamilyNumber"), S("BCD"), 0, 18, 0}, &money).value_or(S("ok")),
              S("Size mismatch for field 'FamilyNumber', expecting: 0 actual: 2"));
    EXPECT_FALSE(CheckField({S("UserID"), S("AutoInc")}, &plain).has_value());
    EXPECT_FALSE(CheckField({S("LastName"), S("WideString"), 50}, &wide).has_value());
    EXPECT_FALSE(CheckField({S("Amount"), S("BCD"), 0, 9, 2}, &money).has_value());
}

TEST(Conversions, DecimalTextRoundsHalfToEvenThenWraps) {
    struct Case {
        const char *text;
        qint32 value;
    };
    const Case cases[] = {
        {"0", 0},
        {"13398", 13398},
        {"-13398", -13398},
        {"13398.000", 13398},
        {"0.5", 0},
        {".5", 0},
        {"1.5", 2},
        {"2.5", 2},
        {"-2.5", -2},
        {"-3.5", -4},
        {"2.500001", 3},
        {"2.4999", 2},
        {"-0.6", -1},
        {"0.05", 0},
        {"1e3", 1000},
        {"25E-1", 2},
        {"35e-1", 4},
        {"4294967297", 1},
        {"2147483648", INT32_MIN},
        {"2147483647", INT32_MAX},
        {"-2147483649", INT32_MAX},
        {"4294967296", 0},
        {"4294967295.5", 0},
        {"  42 ", 42},
        {"+7", 7},
        // 10^22 + 5 = 0x21E19E0C9BAB2400005: low 32 bits 0xB2400005
        {"10000000000000000000005", qint32(0xB2400005u)},
    };
    for (const Case &c : cases)
        EXPECT_EQ(DecimalTextToInt32(S(c.text)), c.value) << c.text;
    for (const char *bad : {"", "abc", "1.2.3", "12x", "1e", "-", "."})
        EXPECT_THROW(DecimalTextToInt32(S(bad)), EConvertError) << bad;
    try {
        DecimalTextToInt32(S("12x"));
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), S("'12x' is not a valid integer value"));
    }
}

TEST(Conversions, FloatsAndDecimalTexts) {
    EXPECT_EQ(DoubleToInt32(2.5), 2);
    EXPECT_EQ(DoubleToInt32(3.5), 4);
    EXPECT_EQ(DoubleToInt32(-1.5), -2);
    EXPECT_EQ(DoubleToInt32(4294967297.0), 1);
    EXPECT_EQ(DoubleToInt32(2147483648.0), INT32_MIN);
    EXPECT_EQ(NormalizeDecimalText(S(".50")), S("0.5"));
    EXPECT_EQ(NormalizeDecimalText(S("-.50")), S("-0.5"));
    EXPECT_EQ(NormalizeDecimalText(S("13398.00")), S("13398"));
    EXPECT_EQ(NormalizeDecimalText(S("-0.00")), S("0"));
    EXPECT_EQ(NormalizeDecimalText(S("1200")), S("1200"));
}

TEST(ConnectionString, ParsesOleDbSyntax) {
    const auto pairs = ParseOleDbString(
        S(" Provider = SQLOLEDB.1 ;Password='it''s;x';User ID=\"a \"\"b\"\"\";;Data Source=srv "));
    ASSERT_TRUE(pairs.has_value());
    ASSERT_EQ(pairs->size(), 4);
    EXPECT_EQ(pairs->at(0), qMakePair(S("Provider"), S("SQLOLEDB.1")));
    EXPECT_EQ(pairs->at(1), qMakePair(S("Password"), S("it's;x")));
    EXPECT_EQ(pairs->at(2), qMakePair(S("User ID"), S("a \"b\"")));
    EXPECT_EQ(pairs->at(3), qMakePair(S("Data Source"), S("srv")));
    for (const char *bad : {"Provider", "Data Source='x", "Password='a'b", "=x"})
        EXPECT_FALSE(ParseOleDbString(S(bad)).has_value()) << bad;
}

TEST(ConnectionString, SqlServerProvidersBecomeTheBestInstalledDriver) {
    const QStringList all = {S("FreeTDS"), S("SQL Server"), S("ODBC Driver 17 for SQL Server"),
                             S("ODBC Driver 18 for SQL Server"), S("SQLite3")};
    EXPECT_EQ(ChooseSqlServerDriver(all), S("ODBC Driver 18 for SQL Server"));
    EXPECT_EQ(ChooseSqlServerDriver({S("FreeTDS"), S("ODBC Driver 17 for SQL Server")}),
              S("ODBC Driver 17 for SQL Server"));
    EXPECT_EQ(ChooseSqlServerDriver({S("FreeTDS"), S("SQL Server")}), S("SQL Server"));
    EXPECT_EQ(ChooseSqlServerDriver({S("SQLite3"), S("FreeTDS")}), S("FreeTDS"));
    EXPECT_EQ(ChooseSqlServerDriver({S("SQLite3")}), S("SQL Server"));

    const QString oledb =
        S("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=p;"
          "Initial Catalog=Vantrel;Data Source=srv\\inst;Application Name=VantrelImport;"
          "Workstation ID=PC1;Network Library=DBMSSOCN;Use Encryption for Data=False;"
          "Trust Server Certificate=True;MARS Connection=True;Connect Timeout=25");
    const OdbcConnectTarget v18 = TranslateConnectionString(
        oledb, [] { return QStringList{S("ODBC Driver 18 for SQL Server")}; });
    EXPECT_EQ(v18.connectionString,
              S("Driver={ODBC Driver 18 for SQL Server};Server=tcp:srv\\inst;Database=Vantrel;"
                "UID=sa;PWD=p;Encrypt=no;TrustServerCertificate=yes;APP=VantrelImport;"
                "WSID=PC1;MARS_Connection=yes"));
    EXPECT_EQ(v18.loginTimeoutSeconds, 25);

    const OdbcConnectTarget tds = TranslateConnectionString(
        S("Provider=SQLNCLI11;Data Source=127.0.0.1,1433;Integrated Security=SSPI;"
          "Password=\"a;b}c\";Encrypt=yes"),
        [] { return QStringList{S("FreeTDS")}; });
    EXPECT_EQ(tds.connectionString,
              S("Driver={FreeTDS};Server=127.0.0.1,1433;PWD={a;b}}c};Trusted_Connection=Yes;"
                "Encryption=require;TDS_Version=7.4"));
    EXPECT_EQ(tds.loginTimeoutSeconds, 10);

    const OdbcConnectTarget legacy = TranslateConnectionString(
        S("Provider=MSOLEDBSQL.1;Data Source=srv;Network Library=dbmssocn;User ID=u"),
        [] { return QStringList{S("SQL Server")}; });
    EXPECT_EQ(legacy.connectionString, S("Driver={SQL Server};Server=srv;Network=DBMSSOCN;UID=u"));
}

TEST(ConnectionString, OdbcStringsPassAndMsdasqlUnwraps) {
    int asked = 0;
    const auto drivers = [&asked] {
        ++asked;
        return QStringList{S("FreeTDS")};
    };
    for (const char *same :
         {"Driver=SQLite3;Database=/tmp/x.db", "DSN=Vantrel;UID=a", " driver = {FreeTDS} ;Server=h",
          "", "garbage", "Provider=SQLOLEDB;Data Source='unterminated",
          "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb"}) {
        const OdbcConnectTarget target = TranslateConnectionString(S(same), drivers);
        EXPECT_EQ(target.connectionString, S(same));
        EXPECT_EQ(target.loginTimeoutSeconds, 10);
    }
    EXPECT_EQ(asked, 0);

    EXPECT_EQ(TranslateConnectionString(S("Provider=MSDASQL.1;Persist Security Info=False;"
                                          "Extended Properties=\"DSN=Vantrel;UID=x;PWD={a;b}\""),
                                        drivers)
                  .connectionString,
              S("DSN=Vantrel;UID=x;PWD={a;b}"));
    EXPECT_EQ(
        TranslateConnectionString(S("Provider=MSDASQL;Data Source=Vantrel;User ID=u;Password=p;"
                                    "Initial Catalog=db"),
                                  drivers)
            .connectionString,
        S("DSN=Vantrel;UID=u;PWD=p;DATABASE=db"));
    EXPECT_EQ(
        TranslateConnectionString(S("Provider=MSDASQL;Driver={SQLite3};Database=x.db"), drivers)
            .connectionString,
        S("Driver={SQLite3};Database=x.db"));
    // Values written straight in come unquoted from the OLE DB string and are quoted again.
    EXPECT_EQ(TranslateConnectionString(S("Provider=MSDASQL.1;DSN=x;Pwd='a;b';UID={u}}v}"), drivers)
                  .connectionString,
              S("DSN=x;Pwd={a;b};UID={u}}v}"));
    EXPECT_EQ(asked, 0);
}

TEST(ConnectionString, OdbcKeysAndQuoting) {
    EXPECT_EQ(QuoteOdbcValue(S("plain")), S("plain"));
    EXPECT_EQ(QuoteOdbcValue(S("a;b")), S("{a;b}"));
    EXPECT_EQ(QuoteOdbcValue(S("a}b")), S("{a}}b}"));
    EXPECT_EQ(QuoteOdbcValue(S(" lead")), S("{ lead}"));
    EXPECT_EQ(QuoteOdbcValue(S("")), S("{}"));
    EXPECT_TRUE(OdbcStringHasKey(S("x=1; dsn =a"), S("DSN")));
    EXPECT_FALSE(OdbcStringHasKey(S("PWD={;DSN=x};UID=u"), S("DSN")));
    EXPECT_TRUE(OdbcStringHasKey(S("PWD={a}};DSN=x};UID=u"), S("uid")));
}

TEST(DatabaseErrors, OnlyADuplicateKeyMeansTheRowIsThere) {
    struct Case {
        const char *state;
        int native;
        const char *text;
        bool duplicate;
    };
    const Case cases[] = {
        {"23000", 2627, "Violation of PRIMARY KEY constraint 'PK_Zaposleni'.", true},
        {"23000", 2601, "Cannot insert duplicate key row in object 'dbo.Sektor'", true},
        {"42000", 2627, "Violation of UNIQUE KEY constraint", true},
        {"HY000", 19, "[SQLite]UNIQUE constraint failed: t.x (19)", true},
        {"HY000", 19, "[SQLite]PRIMARY KEY must be unique (19)", true},
        {"HY000", 19, "[SQLite]column x is not unique (19)", true},
        {"23000", 547, "The INSERT statement conflicted with the FOREIGN KEY constraint", false},
        {"23000", 547, "The INSERT statement conflicted with the CHECK constraint", false},
        {"23000", 515, "Cannot insert the value NULL into column 'Ime'", false},
        {"23505", 0, "duplicate key value violates unique constraint", false},
        {"HY000", 19, "[SQLite]NOT NULL constraint failed: t.x (19)", false},
        {"HY000", 19, "[SQLite]FOREIGN KEY constraint failed (19)", false},
        {"HY000", 19, "[SQLite]CHECK constraint failed: x > 0 (19)", false},
        {"HY000", 2627, "some other driver's error 2627", true},
        {"42S02", 208, "Invalid object name 'Sektor'", false},
        {"08S01", 20009, "Unable to connect", false},
        {"HY000", 50000, "UNIQUE constraint failed", false}, // a text alone is not enough
    };
    for (const Case &c : cases)
        EXPECT_EQ(odbc::IsDuplicateKeyRecord({S(c.state), c.native, S(c.text)}), c.duplicate)
            << c.state << " " << c.native << " " << c.text;
}
