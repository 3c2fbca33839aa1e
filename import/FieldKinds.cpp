#include "import/FieldKinds.h"

#include "core/Exceptions.h"
#include "i18n/TextLookup.h"
#include "import/OdbcHeaders.h"

#include <QStringList>

#include <cmath>

namespace {

// SQL Server's own column types that some drivers report.
constexpr int kSqlServerVariant = -150;

// The widest bounded text columns SQL Server has: nvarchar(4000) and varchar(8000).
constexpr int kWideWidthMax = 4000;
constexpr int kNarrowWidthMax = 8000;

// nvarchar(max) and varchar(max) come through as variable text of size 0 (FreeTDS and
// Microsoft's drivers) or of a size no bounded column can have (2^30 and the like).
bool IsUnbounded(int size, int widthMax) {
    return size <= 0 || size > widthMax;
}

// The runtime library's messages are looked up as printf formats, then filled.
QByteArray Format(const char *english) {
    return TextLookup(english).toUtf8();
}

QString InvalidInteger(const QString &text) {
    return QString::asprintf(Format("'%s' is not a valid integer value").constData(),
                             text.toUtf8().constData());
}

} // namespace

ColumnKind KindFromSqlType(int sqlType, bool isUnsigned, bool autoUnique, int precision,
                           int scale) {
    switch (sqlType) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
        return {isUnsigned ? QStringLiteral("Word") : QStringLiteral("SmallInt")};
    case SQL_INTEGER:
        return {autoUnique ? QStringLiteral("AutoInc") : QStringLiteral("Integer")};
    case SQL_BIGINT:
        return {QStringLiteral("LargeInt")};
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        if (scale == 0 && precision < 10)
            return {QStringLiteral("Integer")};
        // Providers report an unknown scale as 128 or more; four places is the money scale.
        return {QStringLiteral("BCD"), scale >= 128 ? 4 : scale};
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return {QStringLiteral("Float")};
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return {QStringLiteral("DateTime")};
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return {QStringLiteral("Date")};
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return {QStringLiteral("Time")};
    case SQL_WCHAR:
        return {QStringLiteral("WideString")};
    case SQL_WVARCHAR:
        return {IsUnbounded(precision, kWideWidthMax) ? QStringLiteral("Memo")
                                                      : QStringLiteral("WideString")};
    case SQL_VARCHAR:
        return {IsUnbounded(precision, kNarrowWidthMax) ? QStringLiteral("Memo")
                                                        : QStringLiteral("String")};
    case SQL_CHAR:
        return {QStringLiteral("FixedChar")};
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
        return {QStringLiteral("Memo")};
    case SQL_BIT:
        return {QStringLiteral("Boolean")};
    case SQL_GUID:
        return {QStringLiteral("Guid")};
    case SQL_BINARY:
        return {QStringLiteral("Bytes")};
    case SQL_VARBINARY:
        return {QStringLiteral("VarBytes")};
    case SQL_LONGVARBINARY:
        return {QStringLiteral("Blob")};
    case kSqlServerVariant:
        return {QStringLiteral("Variant")};
    default:
        return {QStringLiteral("Unknown")};
    }
}

bool KindsCompatible(const QString &fieldKind, const QString &columnKind) {
    static const QStringList integers = {QStringLiteral("SmallInt"), QStringLiteral("Integer"),
                                         QStringLiteral("Word"), QStringLiteral("AutoInc")};
    static const QStringList dates = {QStringLiteral("Date"), QStringLiteral("Time"),
                                      QStringLiteral("DateTime")};
    if (integers.contains(fieldKind))
        return integers.contains(columnKind);
    if (dates.contains(fieldKind))
        return dates.contains(columnKind);
    return fieldKind == columnKind;
}

std::optional<QString> CheckField(const TFieldDef &field, const ColumnKind *column) {
    const QByteArray name = field.name.toUtf8();
    if (column == nullptr)
        return QString::asprintf(Format("Field '%s' not found").constData(), name.constData());
    if (!KindsCompatible(field.kind, column->kind))
        return QString::asprintf(
            Format("Type mismatch for field '%s', expecting: %s actual: %s").constData(),
            name.constData(), field.kind.toUtf8().constData(), column->kind.toUtf8().constData());
    if (field.kind == QLatin1String("BCD") && field.scale != column->scale)
        return QString::asprintf(
            Format("Size mismatch for field '%s', expecting: %d actual: %d").constData(),
            name.constData(), field.scale, column->scale);
    return std::nullopt;
}

qint32 DecimalTextToInt32(const QString &text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = t.size();
    bool negative = false;
    if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        negative = t[i++] == QLatin1Char('-');
    QString digits; // every significant digit, integer part then fraction
    qsizetype pointAt = -1;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128)
            digits.append(c);
        else if (c == QLatin1Char('.') && pointAt < 0)
            pointAt = digits.size();
        else
            break;
    }
    if (digits.isEmpty())
        throw EConvertError(InvalidInteger(text));
    if (pointAt < 0)
        pointAt = digits.size();
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        bool ok = false;
        const int exponent = t.mid(i + 1).toInt(&ok);
        if (!ok || exponent > 100000 || exponent < -100000)
            throw EConvertError(InvalidInteger(text));
        pointAt += exponent;
        i = n;
    }
    if (i != n)
        throw EConvertError(InvalidInteger(text));
    // Integer part modulo 2^64; its low 32 bits are exact whatever its length.
    quint64 value = 0;
    for (qsizetype k = 0; k < pointAt; ++k)
        value = value * 10 + (k < digits.size() ? quint64(digits[k].unicode() - '0') : 0);
    if (pointAt < 0) {
        value = 0; // every digit lies below the first decimal place: rounds to zero
    } else {
        // Rounding: the first dropped digit and whether anything non-zero follows it.
        const int first = pointAt < digits.size() ? digits[pointAt].unicode() - '0' : 0;
        bool restNonZero = false;
        for (qsizetype k = pointAt + 1; k < digits.size(); ++k)
            restNonZero = restNonZero || digits[k] != QLatin1Char('0');
        if (first > 5 || (first == 5 && (restNonZero || (value & 1) != 0)))
            ++value;
    }
    const quint32 low = quint32(value);
    return qint32(negative ? quint32(0u - low) : low);
}

qint32 DoubleToInt32(double value) {
    if (!std::isfinite(value))
        throw EConvertError(InvalidInteger(QString::number(value)));
    // Beyond 2^53 a double has no fraction; format it exactly and take its low bits.
    return DecimalTextToInt32(QString::number(std::nearbyint(value), 'f', 0));
}

QString NormalizeDecimalText(const QString &text) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.front() == QLatin1Char('-');
        t.remove(0, 1);
    }
    if (t.contains(QLatin1Char('.'))) {
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(QLatin1Char('.')))
            t.chop(1);
    }
    if (t.startsWith(QLatin1Char('.')))
        t.prepend(QLatin1Char('0'));
    while (t.size() > 1 && t.startsWith(QLatin1Char('0')) && t[1] != QLatin1Char('.'))
        t.remove(0, 1);
    if (t.isEmpty())
        t = QStringLiteral("0");
    if (negative && t != QLatin1String("0"))
        t.prepend(QLatin1Char('-'));
    return t;
}
