// Reading and writing OLE DB connection strings, and the prompt's fields on top of them.
#include "options/OleDbConnectionString.h"

#include <gtest/gtest.h>

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
