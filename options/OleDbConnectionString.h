#pragma once
// OLE DB connection strings: keyword=value pairs separated by ";". Values may be quoted with
// ' or " (the quote doubled inside stands for itself); "==" in a keyword stands for "=".

#include <QList>
#include <QString>

#include <optional>

struct OleDbPair {
    QString keyword;
    QString value;

    bool operator==(const OleDbPair &) const = default;
};

// The pairs in their order, keywords and unquoted values trimmed. Segments without "=" and
// empty keywords are dropped; a missing closing quote takes the rest of the text as value.
QList<OleDbPair> ParseOleDbConnectionString(const QString &text);

// The pairs joined with ";", values quoted where the syntax needs it.
QString BuildOleDbConnectionString(const QList<OleDbPair> &pairs);

// A value as it must be written after "=".
QString QuoteOleDbValue(const QString &value);

// Index of the last pair with this keyword (case-insensitive), or -1.
qsizetype FindOleDbKeyword(const QList<OleDbPair> &pairs, const QString &keyword);

// The fields of the connection prompt, read from and written to a connection string as the run
// reads it: for the SQL Server providers keywords inside "Extended Properties" are shown too;
// for the ODBC bridge only the OLE DB names count, and other keywords go to the driver as they are.
struct OleDbConnectionFields {
    QString provider = QStringLiteral("SQLOLEDB"); // as written, version suffix included
    QString dataSource;                            // server name; for ODBC the data source name
    bool odbcUseConnectionString = false;          // "Extended Properties" is written
    // "Extended Properties": for ODBC the ODBC string, otherwise what the prompt does not show.
    QString odbcConnectionString;
    bool integratedSecurity = false;
    QString userName;
    bool userGiven = false; // the string named a user (an empty one too): keep writing it
    QString password;
    bool passwordGiven = false;
    bool allowSavingPassword = false; // "Persist Security Info", and whether the password is kept
    QString database;
    bool encrypt = false;       // as the run will do: MSOLEDBSQL19 encrypts unless told otherwise
    bool encryptGiven = false;  // the start string named the keyword: keep writing it
    bool encryptStrict = false; // the start string asked for strict encryption: keep it
    bool trustServerCertificate = false;
    bool trustGiven = false;
    // Values of these keywords that the run refuses, kept as typed (so that it still refuses
    // them) until their box is changed.
    std::optional<QString> integratedAsTyped, encryptAsTyped, trustAsTyped;
    QList<OleDbPair> others; // keywords the prompt does not show, in their order
};

// True for the ODBC bridge provider (MSDASQL, with or without a version suffix).
bool IsOdbcProvider(const QString &provider);

OleDbConnectionFields ParseOleDbConnectionFields(const QString &connectionString);

enum class PasswordUse {
    AsAllowed, // the string to keep: the password only when saving it is allowed
    Always,    // the string to test with: the password as entered
};
QString BuildOleDbConnectionString(const OleDbConnectionFields &fields, PasswordUse use);
