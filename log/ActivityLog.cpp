#include "log/ActivityLog.h"

#include "i18n/TextLookup.h"
#include "settings/StoredValues.h"

ActivityLog::ActivityLog(IStoredValues &values, Clock clock, QObject *parent)
    : QAbstractTableModel(parent), m_values(values), m_clock(std::move(clock)) {}

QString ActivityLog::FormatTime(const QDateTime &time) {
    return time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString ActivityLog::Description(const QString &text, LogEntryKind kind) {
    switch (kind) {
    case LogEntryKind::Error:
        return TextLookup("!!! ERROR !!! ") + text;
    case LogEntryKind::Warning:
        return TextLookup("! WARNING ! ") + text;
    case LogEntryKind::Information:
        break;
    }
    return text;
}

qint64 ActivityLog::LogLinesMax() const {
    return m_values.ReadStoredValue(QStringLiteral("LogLinesMax")).toLongLong();
}

int ActivityLog::AddLogEntry(const QString &text, LogEntryKind kind) {
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append({FormatTime(m_clock()), Description(text, kind)});
    endInsertRows();

    // The limit is read again for every comparison; a negative limit (hand-edited file)
    // empties the list rather than looping on an empty one.
    int removed = 0;
    while (!m_rows.isEmpty() && m_rows.size() > LogLinesMax()) {
        beginRemoveRows(QModelIndex(), 0, 0);
        m_rows.removeFirst();
        endRemoveRows();
        ++removed;
    }
    const int newIndex = row - removed;
    return newIndex >= 0 ? newIndex : -1;
}

int ActivityLog::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ActivityLog::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ActivityLog::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Row &r = m_rows.at(index.row());
    return index.column() == ColTime ? r.time : r.description;
}

QVariant ActivityLog::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    if (section == ColTime)
        return m_timeHeading;
    if (section == ColDescription)
        return m_descriptionHeading;
    return {};
}

void ActivityLog::SetTimeHeading(const QString &text) {
    m_timeHeading = text;
    emit headerDataChanged(Qt::Horizontal, ColTime, ColTime);
}

void ActivityLog::SetDescriptionHeading(const QString &text) {
    m_descriptionHeading = text;
    emit headerDataChanged(Qt::Horizontal, ColDescription, ColDescription);
}

Qt::ItemFlags ActivityLog::flags(const QModelIndex &index) const {
    // Read-only rows.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
                           : Qt::NoItemFlags;
}
