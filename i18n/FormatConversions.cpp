#include "i18n/FormatConversions.h"

#include <cstring>

// The reading follows QString::vasprintf step by step; where it differs from the C library's
// printf (no "q", no positions, "%Ld" and "%ju" read nothing), asprintf is what counts.

namespace {

enum class Length { None, hh, h, l, ll, L, j, z, t };

// strchr() would also find the terminating zero.
bool OneOf(const char *set, char c) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A width or a precision: digits read nothing, a "*" reads an int at once.
void ReadCount(const char *&c, QByteArray &out) {
    if (*c == '*') {
        out += "int,";
        ++c;
    }
    while (IsDigit(*c))
        ++c;
}

Length ReadLength(const char *&c) {
    switch (*c++) {
    case 'h':
        return *c == 'h' ? (++c, Length::hh) : Length::h;
    case 'l':
        return *c == 'l' ? (++c, Length::ll) : Length::l;
    case 'L':
        return Length::L;
    case 'j':
        return Length::j;
    case 'z':
    case 'Z':
        return Length::z;
    case 't':
        return Length::t;
    default:
        --c;
        return Length::None;
    }
}

// The type a conversion reads: nullptr when it is no conversion (printed as text), "" when
// asprintf prints it without reading an argument.
const char *TypeRead(char conversion, Length length) {
    switch (conversion) {
    case 'd':
    case 'i':
        switch (length) {
        case Length::l:
        case Length::j:
            return "long";
        case Length::ll:
            return "qint64";
        case Length::z:
        case Length::t:
            return "qsizetype";
        case Length::L:
            return "";
        default:
            return "int";
        }
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        switch (length) {
        case Length::l:
            return "ulong";
        case Length::ll:
            return "quint64";
        case Length::z:
        case Length::t:
            return "size_t";
        case Length::L:
        case Length::j:
            return "";
        default:
            return "uint";
        }
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        return length == Length::L ? "long double" : "double";
    case 'c':
        return "char"; // an int, with or without "l"
    case 's':
        return length == Length::l ? "ustr" : "str";
    case 'p':
        return "ptr";
    case 'n':
        return "count";
    default:
        return nullptr;
    }
}

} // namespace

QByteArray PrintfConversions(const QByteArray &text) {
    QByteArray out;
    // asprintf takes a C string: it ends at the first NUL, as here (QByteArray ends in one).
    const char *c = text.constData();
    while (true) {
        while (*c != '\0' && *c != '%')
            ++c;
        if (*c == '\0')
            break;
        ++c;
        if (*c == '%') {
            ++c;
            continue;
        }
        while (OneOf("#0- +'", *c))
            ++c;
        ReadCount(c, out);
        if (*c == '.') {
            ++c;
            ReadCount(c, out);
        }
        const Length length = ReadLength(c);
        if (*c == '\0')
            break;
        const char *type = TypeRead(*c, length);
        if (type == nullptr)
            continue; // printed as it stands; the text goes on from this character
        if (*type != '\0')
            out += QByteArray(type) + ',';
        ++c;
    }
    return out;
}

bool SameConversions(const QByteArray &key, const QByteArray &translation) {
    const QByteArray conversions = PrintfConversions(key);
    return conversions == PrintfConversions(translation) &&
           !(',' + conversions).contains(",count,");
}
