#include "PrintingFormatTableView.h"

#include "present/PrintingController.h"

#include <QSignalBlocker>

PrintingFormatTableView::PrintingFormatTableView(PrintingController* controller, QWidget* parent)
    : QListWidget(parent), m_controller(controller) {
    setObjectName(QStringLiteral("printingFormatTableView"));
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setIconSize(QSize(64, 64));
    setGridSize(QSize(104, 96));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(true);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            m_controller->selectFormat(row);
    });
}

void PrintingFormatTableView::reloadRows() {
    const QSignalBlocker blocker(this);
    clear();
    for (const PrintFormatRow& row : m_controller->formatRows()) {
        auto* item = new QListWidgetItem(QIcon(row.thumbnailPath), row.shownName);
        item->setData(Qt::UserRole, row.name);
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        addItem(item);
    }
}

void PrintingFormatTableView::showSelectedRow(int row) {
    const QSignalBlocker blocker(this);
    setCurrentRow(row);
    if (QListWidgetItem* current = currentItem())
        scrollToItem(current);
}
