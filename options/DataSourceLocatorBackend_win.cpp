// The locator's prompt on Windows: the operating system's data-link dialog, and our own dialog
// where the system cannot create it.
#include "DataLinkDialog.h"
#include "DataSourceLocator.h"

#include "core/Exceptions.h"

#include <QWidget>
#include <stdexcept>

namespace {

class TDataLinkPrompt : public IDataSourcePrompt {
public:
    bool PromptNew(QWidget *parent, QString &connectionString) override {
        std::wstring text;
        const bool ok = Call([&] { return DataLinkPromptNew(Handle(parent), text); });
        if (ok)
            connectionString = QString::fromStdWString(text);
        return ok;
    }

    bool PromptEdit(QWidget *parent, QString &connectionString) override {
        std::wstring text = connectionString.toStdWString();
        const bool ok = Call([&] { return DataLinkPromptEdit(Handle(parent), text); });
        if (ok)
            connectionString = QString::fromStdWString(text);
        return ok;
    }

private:
    static void *Handle(QWidget *parent) {
        return parent ? reinterpret_cast<void *>(parent->window()->winId()) : nullptr;
    }

    template <typename F> static bool Call(F f) {
        try {
            return f();
        } catch (const DataLinkUnavailable &e) {
            throw EPromptUnavailable(QString::fromUtf8(e.what()));
        } catch (const std::runtime_error &e) {
            throw Exception(QString::fromUtf8(e.what()));
        }
    }
};

} // namespace

std::unique_ptr<IDataSourcePrompt> CreatePlatformDataSourcePrompt() {
    return std::make_unique<TFallbackDataSourcePrompt>(std::make_unique<TDataLinkPrompt>(),
                                                       CreateOwnDataSourcePrompt());
}
