// Reading and writing OLE DB connection strings, and the prompt's fields on top of them.
#include "import/ConnectionString.h"
#include "options/OleDbConnectionString.h"
#include "options/uDlgVIDataLink.h"

#include <QMap>

#include <gtest/gtest.h>

#include <random>

namespace {

QString S(const char *text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(OleDbStringParse, QuotesSeparatorsAndBlanks) {
    const auto pairs = ParseOleDbConnectionString(
        S(" Provider = SQLOLEDB.1 ;Password='a;b''c';Extended Properties=\"DSN=x;UID=\"\"q\"\"\";"
          ";;novalue;Key==Name=v ; Data Source= srv,1433 "));
    ASSERT_EQ(pairs.size(), 5);
    EXPECT_EQ(pairs[0], (OleDbPair{S("Provider"), S("SQLOLEDB.1")}));
    EXPECT_EQ(pairs[1], (OleDbPair{S("Password"), S("a;b'c")}));
    EXPECT_EQ(pairs[2], (OleDbPair{S("Extended Properties"), S("DSN=x;UID=\"q\"")}));
    EXPECT_EQ(pairs[3], (OleDbPair{S("Key=Name"), S("v")}));
    EXPECT_EQ(pairs[4], (OleDbPair{S("Data Source"), S("srv,1433")}));
}

TEST(OleDbStringParse, UnclosedQuoteTakesTheRest) {
    const auto pairs = ParseOleDbConnectionString(S("A=1;B='x;y"));
    ASSERT_EQ(pairs.size(), 2);
    EXPECT_EQ(pairs[1].value, S("x;y"));
}

TEST(OleDbStringBuild, QuotesOnlyWhereNeededAndRoundTrips) {
    EXPECT_EQ(QuoteOleDbValue(S("plain value")), S("plain value"));
    EXPECT_EQ(QuoteOleDbValue(S("a;b")), S("\"a;b\""));
    EXPECT_EQ(QuoteOleDbValue(S("say \"x\";")), S("'say \"x\";'"));
    EXPECT_EQ(QuoteOleDbValue(S("'both\";")), S("\"'both\"\";\""));
    EXPECT_EQ(QuoteOleDbValue(S(" lead")), S("\" lead\""));

    const QList<OleDbPair> pairs = {{S("Password"), S("'both\";")},
                                    {S("Key=Name"), S(" spaced ")},
                                    {S("Extended Properties"), S("DSN=x;UID=y;")}};
    const QString built = BuildOleDbConnectionString(pairs);
    EXPECT_EQ(built, S("Password=\"'both\"\";\";Key==Name=\" spaced \";"
                       "Extended Properties=\"DSN=x;UID=y;\""));
    EXPECT_EQ(ParseOleDbConnectionString(built), pairs);
}

TEST(OleDbFields, BuildsIntegratedAndSqlServerAuthentication) {
    OleDbConnectionFields f;
    f.provider = S("SQLOLEDB");
    f.dataSource = S("127.0.0.1,1433");
    f.database = S("Vantrel");
    f.integratedSecurity = true;
    f.userName = S("ignored");
    f.password = S("ignored");
    EXPECT_EQ(BuildOleDbConnectionString(f, PasswordUse::AsAllowed),
              S("Provider=SQLOLEDB;Integrated Security=SSPI;Persist Security Info=False;"
                "Initial Catalog=Vantrel;Data Source=127.0.0.1,1433"));

    f.integratedSecurity = false;
    f.userName = S("sa");
    f.password = S("p;w");
    // Without leave to save it, the password is used for a test only.
    EXPECT_EQ(BuildOleDbConnectionString(f, PasswordUse::AsAllowed),
              S("Provider=SQLOLEDB;Persist Security Info=False;User ID=sa;"
                "Initial Catalog=Vantrel;Data Source=127.0.0.1,1433"));
    EXPECT_EQ(BuildOleDbConnectionString(f, PasswordUse::Always),
              S("Provider=SQLOLEDB;Password=\"p;w\";Persist Security Info=False;User ID=sa;"
                "Initial Catalog=Vantrel;Data Source=127.0.0.1,1433"));
    f.allowSavingPassword = true;
    f.encrypt = true;
    f.trustServerCertificate = true;
    EXPECT_EQ(BuildOleDbConnectionString(f, PasswordUse::AsAllowed),
              S("Provider=SQLOLEDB;Password=\"p;w\";Persist Security Info=True;User ID=sa;"
                "Initial Catalog=Vantrel;Data Source=127.0.0.1,1433;"
                "Use Encryption for Data=True;Trust Server Certificate=True"));
}

TEST(OleDbFields, OdbcSourcesGoThroughTheBridge) {
    OleDbConnectionFields f;
    f.provider = S("MSDASQL");
    f.integratedSecurity = true; // not offered through ODBC
    f.userName = S("sa");
    f.dataSource = S("VantrelDSN");
    EXPECT_EQ(BuildOleDbConnectionString(f, PasswordUse::AsAllowed),
              S("Provider=MSDASQL;Persist Security Info=False;User ID=sa;Data Source=VantrelDSN"));
    f.odbcUseConnectionString = true;
    f.odbcConnectionString = S("DRIVER=FreeTDS;SERVER=h;PORT=1433;");
    EXPECT_EQ(BuildOleDbConnectionString(f, PasswordUse::AsAllowed),
              S("Provider=MSDASQL;Persist Security Info=False;User ID=sa;"
                "Extended Properties=\"DRIVER=FreeTDS;SERVER=h;PORT=1433;\""));

    const auto back =
        ParseOleDbConnectionFields(BuildOleDbConnectionString(f, PasswordUse::Always));
    EXPECT_TRUE(IsOdbcProvider(back.provider));
    EXPECT_TRUE(back.odbcUseConnectionString);
    EXPECT_EQ(back.odbcConnectionString, f.odbcConnectionString);
}

TEST(OleDbFields, EditingKeepsUnknownKeywordsAndSpellings) {
    const QString start =
        S("Provider=SQLNCLI11.1;Auto Translate=True;Server=old;UID=u;PWD=secret;"
          "Application Name='Vantrel; import';Database=db;Packet Size=4096;Encrypt=no");
    OleDbConnectionFields f = ParseOleDbConnectionFields(start);
    EXPECT_EQ(f.provider, S("SQLNCLI11.1"));
    EXPECT_EQ(f.dataSource, S("old"));
    EXPECT_EQ(f.userName, S("u"));
    EXPECT_EQ(f.password, S("secret"));
    EXPECT_TRUE(f.allowSavingPassword) << "a password in the string must survive an edit";
    EXPECT_FALSE(f.integratedSecurity);
    EXPECT_EQ(f.database, S("db"));
    EXPECT_FALSE(f.encrypt);
    EXPECT_TRUE(f.encryptGiven);
    ASSERT_EQ(f.others.size(), 3);

    f.dataSource = S("new");
    EXPECT_EQ(BuildOleDbConnectionString(f, PasswordUse::AsAllowed),
              S("Provider=SQLNCLI11.1;Password=secret;Persist Security Info=True;User ID=u;"
                "Initial Catalog=db;Data Source=new;Use Encryption for Data=False;"
                "Auto Translate=True;Application Name=\"Vantrel; import\";Packet Size=4096"));
}

TEST(OleDbFields, ReadsTheLogOnKind) {
    auto f = ParseOleDbConnectionFields(S("Provider=SQLOLEDB;Integrated Security=SSPI;"
                                          "Persist Security Info=False;Data Source=s"));
    EXPECT_TRUE(f.integratedSecurity);
    EXPECT_FALSE(f.allowSavingPassword);
    f = ParseOleDbConnectionFields(S("Provider=SQLOLEDB;Persist Security Info=True;User ID=sa"));
    EXPECT_FALSE(f.integratedSecurity);
    EXPECT_TRUE(f.allowSavingPassword);
    f = ParseOleDbConnectionFields(S("Provider=MSDASQL.1;Integrated Security=SSPI;Data Source=d"));
    EXPECT_FALSE(f.integratedSecurity);
    EXPECT_EQ(f.dataSource, S("d"));
}

namespace {

// A driver's reading of an ODBC string. Microsoft's drivers end a braced value at a single "}"
// ("}}" stands for one); FreeTDS ends it at the first "};" or at a "}" that ends the string and
// keeps every other "}" as it is.
QMap<QString, QString> ReadOdbc(const QString &odbc, bool freeTds) {
    QMap<QString, QString> values;
    qsizetype i = 0;
    while (i < odbc.size()) {
        const qsizetype eq = odbc.indexOf(u'=', i);
        if (eq < 0)
            break;
        const QString key = odbc.mid(i, eq - i).trimmed().toUpper();
        QString value;
        i = eq + 1;
        if (i < odbc.size() && odbc[i] == u'{') {
            ++i;
            for (;;) {
                if (i >= odbc.size())
                    break;
                if (odbc[i] == u'}') {
                    const bool last = i + 1 >= odbc.size();
                    if (freeTds && (last || odbc[i + 1] == u';')) {
                        ++i;
                        break;
                    }
                    if (!freeTds && !last && odbc[i + 1] == u'}') {
                        value += u'}';
                        i += 2;
                        continue;
                    }
                    if (!freeTds) {
                        ++i;
                        break;
                    }
                }
                value += odbc[i++];
            }
            ++i; // the ";"
        } else {
            const qsizetype semi = odbc.indexOf(u';', i);
            value = odbc.mid(i, (semi < 0 ? odbc.size() : semi) - i);
            i = semi < 0 ? odbc.size() : semi + 1;
        }
        values[key] = value;
    }
    return values;
}

} // namespace

// What is typed into the prompt arrives at the driver: the prompt writes the OLE DB string, the
// run reads and translates it, and each driver reads the result by its own rules. A value that
// FreeTDS cannot carry is refused, never sent altered.
TEST(OleDbRoundTrip, WhatIsTypedArrivesThroughEveryDriver) {
    std::mt19937 random(20261209);
    const QStringList pieces = {S("a"),      S("Z"),   S("7"),      S(" "),      S(";"),
                                S("}"),      S("{"),   S("="),      S("'"),      S("\""),
                                S("=="),     S("};"),  S("}}"),     S("{}"),     S("\u00A0"),
                                S("\u3000"), S("\v"),  S("\t"),     S("Š"),      S("ć"),
                                S("😀"),      S("x y"), S("\u2028"), S("\u00AD"), S("\uFEFF")};
    const auto typed = [&] {
        QString text;
        for (int n = 1 + int(random() % 6); n > 0; --n)
            text += pieces[qsizetype(random() % pieces.size())];
        return text;
    };
    const char *providers[] = {"SQLOLEDB", "SQLNCLI11", "MSOLEDBSQL"};
    const char *drivers[] = {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server",
                             "SQL Server Native Client 11.0", "SQL Server", "FreeTDS"};
    const std::pair<const char *, const char *> extras[] = {
        {"Application Name", "APP"}, {"Workstation ID", "WSID"}, {"Current Language", "LANGUAGE"}};
    int refused = 0;
    for (int i = 0; i < 400; ++i) {
        OleDbConnectionFields f;
        f.provider = S(providers[i % 3]);
        f.dataSource = S("db.example");
        f.userName = typed();
        f.password = typed();
        f.database = typed();
        f.allowSavingPassword = true;
        QMap<QString, QString> expected = {
            {S("UID"), f.userName}, {S("PWD"), f.password}, {S("DATABASE"), f.database}};
        for (const auto &[oledb, odbc] : extras)
            if (random() % 2) {
                f.others.append({S(oledb), typed()});
                expected[S(odbc)] = f.others.back().value;
            }
        const QString written = BuildOleDbConnectionString(f, PasswordUse::Always);

        // The prompt reads back what it wrote.
        const OleDbConnectionFields back = ParseOleDbConnectionFields(written);
        EXPECT_EQ(back.userName, f.userName) << written.toStdString();
        EXPECT_EQ(back.password, f.password) << written.toStdString();
        EXPECT_EQ(back.database, f.database) << written.toStdString();
        EXPECT_EQ(back.others, f.others) << written.toStdString();

        const QString driver = S(drivers[i % 5]);
        const bool freeTds = driver == u"FreeTDS";
        const OdbcConnectTarget target =
            TranslateConnectionString(written, [&] { return QStringList{driver}; });
        bool uncarriable = false;
        for (const QString &value : std::as_const(expected))
            uncarriable = uncarriable || (freeTds && value.contains(S("};")));
        if (uncarriable) {
            EXPECT_TRUE(target.refusal.contains(S("\"};\""))) << written.toStdString();
            ++refused;
            continue;
        }
        ASSERT_TRUE(target.refusal.isEmpty()) << written.toStdString() << "\n"
                                              << target.refusal.toStdString();
        const QMap<QString, QString> arrived = ReadOdbc(target.connectionString, freeTds);
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            EXPECT_EQ(arrived.value(it.key()), it.value())
                << it.key().toStdString() << " in " << written.toStdString() << "\n -> "
                << target.connectionString.toStdString();
    }
    EXPECT_GT(refused, 0); // the cases do reach the refusal
}

// The prompt's check box says yes or no; a start string's strict encryption stays strict while
// the box stays checked.
TEST(OleDbFields, StrictEncryptionSurvivesAnEdit) {
    OleDbConnectionFields f =
        ParseOleDbConnectionFields(S("Provider=MSOLEDBSQL19;Data Source=s;Encrypt=Strict"));
    EXPECT_TRUE(f.encrypt);
    EXPECT_TRUE(BuildOleDbConnectionString(f, PasswordUse::AsAllowed)
                    .endsWith(S("Data Source=s;Use Encryption for Data=Strict")));
    f.encrypt = false;
    EXPECT_TRUE(BuildOleDbConnectionString(f, PasswordUse::AsAllowed)
                    .endsWith(S("Data Source=s;Use Encryption for Data=False")));
    // Without the keyword MSOLEDBSQL19 encrypts: the box shows it, and unchecking it is written.
    f = ParseOleDbConnectionFields(S("Provider=MSOLEDBSQL19;Data Source=s"));
    EXPECT_TRUE(f.encrypt);
    EXPECT_TRUE(BuildOleDbConnectionString(f, PasswordUse::AsAllowed).endsWith(S("Data Source=s")));
    f.encrypt = false;
    EXPECT_TRUE(BuildOleDbConnectionString(f, PasswordUse::AsAllowed)
                    .endsWith(S("Data Source=s;Use Encryption for Data=False")));
}

// Opened on a string and confirmed with OK, the prompt leaves what the run makes of it as it was,
// through every driver family (the password aside where the string does not keep it).
TEST(OleDbRoundTrip, ThePromptKeepsWhatTheRunReads) {
    std::mt19937 random(20261210);
    // Security keywords take yes/no-like values, the others any text; a few keywords and values
    // are ones the run refuses.
    const QStringList keys = S("Integrated Security|Trusted_Connection|Persist Security Info|"
                               "Encrypt|Use Encryption for Data|TrustServerCertificate|Trust "
                               "Server Certificate|Data Source|Server|User ID|UID|Password|PWD|"
                               "Initial Catalog|Database|Application Name|Extended Properties|DSN")
                                 .split(u'|');
    const QStringList values = S("|yes|no|True|false|SSPI|Strict|Mandatory|Optional|maybe|"
                                 "h,1433|a;b}c|{z|Encrypt=no;Server=e")
                                   .split(u'|');
    const char *providers[] = {"SQLOLEDB.1", "SQLNCLI11", "MSOLEDBSQL", "MSOLEDBSQL19", "MSDASQL"};
    const char *drivers[] = {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server",
                             "SQL Server Native Client 11.0", "SQL Server", "FreeTDS"};
    TDlgVIDataLink dialog;
    for (int i = 0; i < 600; ++i) {
        QList<OleDbPair> pairs{{S("Provider"), S(providers[i % 5])}};
        QStringList extended;
        for (int n = int(random() % 8); n > 0; --n) {
            const qsizetype k = random() % keys.size();
            const QString value = values[random() % (k < 7 ? 10 : values.size())];
            if (random() % 3)
                pairs.append({keys[k], value});
            else
                extended.append(keys[k] + u'=' + QuoteOdbcValue(value));
        }
        if (!extended.isEmpty())
            pairs.insert(qsizetype(random() % pairs.size()) + 1,
                         {S("Extended Properties"), extended.join(u';')});
        const QString before = BuildOleDbConnectionString(pairs);
        dialog.SetFields(ParseOleDbConnectionFields(before));
        const OleDbConnectionFields shown = dialog.Fields();
        const QString after = shown.allowSavingPassword
                                  ? dialog.ConnectionString()
                                  : BuildOleDbConnectionString(shown, PasswordUse::Always);
        for (const char *driver : drivers) {
            const auto run = [&](const QString &s) {
                const auto t = TranslateConnectionString(s, [&] { return QStringList{S(driver)}; });
                return (t.refusal.isEmpty()
                            ? QStringList{t.connectionString,
                                          QString::number(t.loginTimeoutSeconds),
                                          t.instance ? t.instance->instance : S("-")}
                            : QStringList{S("refused")})
                    .join(u'|')
                    .toStdString();
            };
            EXPECT_EQ(run(before), run(after))
                << driver << "\n " << before.toStdString() << "\n " << after.toStdString();
        }
    }
}
