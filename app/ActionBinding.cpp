#include "app/ActionBinding.h"

#include <QAction>
#include <QPushButton>

void BindButtonToAction(QPushButton *button, QAction *action) {
    const auto follow = [button, action] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
        button->setVisible(action->isVisible());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QPushButton::clicked, action, [action] {
        // A command disabled since the button was last drawn does not run.
        if (action->isEnabled())
            action->trigger();
    });
}
