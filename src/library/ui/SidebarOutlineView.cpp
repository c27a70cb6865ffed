#include "SidebarOutlineView.h"

#include "library/GroupsManagedObject.h"
#include "library/SideBarDragController.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace {

using Kind = SidebarTreeController::GroupKind;

const QString kExpandedItems = QStringLiteral("sidebarExpandedItems");

bool isHeaderKind(Kind kind) {
    return kind == Kind::LibraryHeader || kind == Kind::GroupHeader || kind == Kind::GroceryListHeader ||
           kind == Kind::PlatefeedHeader;
}

bool useLargeIcons() {
    return UserDefaults::boolForKey(QStringLiteral("useLargeSidebarIcons"));
}

// The sidebar's pictures, drawn rather than loaded so they look the same on every desktop.
QPixmap paintIcon(Kind kind, int size) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    const QPen outline(QColor(0, 0, 0, 60), 1.0);
    switch (kind) {
    case Kind::MyRecipes: { // a closed cookbook
        p.setPen(outline);
        p.setBrush(QColor(0xC8, 0x4B, 0x31));
        p.drawRoundedRect(QRectF(6, 4, 20, 25), 2.5, 2.5);
        p.setBrush(QColor(0xF4, 0xEB, 0xD9));
        p.drawRect(QRectF(9, 25, 17, 3));
        p.setPen(QPen(QColor(0xF4, 0xEB, 0xD9), 1.6));
        p.drawLine(QPointF(12, 11), QPointF(22, 11));
        p.drawLine(QPointF(12, 15), QPointF(20, 15));
        break;
    }
    case Kind::GroceryList: { // a note with ticks
        p.setPen(outline);
        p.setBrush(QColor(0xFF, 0xF6, 0xC8));
        p.drawRoundedRect(QRectF(7, 4, 19, 25), 2, 2);
        p.setPen(QPen(QColor(0x3F, 0x8F, 0x4E), 2.0, Qt::SolidLine, Qt::RoundCap));
        for (int y : {11, 17, 23}) {
            p.drawLine(QPointF(10, y), QPointF(12, y + 2));
            p.drawLine(QPointF(12, y + 2), QPointF(15, y - 2));
        }
        p.setPen(QPen(QColor(0x88, 0x80, 0x60), 1.4));
        for (int y : {12, 18, 24})
            p.drawLine(QPointF(17, y), QPointF(23, y));
        break;
    }
    case Kind::SubscribedPlatefeed: { // a globe
        p.setPen(QPen(QColor(0x2B, 0x6C, 0xB0), 1.6));
        p.setBrush(QColor(0xD8, 0xEA, 0xFA));
        p.drawEllipse(QPointF(16, 16), 11, 11);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(16, 16), 5, 11);
        p.drawLine(QPointF(5, 16), QPointF(27, 16));
        break;
    }
    case Kind::SmartGroup:
    case Kind::Group:
    default: { // a folder; a smart group's carries a gear-like mark
        const bool smart = kind == Kind::SmartGroup;
        const QColor body = smart ? QColor(0x8A, 0x6F, 0xC9) : QColor(0x5B, 0x9B, 0xD5);
        p.setPen(outline);
        p.setBrush(body.darker(115));
        QPainterPath tab;
        tab.addRoundedRect(QRectF(4, 7, 11, 6), 1.5, 1.5);
        p.drawPath(tab);
        p.setBrush(body);
        p.drawRoundedRect(QRectF(4, 10, 24, 17), 2, 2);
        if (smart) {
            p.setPen(QPen(Qt::white, 2.0));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(15, 18), 4, 4);
            p.drawLine(QPointF(18, 21), QPointF(22, 25));
        }
        break;
    }
    }
    return pixmap;
}

class SidebarDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const auto kind = Kind(index.data(SidebarTreeController::KindRole).toInt());
        const bool topLevelGroup = !index.parent().isValid() && !isHeaderKind(kind);
        size.setHeight(topLevelGroup && useLargeIcons() ? 32 : 21);
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto kind = Kind(index.data(SidebarTreeController::KindRole).toInt());
        const QString name = index.data(Qt::DisplayRole).toString();
        painter->save();
        if (isHeaderKind(kind)) {
            QFont font = option.font;
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 0.85);
            font.setCapitalization(QFont::AllUppercase);
            painter->setFont(font);
            painter->setPen(QColor(0x70, 0x7B, 0x88));
            painter->drawText(option.rect.adjusted(2, 0, 0, -2), Qt::AlignLeft | Qt::AlignBottom, name);
            painter->restore();
            return;
        }
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        background.icon = QIcon();
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &background, painter, widget);

        const bool large = !index.parent().isValid() && useLargeIcons();
        const int iconSize = large ? 24 : 16;
        QRect rect = option.rect.adjusted(4, 0, -6, 0);
        const QRect iconRect(rect.left(), rect.center().y() - iconSize / 2 + 1, iconSize, iconSize);
        painter->drawPixmap(iconRect,
                            SidebarOutlineView::iconForKind(kind, large).pixmap(iconSize, iconSize));
        rect.setLeft(iconRect.right() + 7);

        // The published mark: a dot with two waves, at the right end of the row.
        const auto* view = qobject_cast<const SidebarOutlineView*>(widget);
        if (view && view->showsPublishedMarks() && view->isPublishedRow(index)) {
            const QRect mark(rect.right() - 14, rect.center().y() - 7, 14, 14);
            const QColor colour = (option.state & QStyle::State_Selected)
                                      ? option.palette.highlightedText().color()
                                      : QColor(0x3A, 0x6E, 0xA5);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(QPen(colour, 1.6));
            painter->setBrush(colour);
            painter->drawEllipse(QPointF(mark.left() + 3, mark.bottom() - 3), 1.8, 1.8);
            painter->setBrush(Qt::NoBrush);
            for (const int radius : {6, 10})
                painter->drawArc(
                    QRect(mark.left() + 3 - radius, mark.bottom() - 3 - radius, 2 * radius, 2 * radius), 0,
                    90 * 16);
            rect.setRight(mark.left() - 4);
        }

        const int counter = index.data(SidebarTreeController::CounterValueRole).toInt();
        if (counter > 0) {
            QFont badgeFont = option.font;
            badgeFont.setBold(true);
            badgeFont.setPointSizeF(badgeFont.pointSizeF() * 0.85);
            const QString text = QString::number(counter);
            const int width = qMax(20, QFontMetrics(badgeFont).horizontalAdvance(text) + 12);
            const QRect badge(rect.right() - width, rect.center().y() - 8, width, 16);
            painter->setRenderHint(QPainter::Antialiasing);
            painter->setPen(Qt::NoPen);
            painter->setBrush((option.state & QStyle::State_Selected) ? QColor(255, 255, 255, 220)
                                                                      : QColor(0x8C, 0x99, 0xA8));
            painter->drawRoundedRect(badge, 8, 8);
            painter->setFont(badgeFont);
            painter->setPen((option.state & QStyle::State_Selected) ? option.palette.highlight().color()
                                                                    : Qt::white);
            painter->drawText(badge, Qt::AlignCenter, text);
            rect.setRight(badge.left() - 6);
        }
        painter->setFont(option.font);
        painter->setPen(option.palette.color(
            (option.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(rect, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(name, Qt::ElideRight, rect.width()));
        painter->restore();
    }
};

} // namespace

QIcon SidebarOutlineView::iconForKind(SidebarTreeController::GroupKind kind, bool large) {
    if (isHeaderKind(kind))
        return {};
    return QIcon(paintIcon(kind, large ? 32 : 16));
}

SidebarOutlineView::SidebarOutlineView(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("sidebar"));
    setHeaderHidden(true);
    setIndentation(20);
    setRootIsDecorated(true);
    setUniformRowHeights(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setItemDelegate(new SidebarDelegate(this));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, QColor(0xE8, 0xEC, 0xF1));
    setPalette(colours);
    connect(this, &QTreeView::expanded, this, &SidebarOutlineView::saveExpandedItems);
    connect(this, &QTreeView::collapsed, this, &SidebarOutlineView::saveExpandedItems);
}

SidebarOutlineView::~SidebarOutlineView() = default;

