#include "i18n/FormatConversions.h"

#include <cstring>

namespace {

// strchr() would also find the terminating zero.
bool OneOf(const char *set, char c) {
    return c != '\0' && std::strchr(set, c) != nullptr;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

const char *KindOf(char conversion) {
    switch (conversion) {
    case 'd':
    case 'i':
        return "int";
    case 'o':
    case 'u':
    case 'x':
    case 'X':
        return "uint";
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        return "double";
    case 'c':
        return "char";
    case 's':
        return "str";
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
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        if (text[i] != '%') {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        if (j < size && text[j] == '%') {
            i = j + 1;
            continue;
        }
        QByteArray args; // the "*" widths and precisions come before the value
        QByteArray position;
        // A position "n$".
        qsizetype k = j;
        while (k < size && IsDigit(text[k]))
            ++k;
        if (k > j && k < size && text[k] == '$') {
            position = text.mid(j, k - j + 1);
            j = k + 1;
        }
        while (j < size && OneOf("-+ #0'", text[j]))
            ++j;
        // A width or a precision: "*" takes an int argument, digits take none.
        const auto skipCount = [&] {
            if (j < size && text[j] == '*') {
                args += "int,";
                ++j;
            }
            while (j < size && IsDigit(text[j]))
                ++j;
        };
        skipCount();
        if (j < size && text[j] == '.') {
            ++j;
            skipCount();
        }
        QByteArray length;
        while (j < size && OneOf("hlLqjzt", text[j]))
            length += text[j++];
        const char *kind = j < size ? KindOf(text[j]) : nullptr;
        if (kind == nullptr) {
            // Not a conversion: printed as it stands.
            i += 1;
            continue;
        }
        out += args + position + (length.isEmpty() ? QByteArray() : length + ':') + kind + ',';
        i = j + 1;
    }
    return out;
}
