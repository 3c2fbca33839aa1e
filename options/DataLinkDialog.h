#pragma once
// The operating system's data-link dialog (Windows only: CoDataLinks / IDataSourceLocator,
// and an ADO Connection for editing). Qt-free; platform failures are thrown as
// std::runtime_error with the platform's description in UTF-8.

#include <stdexcept>
#include <string>

// The dialog's components cannot be created on this system (not installed or not registered,
// as under Wine); nothing was shown.
class DataLinkUnavailable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows the dialog for a new connection. False when the user cancelled or no string came back.
bool DataLinkPromptNew(void *parentWindow, std::wstring &connectionString);
// Shows the dialog filled from connectionString; on true it holds the edited string.
bool DataLinkPromptEdit(void *parentWindow, std::wstring &connectionString);
