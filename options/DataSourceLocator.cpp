#include "DataSourceLocator.h"

TDataSourceLocator::TDataSourceLocator(QObject *owner)
    : TDataSourceLocator(CreatePlatformDataSourcePrompt(), owner) {}

TDataSourceLocator::TDataSourceLocator(std::unique_ptr<IDataSourcePrompt> prompt, QObject *owner)
    : QObject(owner), m_prompt(std::move(prompt)) {
    setObjectName(QStringLiteral("dl"));
}

TDataSourceLocator::~TDataSourceLocator() = default;

void TDataSourceLocator::SetPrompt(std::unique_ptr<IDataSourcePrompt> prompt) {
    m_prompt = std::move(prompt);
}

bool TDataSourceLocator::PromptNew(QWidget *parent) {
    // Emptied first, so that a failed or cancelled prompt never leaves an older result behind.
    m_connectionString.clear();
    QString result;
    if (!m_prompt->PromptNew(parent, result) || result.isEmpty())
        return false;
    m_connectionString = result;
    return true;
}

bool TDataSourceLocator::PromptEdit(QWidget *parent, const QString &start) {
    m_connectionString.clear();
    QString result = start;
    if (!m_prompt->PromptEdit(parent, result) || result.isEmpty())
        return false;
    m_connectionString = result;
    return true;
}
