#pragma once
// The activity log: rows of time and description, oldest first, bounded by LogLinesMax.
// A table model so that any item view can show it; it needs no widgets itself.

#include "log/LogKind.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

class IStoredValues;

class ActivityLog : public QAbstractTableModel {
    Q_OBJECT
    // The column headings: design texts, translated once with the window that shows the log.
    Q_PROPERTY(QString timeHeading READ TimeHeading WRITE SetTimeHeading)
    Q_PROPERTY(QString descriptionHeading READ DescriptionHeading WRITE SetDescriptionHeading)
public:
    enum Column { ColTime = 0, ColDescription = 1, ColumnCount = 2 };

    struct Row {
        QString time;
        QString description;
    };

    using Clock = std::function<QDateTime()>;

    // LogLinesMax is read from values at every trimming step; clock gives the local time.
    explicit ActivityLog(IStoredValues &values, Clock clock = &QDateTime::currentDateTime,
                         QObject *parent = nullptr);

    // Appends one row, then drops the oldest rows while there are more than LogLinesMax.
    // Returns the new row's index, or -1 when trimming removed it at once.
    int AddLogEntry(const QString &text, LogEntryKind kind);

    const QList<Row> &Rows() const { return m_rows; }
    static QString FormatTime(const QDateTime &time);
    static QString Description(const QString &text, LogEntryKind kind);

    QString TimeHeading() const { return m_timeHeading; }
    void SetTimeHeading(const QString &text);
    QString DescriptionHeading() const { return m_descriptionHeading; }
    void SetDescriptionHeading(const QString &text);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    qint64 LogLinesMax() const;

    IStoredValues &m_values;
    Clock m_clock;
    QList<Row> m_rows;
    QString m_timeHeading = QStringLiteral("Time");
    QString m_descriptionHeading = QStringLiteral("Event description");
};
