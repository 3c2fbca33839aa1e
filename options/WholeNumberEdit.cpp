#include "WholeNumberEdit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

namespace {

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool IsSign(QChar c) {
    return c == u'+' || c == u'-';
}

} // namespace

TWholeNumberEdit::TWholeNumberEdit(QWidget *parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TWholeNumberEdit::SetBounds(qint64 minValue, qint64 maxValue) {
    m_min = minValue;
    m_max = maxValue;
}

void TWholeNumberEdit::SetText(const QString &text) {
    setText(text);
    Commit();
}

qint64 TWholeNumberEdit::Value() {
    Commit();
    return text().toLongLong();
}

qint64 TWholeNumberEdit::CommittedValue(const QString &text, qint64 minValue, qint64 maxValue) {
    // Keep only what may stand where it stands: digits anywhere, a sign only in front.
    QString clean;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (IsAsciiDigit(c) || (i == 0 && IsSign(c)))
            clean += c;
    }
    const bool negative = clean.startsWith(u'-');
    QString digits = clean;
    if (!digits.isEmpty() && IsSign(digits.front()))
        digits.remove(0, 1);
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);

    qint64 value = 0; // empty or only a sign counts as 0
    if (digits.size() > 15) {
        // Too long to read: the number lies beyond either bound.
        value = negative ? minValue : maxValue;
    } else if (!digits.isEmpty()) {
        value = digits.toLongLong();
        if (negative)
            value = -value;
    }
    return qBound(minValue, value, maxValue);
}

void TWholeNumberEdit::Commit() {
    const QString shown = QString::number(CommittedValue(text(), m_min, m_max));
    if (shown != text())
        setText(shown);
}

bool TWholeNumberEdit::AcceptsChar(QChar c) const {
    if (IsAsciiDigit(c))
        return true;
    if (!IsSign(c))
        return false;
    const int position = hasSelectedText() ? selectionStart() : cursorPosition();
    return position == 0 && (!text().contains(c) || hasSelectedText());
}

void TWholeNumberEdit::keyPressEvent(QKeyEvent *event) {
    if (event->matches(QKeySequence::Paste)) {
        QLineEdit::keyPressEvent(event);
        Commit();
        return;
    }
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && std::all_of(typed.begin(), typed.end(),
                                                           [](QChar c) { return c.isPrint(); });
    // Control keys (Backspace, Delete, arrows, shortcuts) always pass.
    if (!printable || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (typed.size() == 1 && AcceptsChar(typed.front())) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept(); // dropped
}

void TWholeNumberEdit::inputMethodEvent(QInputMethodEvent *event) {
    // Composed text is typing too: let only the characters through that typing would.
    QString kept;
    for (QChar c : event->commitString())
        if (IsAsciiDigit(c))
            kept += c;
    if (kept == event->commitString()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
}

void TWholeNumberEdit::focusOutEvent(QFocusEvent *event) {
    // A context menu opening is no leaving of the field.
    if (event->reason() != Qt::PopupFocusReason)
        Commit();
    QLineEdit::focusOutEvent(event);
}

void TWholeNumberEdit::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (QAction *paste = menu->findChild<QAction *>(QStringLiteral("edit-paste")))
        connect(paste, &QAction::triggered, this, &TWholeNumberEdit::Commit);
    menu->popup(event->globalPos());
}

void TWholeNumberEdit::mouseReleaseEvent(QMouseEvent *event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::MiddleButton) // the selection paste of X11
        Commit();
}

void TWholeNumberEdit::dropEvent(QDropEvent *event) {
    QLineEdit::dropEvent(event);
    Commit();
}
