#include "log/LogView.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>

LogView::LogView(QWidget *parent) : QTreeView(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);

    // The selection stays visible (same colours) when the list loses the focus.
    QPalette pal = palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);
}

void LogView::SetLog(ActivityLog *log, int timeWidth, int descriptionWidth) {
    m_log = log;
    setModel(log);
    header()->resizeSection(ActivityLog::ColTime, timeWidth);
    header()->resizeSection(ActivityLog::ColDescription, descriptionWidth);
}

int LogView::SelectedRow() const {
    if (!selectionModel())
        return -1;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void LogView::mouseDoubleClickEvent(QMouseEvent *event) {
    QTreeView::mouseDoubleClickEvent(event);
    emit DoubleClicked();
}
