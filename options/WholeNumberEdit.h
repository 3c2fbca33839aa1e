#pragma once
// A one-line field that holds a whole number between two bounds, right-aligned.
// Typing lets only digits and a leading sign through; the text is committed (cleaned, read,
// clamped and shown in plain decimal) after a paste, when set from outside and on focus loss.

#include <QLineEdit>

class TWholeNumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TWholeNumberEdit(QWidget *parent = nullptr);

    void SetBounds(qint64 minValue, qint64 maxValue);
    qint64 MinValue() const { return m_min; }
    qint64 MaxValue() const { return m_max; }

    // Sets the text from outside and commits it.
    void SetText(const QString &text);
    void SetValue(qint64 value) { SetText(QString::number(value)); }
    // The committed text read as a number (commits first, as leaving the field would).
    qint64 Value();

    // Cleans, reads, clamps and shows the text.
    void Commit();

    // Whether a typed character may go in at the current cursor and selection.
    bool AcceptsChar(QChar c) const;
    // The number a text commits to within the bounds.
    static qint64 CommittedValue(const QString &text, qint64 minValue, qint64 maxValue);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    qint64 m_min = 1;
    qint64 m_max = 999999;
};
