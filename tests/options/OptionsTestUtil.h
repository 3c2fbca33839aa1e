#pragma once
// Doubles for the Options dialog's tests: a stored-value table that records its writes, and a
// connection-string prompt that answers as told and remembers how it was called.

#include "core/Exceptions.h"
#include "options/DataSourceLocator.h"
#include "settings/StoredValues.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class RecordingStoredValues : public StoredValueTable {
public:
    struct Write {
        QString name;
        QVariant value;
    };
    void WriteStoredValue(const QString &name, const QVariant &value) override {
        writes.append({name, value});
        StoredValueTable::WriteStoredValue(name, value);
    }
    QList<Write> writes;
};

struct PromptScript {
    enum class Answer { Confirm, Cancel, Throw, Unavailable };
    Answer answer = Answer::Confirm;
    QString give = QStringLiteral("Provider=SQLOLEDB;Data Source=picked");

    int newCalls = 0;
    int editCalls = 0;
    QString editStart;
    QWidget *parent = nullptr;
};

class FakePrompt : public IDataSourcePrompt {
public:
    explicit FakePrompt(std::shared_ptr<PromptScript> script) : m_script(std::move(script)) {}

    bool PromptNew(QWidget *parent, QString &connectionString) override {
        ++m_script->newCalls;
        return Answer(parent, connectionString);
    }
    bool PromptEdit(QWidget *parent, QString &connectionString) override {
        ++m_script->editCalls;
        m_script->editStart = connectionString;
        return Answer(parent, connectionString);
    }

private:
    bool Answer(QWidget *parent, QString &connectionString) {
        m_script->parent = parent;
        switch (m_script->answer) {
        case PromptScript::Answer::Confirm:
            connectionString = m_script->give;
            return true;
        case PromptScript::Answer::Cancel:
            return false;
        case PromptScript::Answer::Throw:
            throw Exception(QStringLiteral("Class not registered"));
        case PromptScript::Answer::Unavailable:
            connectionString = QStringLiteral("half-edited");
            throw EPromptUnavailable(QStringLiteral("Error 0x8002801D"));
        }
        return false;
    }
    std::shared_ptr<PromptScript> m_script;
};

// Runs act on the first visible modal dialog of type T once it is shown (polling, so that it
// also works for dialogs that a test starts with exec()).
template <typename T> void WhenShown(std::function<void(T *)> act, int attempts = 200) {
    QTimer::singleShot(10, [act, attempts] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *t = qobject_cast<T *>(w); t && t->isVisible()) {
                act(t);
                return;
            }
        if (attempts > 0)
            WhenShown<T>(act, attempts - 1);
    });
}
