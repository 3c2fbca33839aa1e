#pragma once
// What the option dialogs share: their message boxes (replaceable, so
// that tests can see what would be shown) and the translation of their design texts.

#include <QFont>
#include <QMessageBox>
#include <functional>

using MessageBoxFn = std::function<void(QWidget *parent, QMessageBox::Icon icon,
                                        const QString &caption, const QString &text)>;
// A modal box with an OK button.
void ShowMessageBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                    const QString &text);

// Translates the design texts of a freshly built window (the first step of its creation).
void TranslateDesignTexts(QWidget *form);

// Fills the C format (looked up already) with UTF-8 arguments.
QString FormatText(const QString &format, const QString &argument);
