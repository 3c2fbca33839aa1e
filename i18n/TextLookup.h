#pragma once
// Text lookup in the text domain "default", with the English text as the key.
// Formats are looked up first and filled in afterwards by the caller.

#include <QString>

QString TextLookup(const QString &english);
inline QString TextLookup(const char *english) {
    return TextLookup(QString::fromUtf8(english));
}
