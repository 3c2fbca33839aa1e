#pragma once
// Media identifiers in the layout of a 1-Wire registration number: check byte, 48-bit serial
// number, family code; 16 hexadecimal digits, most significant byte first.

#include "core/Exceptions.h"

#include <QString>
#include <QtGlobal>

// A media identifier text of a length other than 8, 14 or 16.
class EIButtonBadLength : public Exception {
public:
    using Exception::Exception;
};

// The 8 upper-case hexadecimal digits of a card: card number then family number, each as its
// low byte followed by its high byte (the middle digits of a value above 0xFFFF are dropped).
QString CardText(qint32 familyNumber, qint32 cardNumber);

// 8, 14 or 16 hexadecimal digits -> 16 lower-case digits. An 8-digit card text gets the
// family code of the kind (0: "01", otherwise "44") and a zero high serial; a 14-digit text
// gets its check byte in front; a 16-digit text is only lower-cased (its check byte is not
// verified). Throws EIButtonBadLength, or EConvertError for a pair that is not hexadecimal.
QString NormalizeMediaID(const QString &text, int kind);

// The 1-Wire CRC-8 (x^8 + x^5 + x^4 + 1, least significant bit first) of the seven bytes of a
// 14-digit text, taken from the last pair to the first.
quint8 MediaIDCheckByte(const QString &text14);
