#include "PrintingThemeTableView.h"

#include "present/PrintingController.h"

#include <QKeyEvent>
#include <QSignalBlocker>

PrintingThemeTableView::PrintingThemeTableView(PrintingController* controller, QWidget* parent)
    : QListWidget(parent), m_controller(controller) {
    setObjectName(QStringLiteral("printingThemeTableView"));
    setIconSize(QSize(48, 48));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            m_controller->selectTheme(row);
    });
}

void PrintingThemeTableView::reloadRows() {
    const QSignalBlocker blocker(this);
    clear();
    for (const ThemeRow& row : m_controller->themeRows())
        addItem(new QListWidgetItem(QIcon(row.thumbnailPath), row.name));
    setCurrentRow(m_controller->themeRowToSelect());
    if (QListWidgetItem* current = currentItem())
        scrollToItem(current);
}

void PrintingThemeTableView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        m_controller->moveFormatSelection(event->key() == Qt::Key_Left ? -1 : 1);
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}
