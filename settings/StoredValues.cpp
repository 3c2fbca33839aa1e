#include "settings/StoredValues.h"

QVariant StoredValueDef::Default() const {
    const QString text = QString::fromUtf8(defaultValue);
    switch (kind) {
    case StoredValueKind::Integer:
        return QVariant(text.toInt());
    case StoredValueKind::Boolean:
        return QVariant(text == QLatin1String("TRUE"));
    case StoredValueKind::Text:
        break;
    }
    return QVariant(text);
}

StoredValueTable::StoredValueTable() {
    for (const StoredValueDef &def : kStoredValueTable)
        m_entries.append({QString::fromUtf8(def.name), def.Default()});
}

qsizetype StoredValueTable::IndexOf(const QString &name) const {
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant StoredValueTable::ReadStoredValue(const QString &name) const {
    const qsizetype i = IndexOf(name);
    return i < 0 ? QVariant() : m_entries[i].value;
}

void StoredValueTable::WriteStoredValue(const QString &name, const QVariant &value) {
    const qsizetype i = IndexOf(name);
    if (i < 0)
        m_entries.append({name, value});
    else
        m_entries[i].value = value;
}
