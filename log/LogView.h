#pragma once
// The activity log list in report style, and what it shows of the selected row.

#include "log/ActivityLog.h"

#include <QTreeView>

class LogView : public QTreeView {
    Q_OBJECT
    // The log shown, column headings included: the window walk reaches them through it.
    Q_PROPERTY(ActivityLog *columns READ Log)
public:
    explicit LogView(QWidget *parent = nullptr);

    // Shows the log with the given column widths.
    void SetLog(ActivityLog *log, int timeWidth, int descriptionWidth);

    ActivityLog *Log() const { return m_log; }

    // The selected row of the log, or -1.
    int SelectedRow() const;

signals:
    // A double click anywhere in the list, rows or empty space.
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    ActivityLog *m_log = nullptr;
};
