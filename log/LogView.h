#pragma once
// The activity log list in report style, and what it shows of the selected row.

#include "log/ActivityLog.h"

#include <QTreeView>

class LogView : public QTreeView {
    Q_OBJECT
public:
    explicit LogView(QWidget *parent = nullptr);

    // Shows the log with the given column widths.
    void SetLog(ActivityLog *log, int timeWidth, int descriptionWidth);

    // The selected row of the log, or -1.
    int SelectedRow() const;

signals:
    // A double click anywhere in the list, rows or empty space.
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
