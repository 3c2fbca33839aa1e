#include "import/VantrelDatabases.h"

#include <QStringList>

QString EmployeesQueryText() {
    return QStringList{
        QStringLiteral("select"),
        QStringLiteral("    t1.UserID,"),
        QStringLiteral("    t1.LastName,"),
        QStringLiteral("    t1.FirstName,"),
        QStringLiteral("    t2.[Start Date] as StartDate,"),
        QStringLiteral("    t2.[Family Number] as FamilyNumber,"),
        QStringLiteral("    t2.[Card Number] as CardNumber,"),
        QStringLiteral("    t2.CardNumHex"),
        QStringLiteral("from Users t1"),
        QStringLiteral("join Cards t2 on"),
        QStringLiteral("    t2.UserID = t1.UserID"),
        QStringLiteral("    and"),
        QStringLiteral("    t2.[Start Date] = ("),
        QStringLiteral("        select max(t3.[Start Date])"),
        QStringLiteral("        from Cards t3"),
        QStringLiteral("        where t3.UserID = t1.UserID"),
        QStringLiteral("    )"),
        QStringLiteral("order by"),
        QStringLiteral("    t1.UserID"),
    }
        .join(QStringLiteral("\r\n"));
}

QString EventsQueryText() {
    return QStringList{
        QStringLiteral("declare @EventIDLast integer"),
        QStringLiteral("declare @EventTypeMin integer"),
        QStringLiteral("declare @EventTypeMax integer"),
        QString(),
        QStringLiteral("set @EventIDLast = :pEventIDLast"),
        QStringLiteral("set @EventTypeMin = :pEventTypeMin"),
        QStringLiteral("set @EventTypeMax = :pEventTypeMax"),
        QString(),
        QStringLiteral("select"),
        QStringLiteral("    Events.[Event ID] as EventID,"),
        QStringLiteral("    Events.Data1 as CardNumber,"),
        QStringLiteral("    Events.Data2 as IDHACT,"),
        QStringLiteral("    Events.[Field Time] as FieldTime,"),
        QStringLiteral("    ([Record Names].Address - Events.Data2) / 8 as TermID"),
        QStringLiteral("from Events"),
        QStringLiteral(
            "join [Record Names] on [Record Names].[Record Name ID] = Events.[Record Name ID]"),
        QStringLiteral("where"),
        QStringLiteral("    Events.[Event ID] > @EventIDLast"),
        QStringLiteral("    and"),
        QStringLiteral("    Events.[Event Type] between @EventTypeMin and @EventTypeMax"),
        QStringLiteral("order by"),
        QStringLiteral("    Events.[Event ID]"),
    }
        .join(QStringLiteral("\r\n"));
}

QList<TFieldDef> EmployeesQueryFields() {
    return {
        {QStringLiteral("UserID"), QStringLiteral("AutoInc")},
        {QStringLiteral("LastName"), QStringLiteral("WideString"), 50},
        {QStringLiteral("FirstName"), QStringLiteral("WideString"), 50},
        {QStringLiteral("StartDate"), QStringLiteral("DateTime")},
        {QStringLiteral("FamilyNumber"), QStringLiteral("BCD"), 0, 18, 0},
        {QStringLiteral("CardNumber"), QStringLiteral("BCD"), 0, 18, 0},
        {QStringLiteral("CardNumHex"), QStringLiteral("WideString"), 10},
    };
}

QList<TFieldDef> EventsQueryFields() {
    return {
        {QStringLiteral("EventID"), QStringLiteral("Integer")},
        {QStringLiteral("CardNumber"), QStringLiteral("Integer")},
        {QStringLiteral("IDHACT"), QStringLiteral("Integer")},
        {QStringLiteral("FieldTime"), QStringLiteral("DateTime")},
        {QStringLiteral("TermID"), QStringLiteral("Integer")},
    };
}

VantrelDatabases::VantrelDatabases(QObject *owner)
    : QObject(owner),
      m_connVantrelMain(std::make_unique<TADOConnectionMSSQL>(QStringLiteral("connVantrelMain"))),
      m_connVantrelEvents(
          std::make_unique<TADOConnectionMSSQL>(QStringLiteral("connVantrelEvents"))),
      m_connHarrowby(std::make_unique<TADOConnectionMSSQL>(QStringLiteral("connHarrowby"))),
      m_qryVantrelMain(
          std::make_unique<TADOQuery>(QStringLiteral("qryVantrelMain"), *m_connVantrelMain)),
      m_qryVantrelEvents(
          std::make_unique<TADOQuery>(QStringLiteral("qryVantrelEvents"), *m_connVantrelEvents)) {
    setObjectName(QStringLiteral("VantrelDatabases"));
    m_qryVantrelMain->SetSQL(EmployeesQueryText());
    for (const TFieldDef &field : EmployeesQueryFields())
        m_qryVantrelMain->AddField(field);
    m_qryVantrelEvents->SetSQL(EventsQueryText());
    for (const TFieldDef &field : EventsQueryFields())
        m_qryVantrelEvents->AddField(field);
}

VantrelDatabases::~VantrelDatabases() = default;

ImportDatabases VantrelDatabases::Databases() {
    return ImportDatabases{*m_connVantrelMain, *m_connVantrelEvents, *m_connHarrowby,
                           *m_qryVantrelMain, *m_qryVantrelEvents};
}
