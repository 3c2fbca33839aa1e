#include "i18n/ExclusionRegistry.h"

#include "core/Exceptions.h"

#include <QMetaObject>

ExclusionRegistry::ExclusionRegistry() {
    IgnoreClassProperty(QStringLiteral("QObject"), QStringLiteral("objectName"));
    // The current text of a combo box is one of its items, which are translated as items.
    IgnoreClassProperty(QStringLiteral("QComboBox"), QStringLiteral("currentText"));
    // The document behind a memo, as markup; the memo's own lines are translated instead.
    IgnoreClass(QStringLiteral("QWidgetTextControl"));
}

ExclusionRegistry::Entry *ExclusionRegistry::Find(const QString &className) {
    for (Entry &entry : m_entries)
        if (entry.className == className)
            return &entry;
    return nullptr;
}

const ExclusionRegistry::Entry *ExclusionRegistry::Find(const QString &className) const {
    for (const Entry &entry : m_entries)
        if (entry.className == className)
            return &entry;
    return nullptr;
}

void ExclusionRegistry::IgnoreClass(const QString &className) {
    if (Find(className))
        throw Exception(
            QStringLiteral("You cannot add a class to the ignore list that is already on that "
                           "list: %1. You should keep all TP_Global functions in one place in "
                           "your source code.")
                .arg(className));
    m_entries.append(Entry{className, true, {}});
}

void ExclusionRegistry::IgnoreClassProperty(const QString &className, const QString &propertyName) {
    Entry *entry = Find(className);
    if (!entry) {
        m_entries.append(Entry{className, false, {}});
        entry = &m_entries.last();
    }
    entry->properties.insert(propertyName.toUpper());
}

bool ExclusionRegistry::IsClassExcluded(const QString &className) const {
    const Entry *entry = Find(className);
    return entry && entry->wholeClass;
}

bool ExclusionRegistry::IsClassExcluded(const QMetaObject *metaObject) const {
    for (const QMetaObject *mo = metaObject; mo; mo = mo->superClass())
        if (IsClassExcluded(QString::fromLatin1(mo->className())))
            return true;
    return false;
}

QSet<QString> ExclusionRegistry::ExcludedProperties(const QString &className) const {
    const Entry *entry = Find(className);
    return entry ? entry->properties : QSet<QString>();
}

QSet<QString> ExclusionRegistry::ExcludedProperties(const QMetaObject *metaObject) const {
    QSet<QString> names;
    for (const QMetaObject *mo = metaObject; mo; mo = mo->superClass())
        names.unite(ExcludedProperties(QString::fromLatin1(mo->className())));
    return names;
}

ExclusionRegistry &ProcessExclusions() {
    static ExclusionRegistry registry;
    return registry;
}

void TP_GlobalIgnoreClass(const QString &className) {
    ProcessExclusions().IgnoreClass(className);
}

void TP_GlobalIgnoreClassProperty(const QString &className, const QString &propertyName) {
    ProcessExclusions().IgnoreClassProperty(className, propertyName);
}

void RegisterProgramExclusions(ExclusionRegistry &registry) {
    // Holders of technical strings and font descriptions: nothing in them is user-visible.
    registry.IgnoreClass(QStringLiteral("QStringListModel"));
    registry.IgnoreClass(QStringLiteral("QFont"));
    // Technical text properties of the widgets.
    registry.IgnoreClassProperty(QStringLiteral("QWidget"), QStringLiteral("styleSheet"));
    registry.IgnoreClassProperty(QStringLiteral("QWidget"), QStringLiteral("windowFilePath"));
    registry.IgnoreClassProperty(QStringLiteral("QLineEdit"), QStringLiteral("inputMask"));
    registry.IgnoreClassProperty(QStringLiteral("QDateTimeEdit"), QStringLiteral("displayFormat"));
    // The same document as plainText in markup; the plain text is translated line by line.
    registry.IgnoreClassProperty(QStringLiteral("QTextEdit"), QStringLiteral("html"));
    registry.IgnoreClassProperty(QStringLiteral("QTextEdit"), QStringLiteral("markdown"));
    registry.IgnoreClassProperty(QStringLiteral("QTextBrowser"), QStringLiteral("searchPaths"));
    // Database objects: connection strings, SQL texts and parameters.
    for (const char *name : {"TADOConnection", "TADOConnectionMSSQL", "TADOQuery", "TADOTable",
                             "TADODataSet", "TADOCommand", "TADOStoredProc"})
        registry.IgnoreClass(QString::fromLatin1(name));
    // The connection-string prompt holds connection strings.
    registry.IgnoreClass(QStringLiteral("TDataSourceLocator"));
    registry.IgnoreClass(QStringLiteral("QWebEngineView"));
}

void RegisterProgramExclusions() {
    RegisterProgramExclusions(ProcessExclusions());
}
