#include "import/iButton.h"

#include <gtest/gtest.h>

namespace {

struct CardCase {
    qint32 family;
    qint32 card;
    const char *cardText;
    const char *mediaId; // kind 1, upper-cased as the import writes it
};

} // namespace

TEST(MediaID, CardTextAndKindOneIdentifier) {
    const CardCase cases[] = {
        {18, 13398, "56341200", "2000005634120044"},
        {0, 0, "00000000", "3300000000000044"},
        {255, 65535, "FFFFFF00", "C30000FFFFFF0044"},
        {1, 1, "01000100", "5500000100010044"},
        // Negative values give their two's-complement digits; middle digits of long values drop.
        {-1, -2, "FEFFFFFF", "3E0000FEFFFFFF44"},
        {0x7FFFFFFF, 0x7FFFFFFF, "FF7FFF7F", "A60000FF7FFF7F44"},
        {0x12345, 0x10000, "00104512", "0500000010451244"},
        {-2147483647 - 1, 5, "05000080", "EC00000500008044"},
    };
    for (const CardCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.family << "/" << c.card);
        const QString text = CardText(c.family, c.card);
        EXPECT_EQ(text.toStdString(), c.cardText);
        EXPECT_EQ(NormalizeMediaID(text, 1).toUpper().toStdString(), c.mediaId);
    }
}

TEST(MediaID, KindZeroUsesFamilyCodeZeroOne) {
    EXPECT_EQ(NormalizeMediaID("56341200", 0).toStdString(), "2e00005634120001");
    EXPECT_EQ(NormalizeMediaID("FFFFFF00", 0).toStdString(), "cd0000ffffff0001");
}

TEST(MediaID, FourteenAndSixteenDigitTexts) {
    EXPECT_EQ(MediaIDCheckByte("00000001b81c02"), 0xA2);
    EXPECT_EQ(MediaIDCheckByte("00000001B81C02"), 0xA2);
    EXPECT_EQ(NormalizeMediaID("00000001B81C02", 1).toStdString(), "a200000001b81c02");
    // A 16-digit text is only lower-cased, its check byte is not verified.
    EXPECT_EQ(NormalizeMediaID("A200000001B81C02", 1).toStdString(), "a200000001b81c02");
    EXPECT_EQ(NormalizeMediaID("FF00000001B81C02", 0).toStdString(), "ff00000001b81c02");
    // Lower-case result, with a leading zero digit kept.
    EXPECT_EQ(NormalizeMediaID("0500000010451244", 1).toStdString(), "0500000010451244");
    EXPECT_EQ(NormalizeMediaID("00000010451244", 1).toStdString(), "0500000010451244");
}

TEST(MediaID, BadLengthsThrowWithTheirMessage) {
    for (const char *text :
         {"", "1234567", "123456789", "123456789012", "123456789012345", "12345678901234567",
          // U+0130 lower-cases to two characters: the length before any case change counts.
          "\u0130234567", "\u013023456789012345"}) {
        SCOPED_TRACE(text);
        try {
            NormalizeMediaID(QString::fromUtf8(text), 1);
            ADD_FAILURE() << "no exception";
        } catch (const EIButtonBadLength &e) {
            EXPECT_STREQ(e.what(), "Bad MediaID length. Should be 8, 14 or 16 characters.");
        }
    }
}

TEST(MediaID, NonHexPairsThrowConversionError) {
    const struct {
        const char *text;
        const char *message;
    } cases[] = {
        {"0000000g", "'$0g' is not a valid integer value"}, // 8 digits: pair after the prefix
        {"00000001b81cx2", "'$x2' is not a valid integer value"},
        {"zz000001b81c02", "'$zz' is not a valid integer value"},
        {"00000 01b81c02", "'$0 ' is not a valid integer value"},
        {"-1000001b81c02", "'$-1' is not a valid integer value"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        try {
            NormalizeMediaID(QString::fromLatin1(c.text), 1);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError &e) {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    // A 16-digit text is not converted, so non-hex digits pass unchecked.
    EXPECT_EQ(NormalizeMediaID("XX00000001B81C02", 1).toStdString(), "xx00000001b81c02");
}
