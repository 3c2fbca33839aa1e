// The locator's prompt where the platform has no data-link dialog: our own dialog.
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

std::unique_ptr<IDataSourcePrompt> CreatePlatformDataSourcePrompt() {
    return std::make_unique<TOwnDataLinkPrompt>();
}
