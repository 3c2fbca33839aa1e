#pragma once
// Kinds of result columns and declared fields, the open check between them, and the numeric
// conversions of field reads. Pure functions: no database involved.

#include <QString>

#include <optional>

// A declared result field. kind is one of the kind names below ("AutoInc", "WideString",
// "DateTime", "BCD", "Integer", ...); for "BCD" scale is the number of decimal places.
struct TFieldDef {
    QString name;
    QString kind;
    int size = 0;
    int precision = 0;
    int scale = 0;
};

// What a result column is, as the open check and the reads see it.
struct ColumnKind {
    QString kind;
    int scale = 0; // decimal places; meaningful for "BCD"
};

// The kind of a column from what the driver describes: its ODBC SQL type, whether it is
// unsigned, whether it is an auto-increment (identity) column, its precision (for text: its
// width in characters) and scale.
ColumnKind KindFromSqlType(int sqlType, bool isUnsigned, bool autoUnique, int precision, int scale);

// Whether a column of columnKind can serve a field declared as fieldKind.
bool KindsCompatible(const QString &fieldKind, const QString &columnKind);

// The check of one declared field against the column of the same name (nullptr when the result
// has none). Returns the failure message without the query's name in front, or nothing.
std::optional<QString> CheckField(const TFieldDef &field, const ColumnKind *column);

// A decimal number as text (optional sign, digits, optional fraction, optional exponent),
// rounded to the nearest integer with halves going to the even neighbour, then taken modulo
// 2^32 as a signed 32-bit integer. Exact for any length. Throws EConvertError for other text.
qint32 DecimalTextToInt32(const QString &text);

// A floating-point value rounded the same way (half to even, low 32 bits).
qint32 DoubleToInt32(double value);

// A decimal text as a person writes it: "0.5" for ".5", no trailing zeros after the point,
// "-0" as "0".
QString NormalizeDecimalText(const QString &text);
