#pragma once
// A push button that takes caption, enabled state and click from a command (QAction),
// as tool buttons do by themselves.

class QAction;
class QPushButton;

void BindButtonToAction(QPushButton *button, QAction *action);
