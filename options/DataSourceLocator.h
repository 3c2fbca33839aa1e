#pragma once
// TDataSourceLocator: builds a new connection string or edits an existing one in a modal
// prompt, and holds the result until it is asked for it.

#include "core/Exceptions.h"

#include <QObject>
#include <QString>
#include <memory>

class QWidget;

// The prompt behind the locator: the platform's data-link dialog where there is one,
// our own dialog elsewhere. Both calls return true only when the user confirmed;
// failures of the platform are thrown as Exception.
class IDataSourcePrompt {
public:
    virtual ~IDataSourcePrompt() = default;
    virtual bool PromptNew(QWidget *parent, QString &connectionString) = 0;
    // connectionString holds the start string and, on true, the edited one.
    virtual bool PromptEdit(QWidget *parent, QString &connectionString) = 0;
};

// The platform's prompt cannot be shown on this system at all (its component is not installed
// or not registered), as opposed to failing while it is shown.
class EPromptUnavailable : public Exception {
public:
    using Exception::Exception;
};

// Shows the preferred prompt; once that turns out to be unavailable, shows the fallback
// instead, for that call and every later one.
class TFallbackDataSourcePrompt : public IDataSourcePrompt {
public:
    TFallbackDataSourcePrompt(std::unique_ptr<IDataSourcePrompt> preferred,
                              std::unique_ptr<IDataSourcePrompt> fallback);
    bool PromptNew(QWidget *parent, QString &connectionString) override;
    bool PromptEdit(QWidget *parent, QString &connectionString) override;

private:
    template <typename Call> bool Prompt(Call call);

    std::unique_ptr<IDataSourcePrompt> m_preferred;
    std::unique_ptr<IDataSourcePrompt> m_fallback;
};

// The program's own connection dialog, the prompt wherever the platform has none.
std::unique_ptr<IDataSourcePrompt> CreateOwnDataSourcePrompt();

// The prompt of this platform (one unit per platform).
std::unique_ptr<IDataSourcePrompt> CreatePlatformDataSourcePrompt();

class TDataSourceLocator : public QObject {
    Q_OBJECT
public:
    explicit TDataSourceLocator(QObject *owner = nullptr);
    TDataSourceLocator(std::unique_ptr<IDataSourcePrompt> prompt, QObject *owner = nullptr);
    ~TDataSourceLocator() override;

    // True when the user confirmed and a connection string was obtained.
    bool PromptNew(QWidget *parent);
    bool PromptEdit(QWidget *parent, const QString &start);
    // The result of the last prompt if it returned true, otherwise empty.
    QString ConnectionString() const { return m_connectionString; }

    void SetPrompt(std::unique_ptr<IDataSourcePrompt> prompt);

private:
    std::unique_ptr<IDataSourcePrompt> m_prompt;
    QString m_connectionString;
};