void SidebarOutlineView::setControllers(SidebarTreeController* tree, SideBarDragController* drags) {
    m_tree = tree;
    m_drags = drags;
    setModel(tree);
    if (m_drags)
        m_drags->setSelectedGroupProvider([this] { return selectedGroup(); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SidebarOutlineView::currentSelectionChanged);
    // The tree is rebuilt after changes; the view keeps groups expanded that were.
    connect(tree, &QAbstractItemModel::modelReset, this, &SidebarOutlineView::restoreExpandedItems);
    connect(tree, &QAbstractItemModel::layoutChanged, this, &SidebarOutlineView::restoreExpandedItems);
    if (m_drags)
        connect(m_drags, &SideBarDragController::selectGroupRequested, this,
                [this](GroupsManagedObject* group) { group ? selectGroup(group) : selectMyLibraryGroup(); });
    expandAll();
}

GroupsManagedObject* SidebarOutlineView::selectedGroup() const {
    if (!m_tree || !selectionModel())
        return nullptr;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : m_tree->groupAtIndex(rows.first());
}

void SidebarOutlineView::selectGroup(const ManagedObject* group) {
    if (!m_tree)
        return;
    const QModelIndex index = m_tree->indexForGroup(group);
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    setCurrentIndex(index);
    scrollTo(index);
}

void SidebarOutlineView::selectMyLibraryGroup() {
    if (m_tree)
        selectGroup(m_tree->myRecipesGroup());
}

void SidebarOutlineView::currentSelectionChanged() {
    emit groupSelected(selectedGroup());
}

void SidebarOutlineView::moveFocusToRecipeList() {
    if (m_recipeList && m_recipeList->isVisible())
        m_recipeList->setFocus(Qt::OtherFocusReason);
}

void SidebarOutlineView::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    // A section title is never selected; clicking "LIBRARY" means "My Recipes".
    if (index.isValid() && index.data(SidebarTreeController::IsHeaderRole).toBool()) {
        if (Kind(index.data(SidebarTreeController::KindRole).toInt()) == Kind::LibraryHeader)
            selectMyLibraryGroup();
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void SidebarOutlineView::mouseReleaseEvent(QMouseEvent* event) {
    QTreeView::mouseReleaseEvent(event);
    moveFocusToRecipeList();
}

void SidebarOutlineView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (GroupsManagedObject* group = m_tree ? m_tree->groupAtIndex(index) : nullptr)
        emit editGroupRequested(group);
    event->accept();
}

void SidebarOutlineView::keyPressEvent(QKeyEvent* event) {
    // Plain typing goes to the recipe list; keys with modifiers (arrows included, which
    // carry the keypad modifier) work the tree.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool navigation = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ||
                            event->key() == Qt::Key_Left || event->key() == Qt::Key_Right ||
                            event->key() == Qt::Key_Home || event->key() == Qt::Key_End ||
                            event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown;
    if (modifiers == Qt::NoModifier && !navigation && m_recipeList && m_recipeList->isVisible()) {
        moveFocusToRecipeList();
        QCoreApplication::sendEvent(m_recipeList, event);
        return;
    }
    QTreeView::keyPressEvent(event);
}

void SidebarOutlineView::contextMenuEvent(QContextMenuEvent* event) {
    GroupsManagedObject* group = m_tree ? m_tree->groupAtIndex(indexAt(event->pos())) : nullptr;
    if (!group)
        return;
    QMenu menu(this);
    QAction* edit = menu.addAction(tr("Edit"));
    QAction* remove = menu.addAction(tr("Delete"));
    menu.addSeparator();
    QAction* exportGroup = menu.addAction(tr("Export…"));
    exportGroup->setEnabled(!SidebarTreeController::isHeader(group));
    menu.addSeparator();
    QAction* reset = menu.addAction(tr("Reset"));
    QAction* publish = menu.addAction(tr("Publish"));
    QAction* unpublish = menu.addAction(tr("Unpublish"));
    edit->setEnabled(group->canBeDeleted());
    remove->setEnabled(group->canBeDeleted());
    const bool published = group->boolValue(QStringLiteral("isPublishedPlatefeed"));
    const bool subscribed = group->boolValue(QStringLiteral("isSubscribedPlatefeed"));
    reset->setEnabled(subscribed);
    publish->setEnabled(SidebarTreeController::canBePublished(group));
    unpublish->setEnabled(published);
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == reset)
        emit resetPlatefeedRequested(group);
    else if (chosen == publish)
        publishGroupConetextMenuAction(group);
    else if (chosen == unpublish)
        emit unpublishGroupRequested(group);
    if (chosen == edit)
        emit editGroupRequested(group);
    else if (chosen == remove)
        emit deleteGroupRequested(group);
    else if (chosen == exportGroup)
        emit exportGroupRequested(group);
}

bool SidebarOutlineView::publishGroupConetextMenuAction(GroupsManagedObject* group) {
    if (!SidebarTreeController::canBePublished(group))
        return false;
    emit publishGroupRequested(group);
    return true;
}

void SidebarOutlineView::setShowsPublishedMarks(bool shown) {
    if (m_showsPublishedMarks == shown)
        return;
    m_showsPublishedMarks = shown;
    viewport()->update();
}

bool SidebarOutlineView::isPublishedRow(const QModelIndex& index) const {
    GroupsManagedObject* group = m_tree ? m_tree->groupAtIndex(index) : nullptr;
    return group && group->boolValue(QStringLiteral("isPublishedPlatefeed"));
}

// Expanded nodes.

void SidebarOutlineView::setAutoExpand(bool on) {
    m_autoExpand = on;
    if (on)
        restoreExpandedItems();
}

