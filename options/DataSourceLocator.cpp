#include "DataSourceLocator.h"
#include "uDlgVIDataLink.h"

namespace {

class TOwnDataLinkPrompt : public IDataSourcePrompt {
public:
    bool PromptNew(QWidget *parent, QString &connectionString) override {
        return TDlgVIDataLink::Execute(parent, QString(), connectionString);
    }
    bool PromptEdit(QWidget *parent, QString &connectionString) override {
        return TDlgVIDataLink::Execute(parent, connectionString, connectionString);
    }
};

} // namespace

std::unique_ptr<IDataSourcePrompt> CreateOwnDataSourcePrompt() {
    return std::make_unique<TOwnDataLinkPrompt>();
}

TFallbackDataSourcePrompt::TFallbackDataSourcePrompt(std::unique_ptr<IDataSourcePrompt> preferred,
                                                     std::unique_ptr<IDataSourcePrompt> fallback)
    : m_preferred(std::move(preferred)), m_fallback(std::move(fallback)) {}

template <typename Call> bool TFallbackDataSourcePrompt::Prompt(Call call) {
    if (m_preferred) {
        try {
            return call(*m_preferred);
        } catch (const EPromptUnavailable &) {
            // Missing now means missing for the rest of the run: no second attempt.
            m_preferred.reset();
        }
    }
    return call(*m_fallback);
}

bool TFallbackDataSourcePrompt::PromptNew(QWidget *parent, QString &connectionString) {
    return Prompt([&](IDataSourcePrompt &p) { return p.PromptNew(parent, connectionString); });
}

bool TFallbackDataSourcePrompt::PromptEdit(QWidget *parent, QString &connectionString) {
    // The start string is kept for the fallback in case the preferred prompt fails midway.
    const QString start = connectionString;
    return Prompt([&](IDataSourcePrompt &p) {
        connectionString = start;
        return p.PromptEdit(parent, connectionString);
    });
}

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
