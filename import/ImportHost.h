#pragma once
// What the import run reports to whoever hosts it (the main window in the program).

#include "log/LogKind.h"
#include <QString>

class IImportHost {
public:
    virtual ~IImportHost() = default;
    virtual void AddLogEntry(const QString &text, LogEntryKind kind) = 0;
    virtual void ShowInformationNotification(const QString &text) = 0;
    virtual void ShowErrorNotification(const QString &text) = 0;
};
