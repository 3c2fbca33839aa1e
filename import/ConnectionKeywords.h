#pragma once
// Every keyword that the SQL Server OLE DB providers (SQLOLEDB, SQLNCLI10/11, MSOLEDBSQL and
// MSOLEDBSQL19) accept in an ADO connection string, and what each becomes for each family of
// ODBC drivers that can stand in for them. The run's translation and the connection prompt both
// read this one table.

#include <QString>
#include <QStringList>

#include <span>

// The ODBC drivers we can choose, grouped by what they understand.
enum class DriverFamily {
    MsOdbc18,     // "ODBC Driver 18 for SQL Server" and later: Strict, encrypting by default
    MsOdbc,       // "ODBC Driver 17 for SQL Server" and earlier
    NativeClient, // "SQL Server Native Client N"
    Legacy,       // "SQL Server", the driver that comes with Windows
    FreeTds,      // "FreeTDS"
};
constexpr int kDriverFamilies = 5;

DriverFamily FamilyOfDriver(const QString &driver);

// What a keyword's value is, for checking and converting it.
enum class ValueKind {
    Text,           // passed as typed
    Flag,           // yes/no, true/false, 1/0
    Number,         // a whole number
    Server,         // a server name: host, host,port, host\instance, tcp:host, ...
    Address,        // the network address that overrides the server name
    Protocol,       // an OLE DB network library name
    Encryption,     // yes/no/true/false/Optional/Mandatory/Strict
    TrustCert,      // trust the server's certificate without checking it
    Integrated,     // Windows authentication (SSPI, yes, true)
    LoginTimeout,   // seconds, handed to the driver as the login time-out
    PacketSize,     // bytes of a network packet
    ProviderString, // "Extended Properties": more keywords in the provider-string syntax
};

enum class Fate {
    Mapped,        // becomes the driver's keyword (or the driver's own setting for it)
    NotApplicable, // has no meaning outside OLE DB: dropped, for the reason in the row
    Refused,       // the driver cannot do it: the open is refused, naming the keyword
};

struct FamilyFate {
    Fate fate = Fate::Refused;
    const char *odbc = nullptr; // the driver's keyword, for a mapped keyword that has one
};

struct KeywordRow {
    const char *name;     // the OLE DB property name, as the prompt writes it
    const char *synonyms; // other spellings, "|" between them
    ValueKind kind;
    FamilyFate fates[kDriverFamilies]; // in the order of DriverFamily
    // The value with which a refusing driver behaves as asked anyway (it is accepted then);
    // empty when every value is refused.
    const char *driverDefault;
    // Why a keyword that is not applicable has no meaning outside OLE DB.
    const char *why;

    const FamilyFate &For(DriverFamily family) const { return fates[int(family)]; }
    QStringList Names() const;
};

std::span<const KeywordRow> ConnectionKeywords();

// The row of a keyword, matched without regard to case and blanks; null when none has it.
const KeywordRow *FindConnectionKeyword(const QString &keyword);

// The yes/no meaning of an OLE DB Boolean; -1 for a value that is none.
int OleDbFlag(const QString &value);

// Whether the provider encrypts a connection whose string names no encryption (MSOLEDBSQL19).
bool ProviderEncryptsByDefault(const QString &provider);