void SidebarOutlineView::saveExpandedItems() {
    if (!m_autoExpand || m_restoring || !m_tree)
        return;
    QStringList identities;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < m_tree->rowCount(parent); ++row) {
            const QModelIndex index = m_tree->index(row, 0, parent);
            if (!isExpanded(index))
                continue;
            const QString identity = m_tree->persistentObjectForItem(m_tree->groupAtIndex(index));
            if (!identity.isEmpty())
                identities.append(identity);
            walk(index);
        }
    };
    walk({});
    UserDefaults::setObjectForKey(identities, kExpandedItems);
}

void SidebarOutlineView::restoreExpandedItems() {
    if (!m_tree)
        return;
    m_restoring = true;
    const QStringList saved = UserDefaults::objectForKey(kExpandedItems).toStringList();
    if (!m_autoExpand || !UserDefaults::hasKey(kExpandedItems)) {
        expandAll();
    } else {
        collapseAll();
        for (const QString& identity : saved)
            if (GroupsManagedObject* group = m_tree->itemForPersistentObject(identity))
                expand(m_tree->indexForGroup(group));
        // Section headers always stay open.
        for (int row = 0; row < m_tree->rowCount(); ++row)
            if (m_tree->index(row, 0).data(SidebarTreeController::IsHeaderRole).toBool())
                expand(m_tree->index(row, 0));
    }
    m_restoring = false;
}

// Drag and drop.

void SidebarOutlineView::startDrag(Qt::DropActions) {
    GroupsManagedObject* group = selectedGroup();
    if (!group || !m_drags)
        return;
    auto* mimeData = new QMimeData;
    if (!m_drags->writeGroupDrag(group, mimeData)) {
        delete mimeData;
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData);
    drag->setPixmap(
        iconForKind(Kind(m_tree->indexForGroup(group).data(SidebarTreeController::KindRole).toInt()), false)
            .pixmap(16, 16));
    m_dragFromSelf = true;
    drag->exec(Qt::MoveAction);
    m_dragFromSelf = false;
}

SidebarOutlineView::DropTarget SidebarOutlineView::dropTargetAt(const QPoint& position) const {
    DropTarget target;
    if (!m_tree)
        return target;
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) { // below the last row: the end of the top level
        target.childIndex = m_tree->rowCount();
        target.valid = true;
        return target;
    }
    const QRect rect = visualRect(index);
    const int margin = qMax(2, rect.height() / 4);
    if (position.y() < rect.top() + margin || position.y() > rect.bottom() - margin) {
        target.group = m_tree->groupAtIndex(index.parent());
        target.childIndex = index.row() + (position.y() > rect.bottom() - margin ? 1 : 0);
    } else {
        target.group = m_tree->groupAtIndex(index);
        target.childIndex = SideBarDragController::kDropOnItem;
    }
    target.valid = true;
    return target;
}

bool SidebarOutlineView::handleDrag(QDropEvent* event, bool perform) {
    if (!m_drags)
        return false;
    const DropTarget target = dropTargetAt(event->position().toPoint());
    const bool fromSidebar = event->source() == this;
    const bool removeModifier = event->modifiers() & Qt::ControlModifier;
    const SideBarDragController::DropDecision decision = m_drags->validateDrop(
        event->mimeData(), fromSidebar, target.group, target.childIndex, removeModifier);
    if (!target.valid || decision.operation == SideBarDragController::DropOperation::None) {
        event->ignore();
        return false;
    }
    // A removing drop shows the move pointer: the recipes leave the group.
    event->setDropAction(decision.operation == SideBarDragController::DropOperation::Move || decision.remove
                             ? Qt::MoveAction
                             : Qt::CopyAction);
    if (perform) {
        const bool done = m_drags->acceptDrop(event->mimeData(), fromSidebar, target.group, target.childIndex,
                                              removeModifier);
        done ? event->accept() : event->ignore();
        return done;
    }
    event->accept();
    return true;
}

void SidebarOutlineView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(SideBarDragController::recipeUniqueIDsType()) ||
        event->mimeData()->hasFormat(SideBarDragController::groupDragType()) ||
        event->mimeData()->hasText() || event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void SidebarOutlineView::dragMoveEvent(QDragMoveEvent* event) {
    QTreeView::dragMoveEvent(event); // the drop indicator and auto-scrolling
    handleDrag(event, false);
}

void SidebarOutlineView::dragLeaveEvent(QDragLeaveEvent* event) {
    QTreeView::dragLeaveEvent(event);
}

void SidebarOutlineView::dropEvent(QDropEvent* event) {
    handleDrag(event, true);
    // The records changed; the view's own drop bookkeeping is not wanted.
    setState(NoState);
    viewport()->update();
}
