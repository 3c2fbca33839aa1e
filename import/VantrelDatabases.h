#pragma once
// The three connections and two source queries of the program, configured and owned together.
// The import run reaches them through Databases().

#include "import/ADOConnectionMSSQL.h"
#include "import/ImportRun.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

// Lines joined by "\r\n", as the server has always received them.
QString EmployeesQueryText();
QString EventsQueryText();
// The declared result fields, in order.
QList<TFieldDef> EmployeesQueryFields();
QList<TFieldDef> EventsQueryFields();

// Owned by `owner` (the main window): destroyed with it, queries before their connections.
// Everything starts closed with empty connection strings; nothing connects before a run.
class VantrelDatabases : public QObject {
public:
    explicit VantrelDatabases(QObject *owner);
    ~VantrelDatabases() override;

    ImportDatabases Databases();

    TADOConnectionMSSQL &connVantrelMain() { return *m_connVantrelMain; }
    TADOConnectionMSSQL &connVantrelEvents() { return *m_connVantrelEvents; }
    TADOConnectionMSSQL &connHarrowby() { return *m_connHarrowby; }
    TADOQuery &qryVantrelMain() { return *m_qryVantrelMain; }
    TADOQuery &qryVantrelEvents() { return *m_qryVantrelEvents; }

private:
    // Declaration order is destruction order reversed: queries go first.
    std::unique_ptr<TADOConnectionMSSQL> m_connVantrelMain;
    std::unique_ptr<TADOConnectionMSSQL> m_connVantrelEvents;
    std::unique_ptr<TADOConnectionMSSQL> m_connHarrowby;
    std::unique_ptr<TADOQuery> m_qryVantrelMain;
    std::unique_ptr<TADOQuery> m_qryVantrelEvents;
};
