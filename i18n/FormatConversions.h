#pragma once
// The arguments that QString::asprintf reads for a text, for telling whether a translation can
// stand in for its key as a format: the arguments are passed for the key's conversions, so a
// translation that reads others (another number, order, kind or size) would misread them or
// crash.

#include <QByteArray>

// One entry per argument, in the order asprintf reads them, each followed by ",": what the
// value is shown as and the type it is read as. Signed "int", "long", "qint64", "qsizetype";
// unsigned "uint", "ulong", "quint64", "size_t"; "double", "long double"; "char"; "str"
// (UTF-8), "ustr" (UTF-16); "ptr"; "count" for a "%n", which writes through its argument.
// A "*" width or precision reads an "int" as soon as it is met, even when no complete
// conversion follows. The text is read as asprintf reads it: up to its first NUL, with the
// length modifiers hh h l ll L j z Z t, and without positions ("%1$d" is printed as it stands).
QByteArray PrintfConversions(const QByteArray &text);

// Both texts read the same arguments, and neither writes through one.
bool SameConversions(const QByteArray &key, const QByteArray &translation);
