// The minutes field: what typing lets through, and what committing makes of the text.
#include "options/WholeNumberEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class WholeNumberEditTest : public ::testing::Test {
protected:
    WholeNumberEditTest() {
        edit.SetBounds(1, 999999);
        edit.setText(QString());
    }

    void LoseFocus(Qt::FocusReason reason = Qt::TabFocusReason) {
        QFocusEvent event(QEvent::FocusOut, reason);
        QApplication::sendEvent(&edit, &event);
    }
    void Paste(const QString &text) {
        QApplication::clipboard()->setText(text);
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    }

    TWholeNumberEdit edit;
};

} // namespace

TEST_F(WholeNumberEditTest, CommittedValueCleansReadsAndClamps) {
    const struct {
        const char *text;
        qint64 value;
    } cases[] = {
        {"+5", 5},
        {"007", 7},
        {"12a3", 123},
        {"1000000", 999999},
        {"999999", 999999},
        {"", 1},
        {"0", 1},
        {"-", 1},
        {"+", 1},
        {"-5", 1},
        {"a-5", 5},
        {"5-", 5},
        {"1-2+3", 123},
        {"99999999999999999999999", 999999},
        {"-99999999999999999999", 1},
        {"00000000000000000000042", 42},
        {" 42 ", 42},
        {"\xd9\xa3", 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(TWholeNumberEdit::CommittedValue(QString::fromUtf8(c.text), 1, 999999), c.value)
            << c.text;
}

TEST_F(WholeNumberEditTest, SettingFromOutsideCommits) {
    edit.SetText(QStringLiteral("0"));
    EXPECT_EQ(edit.text(), QStringLiteral("1"));
    edit.SetValue(1000000);
    EXPECT_EQ(edit.text(), QStringLiteral("999999"));
    edit.SetText(QStringLiteral("+5"));
    EXPECT_EQ(edit.text(), QStringLiteral("5"));
    edit.SetText(QStringLiteral("1099511627776"));
    EXPECT_EQ(edit.Value(), 999999);
    EXPECT_EQ(edit.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
}

TEST_F(WholeNumberEditTest, TypingDropsLettersAndMisplacedSigns) {
    QTest::keyClicks(&edit, QStringLiteral("1a2 b3.,"));
    EXPECT_EQ(edit.text(), QStringLiteral("123"));

    // A sign goes in only in front, and only once.
    QTest::keyClicks(&edit, QStringLiteral("-+"));
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    edit.home(false);
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("-123"));
    edit.home(false);
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("-123"));
    // ...unless a selection is replaced by it.
    edit.setSelection(0, 1);
    QTest::keyClicks(&edit, QStringLiteral("-"));
    EXPECT_EQ(edit.text(), QStringLiteral("-123"));
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("+"));
    EXPECT_EQ(edit.text(), QStringLiteral("+"));
    // Digits are always accepted, even in front of a sign; committing sorts it out.
    edit.home(false);
    QTest::keyClicks(&edit, QStringLiteral("7"));
    EXPECT_EQ(edit.text(), QStringLiteral("7+"));
    LoseFocus();
    EXPECT_EQ(edit.text(), QStringLiteral("7"));
}

TEST_F(WholeNumberEditTest, ControlKeysPass) {
    edit.setText(QStringLiteral("1234"));
    edit.end(false);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    edit.home(false);
    QTest::keyClick(&edit, Qt::Key_Delete);
    EXPECT_EQ(edit.text(), QStringLiteral("23"));
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit.selectedText(), QStringLiteral("23"));
}

TEST_F(WholeNumberEditTest, LosingFocusCommits) {
    QTest::keyClicks(&edit, QStringLiteral("1000000"));
    EXPECT_EQ(edit.text(), QStringLiteral("1000000"));
    LoseFocus();
    EXPECT_EQ(edit.text(), QStringLiteral("999999"));

    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QString());
    LoseFocus(Qt::ActiveWindowFocusReason);
    EXPECT_EQ(edit.text(), QStringLiteral("1"));

    // A context menu opening does not leave the field.
    edit.setText(QStringLiteral("007"));
    LoseFocus(Qt::PopupFocusReason);
    EXPECT_EQ(edit.text(), QStringLiteral("007"));
}

TEST_F(WholeNumberEditTest, PasteCommits) {
    Paste(QStringLiteral("12a3"));
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    edit.selectAll();
    Paste(QStringLiteral("1000000"));
    EXPECT_EQ(edit.text(), QStringLiteral("999999"));
    edit.selectAll();
    Paste(QStringLiteral("abc"));
    EXPECT_EQ(edit.text(), QStringLiteral("1"));
}
