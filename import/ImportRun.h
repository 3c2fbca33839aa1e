#pragma once
// One import run: department, employees with their media identifiers, registrations.

#include "core/ProgramState.h"
#include "import/DbInterfaces.h"
#include "import/ImportHost.h"
#include "settings/StoredValues.h"

#include <QString>

// The five database objects the run works with (owned elsewhere: the main window, or a test).
struct ImportDatabases {
    IConnection &connVantrelMain;
    IConnection &connVantrelEvents;
    IConnection &connHarrowby;
    IQuery &qryVantrelMain;   // on connVantrelMain, the employees query
    IQuery &qryVantrelEvents; // on connVantrelEvents, the events query
};

class ImportRun {
public:
    ImportRun(ImportDatabases databases, IStoredValues &values, ProgramState &state,
              IImportHost &host);
    // Runs one import; returns at once when a run is already in progress or the database
    // layer is ending.
    void Run();

private:
    void CloseAll();
    QString Text(const char *name) const;
    void Import(); // everything between opening and closing; a failure ends it
    void ImportEmployees(const QString &depId);
    void ImportRegistrations();

    ImportDatabases m_db;
    IStoredValues &m_values;
    ProgramState &m_state;
    IImportHost &m_host;
};
