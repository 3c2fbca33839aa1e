// The locator's prompt where the platform has no data-link dialog: our own dialog.
#include "DataSourceLocator.h"

std::unique_ptr<IDataSourcePrompt> CreatePlatformDataSourcePrompt() {
    return CreateOwnDataSourcePrompt();
}
