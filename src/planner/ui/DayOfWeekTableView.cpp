#include "DayOfWeekTableView.h"

#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "platform/Scheduler.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace {
constexpr Qt::KeyboardModifiers kCopyModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier;
}

QString DayOfWeekTableView::selfRowIndexesType() {
    return QStringLiteral("selfRowIndexes");
}

QString DayOfWeekTableView::sourceDayType() {
    return QStringLiteral("application/x-larkspoon-planner-day");
}

DayOfWeekTableView::DayOfWeekTableView(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_reloading)
            return;
        QStringList ids;
        for (QListWidgetItem* item : selectedItems())
            ids.append(item->data(Qt::UserRole).toString());
        if (!ids.isEmpty())
            emit recipesSelected(ids);
    });
}

void DayOfWeekTableView::setManagedObjectController(ControllerForWeeklyPlanerDateManagedObject* controller) {
    m_controller = controller;
    validateItems();
}

void DayOfWeekTableView::validateItems() {
    m_reloading = true;
    clear();
    if (m_controller) {
        for (const PlannedRecipe& recipe : m_controller->validateItems(true)) {
            auto* item = new QListWidgetItem(recipe.name, this);
            item->setData(Qt::UserRole, recipe.uniqueID);
            item->setToolTip(recipe.name);
        }
    }
    m_reloading = false;
}

void DayOfWeekTableView::deleteItems() {
    if (!m_controller)
        return;
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty())
        return;
    m_controller->deleteItems(rows);
    validateItems();
    emit dayChanged();
}

QMimeData* DayOfWeekTableView::mimeDataForRows(const QList<int>& rows) const {
    auto* payload = new QMimeData;
    QStringList indexes;
    QStringList ids;
    for (int row : rows) {
        if (const QListWidgetItem* entry = item(row)) {
            indexes.append(QString::number(row));
            ids.append(entry->data(Qt::UserRole).toString());
        }
    }
    payload->setData(selfRowIndexesType(), indexes.join(QLatin1Char(',')).toUtf8());
    if (m_controller)
        payload->setData(sourceDayType(), m_controller->date().toString(Qt::ISODate).toUtf8());
    SideBarDragController::writeRecipeUniqueIDs(ids, payload);
    return payload;
}

QDate DayOfWeekTableView::sourceDay(const QMimeData* payload) const {
    if (!payload->hasFormat(sourceDayType()))
        return {};
    return QDate::fromString(QString::fromUtf8(payload->data(sourceDayType())), Qt::ISODate);
}

bool DayOfWeekTableView::takesData(const QMimeData* payload) const {
    return m_controller && payload && payload->hasFormat(SideBarDragController::recipeUniqueIDsType());
}

int DayOfWeekTableView::dropRow(const QPoint& position) const {
    const QModelIndex index = indexAt(position);
    if (!index.isValid())
        return count();
    const QRect rect = visualRect(index);
    return position.y() > rect.center().y() ? index.row() + 1 : index.row();
}

bool DayOfWeekTableView::acceptDrop(const QMimeData* payload, int row, Qt::KeyboardModifiers modifiers) {
    if (!takesData(payload))
        return false;
    const QDate from = sourceDay(payload);
    if (from.isValid() && from == m_controller->date()) {
        // Rows dragged within the day: a new order.
        QList<int> rows;
        for (const QString& text : QString::fromUtf8(payload->data(selfRowIndexesType()))
                                       .split(QLatin1Char(','), Qt::SkipEmptyParts))
            rows.append(text.toInt());
        const QList<int> placed = m_controller->moveRows(rows, row);
        validateItems();
        for (int index : placed)
            if (QListWidgetItem* entry = item(index))
                entry->setSelected(true);
        emit dayChanged();
        return !placed.isEmpty();
    }
    QStringList ids;
    if (!SideBarDragController::readRecipeUniqueIDs(payload, &ids))
        return false;
    const auto result = m_controller->dropRecipes(ids, row, m_alerts);
    // From another day without a modifier key the recipes move: they leave that day, but
    // only those that are on this day now (a full day keeps the rest where they were).
    DayOfWeekTableView* source = from.isValid() && m_lookup ? m_lookup(from) : nullptr;
    if (source && source != this && source->m_controller && !(modifiers & kCopyModifiers)) {
        source->m_controller->removeRecipes(result.onDay);
        source->validateItems();
    }
    validateItems();
    emit dayChanged();
    return result.inserted > 0 || !result.onDay.isEmpty();
}

void DayOfWeekTableView::startDrag(Qt::DropActions) {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeDataForRows(rows));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

void DayOfWeekTableView::dragEnterEvent(QDragEnterEvent* event) {
    if (takesData(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void DayOfWeekTableView::dragMoveEvent(QDragMoveEvent* event) {
    if (!takesData(event->mimeData())) {
        event->ignore();
        return;
    }
    const QDate from = sourceDay(event->mimeData());
    const bool moves = from.isValid() && !(event->modifiers() & kCopyModifiers);
    event->setDropAction(moves ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

void DayOfWeekTableView::dropEvent(QDropEvent* event) {
    if (acceptDrop(event->mimeData(), dropRow(event->position().toPoint()), event->modifiers())) {
        // The rows were taken away here already; the drag's own source does nothing more.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void DayOfWeekTableView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        deleteItems();
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DayOfWeekTableView::flashTableBackground() {
    m_flashing = true;
    setStyleSheet(QStringLiteral("QListWidget { background: rgb(255, 244, 179); }"));
    Scheduler::instance().schedule(
        0.6,
        [this] {
            m_flashing = false;
            setStyleSheet(QString());
        },
        this);
}
