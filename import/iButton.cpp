#include "import/iButton.h"

#include "i18n/TextLookup.h"

namespace {

// At least four upper-case digits of the value read as unsigned.
QString Hex4(qint32 value) {
    return QString::number(static_cast<quint32>(value), 16).toUpper().rightJustified(4, u'0');
}

[[noreturn]] void ThrowBadLength() {
    throw EIButtonBadLength(TextLookup("Bad MediaID length. Should be 8, 14 or 16 characters."));
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

quint8 PairValue(const QString &pair) {
    const int high = HexDigit(pair[0]);
    const int low = HexDigit(pair[1]);
    if (high < 0 || low < 0)
        throw EConvertError(
            QString::asprintf("'%s' is not a valid integer value", qUtf8Printable(u'$' + pair)));
    return static_cast<quint8>(high * 16 + low);
}

} // namespace

QString CardText(qint32 familyNumber, qint32 cardNumber) {
    const QString family = Hex4(familyNumber);
    const QString card = Hex4(cardNumber);
    return card.right(2) + card.left(2) + family.right(2) + family.left(2);
}

quint8 MediaIDCheckByte(const QString &text14) {
    if (text14.size() != 14)
        ThrowBadLength();
    // Local buffer: the function keeps no state between calls.
    quint8 bytes[7];
    for (int i = 0; i < 7; ++i)
        bytes[i] = PairValue(text14.mid((6 - i) * 2, 2));

    quint8 crc = 0;
    for (quint8 byte : bytes) {
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((crc ^ byte) & 1) != 0;
            crc >>= 1;
            if (mix)
                crc ^= 0x8C;
            byte >>= 1;
        }
    }
    return crc;
}

QString NormalizeMediaID(const QString &text, int kind) {
    // The length of the text as given counts: a full lower-casing can lengthen a text
    // (U+0130 becomes two characters), so each character is mapped on its own.
    if (text.size() != 8 && text.size() != 14 && text.size() != 16)
        ThrowBadLength();
    QString id = text;
    for (QChar &c : id)
        c = c.toLower();
    if (id.size() == 8)
        id =
            QStringLiteral("0000") + id + (kind == 0 ? QStringLiteral("01") : QStringLiteral("44"));
    if (id.size() == 14)
        id = QString::number(MediaIDCheckByte(id), 16).rightJustified(2, u'0') + id;
    return id;
}
