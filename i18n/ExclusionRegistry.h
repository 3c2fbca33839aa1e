#pragma once
// Classes and properties that window translation never touches, keyed by class name. An entry
// applies to the named class and to every class derived from it.

#include <QList>
#include <QSet>
#include <QString>

struct QMetaObject;

class ExclusionRegistry {
public:
    // Registers the translation layer's own entries (object names, texts that only mirror
    // others: a combo box's current item, a memo's document).
    ExclusionRegistry();

    // The whole class: never translated, never walked into. Throws Exception when the class
    // already has an entry of either kind.
    void IgnoreClass(const QString &className);
    // One property of the class (stored upper-cased, compared without regard to case).
    void IgnoreClassProperty(const QString &className, const QString &propertyName);

    // The class or one of its ancestors is excluded as a whole.
    bool IsClassExcluded(const QMetaObject *metaObject) const;
    // For things that are not QObjects (list items): the name alone.
    bool IsClassExcluded(const QString &className) const;
    // Upper-cased names excluded for the class and its ancestors.
    QSet<QString> ExcludedProperties(const QMetaObject *metaObject) const;
    QSet<QString> ExcludedProperties(const QString &className) const;

private:
    struct Entry {
        QString className;
        bool wholeClass = false;
        QSet<QString> properties;
    };
    Entry *Find(const QString &className);
    const Entry *Find(const QString &className) const;

    QList<Entry> m_entries;
};

// The registry used by window translation in the program.
ExclusionRegistry &ProcessExclusions();

// Registration in the process-wide registry.
void TP_GlobalIgnoreClass(const QString &className);
void TP_GlobalIgnoreClassProperty(const QString &className, const QString &propertyName);
template <class T> void TP_GlobalIgnoreClass() {
    TP_GlobalIgnoreClass(QString::fromLatin1(T::staticMetaObject.className()));
}

// The program's own exclusions: database objects, connection-string holders, fonts and the
// technical text properties of the widgets. Called once at start-up, before the first window.
void RegisterProgramExclusions(ExclusionRegistry &registry);
void RegisterProgramExclusions();
