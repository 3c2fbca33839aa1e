#pragma once
// The printf conversions of a text, for telling whether a translation can stand in for its key
// as a format: the arguments are passed for the key's conversions, so a translation that asks
// for other ones (another number, order or kind) would read them wrongly or crash.

#include <QByteArray>

// One entry per argument the text takes, in order: "int", "uint", "double", "char", "str",
// "ptr", "count", each with its length modifier ("l:int", "ll:uint"), a "*" width or precision
// as "int", and a positional "%2$d" as "2$int". "%%" takes none. Anything after a "%" that is
// not a complete conversion takes none either: it is printed, not read.
QByteArray PrintfConversions(const QByteArray &text);

// Both texts take the same arguments.
inline bool SameConversions(const QByteArray &key, const QByteArray &translation) {
    return PrintfConversions(key) == PrintfConversions(translation);
}
