#include "RecipeVisualBrowser.h"

#include "library/RecipesArrayController.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "platform/ManagedObject.h"
#include "platform/Scheduler.h"

#include <QDrag>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

RecipeVisualBrowser::RecipeVisualBrowser(QWidget* parent)
    : VisualBrowser(parent), m_recipes(new RecipeBrowserContent(this)) {
    setObjectName(QStringLiteral("recipeVisualBrowser"));
    setContent(m_recipes);
}

void RecipeVisualBrowser::setContext(const QList<ManagedObject*>& records) {
    showContent([this, records] { m_recipes->setRecords(records); });
}

void RecipeVisualBrowser::setRecipesArrayController(RecipesArrayController* controller) {
    if (RecipesArrayController* old = correspondingController())
        disconnect(old, &RecipesArrayController::arrangedObjectsChanged, this, nullptr);
    m_recipes->setController(controller);
    if (!controller) {
        setContext({});
        return;
    }
    connect(controller, &RecipesArrayController::arrangedObjectsChanged, this,
            [this, controller] { setContext(controller->arrangedObjects()); });
    setContext(controller->arrangedObjects());
}

void RecipeVisualBrowser::sortBy(const QString& key, bool ascending) {
    RecipesArrayController* controller = correspondingController();
    if (!controller)
        return;
    // Equal values keep a steady order: by name.
    QList<SortDescriptor> order{SortDescriptor{key, ascending, key == QLatin1String("name")}};
    if (key != QLatin1String("name"))
        order.append(SortDescriptor{QStringLiteral("name"), true, true});
    controller->setSortDescriptors(order);
    scrollToSelectedRow();
}

void RecipeVisualBrowser::sortByTitle() {
    sortBy(QStringLiteral("name"), true);
}
void RecipeVisualBrowser::sortByDateCreated() {
    sortBy(QStringLiteral("dateCreated"), false);
}
void RecipeVisualBrowser::sortByDateModified() {
    sortBy(QStringLiteral("dateUpdated"), false);
}
void RecipeVisualBrowser::sortByDifficulty() {
    sortBy(QStringLiteral("difficulty"), true);
}
void RecipeVisualBrowser::sortByRating() {
    sortBy(QStringLiteral("rating"), false);
}
void RecipeVisualBrowser::sortByNewItemsFirst() {
    sortBy(QStringLiteral("isMarkedAsNew"), false);
}

void RecipeVisualBrowser::setSelectedRecipesAsNew() {
    setSelectedRecipesMarkedAsNew(true);
}

void RecipeVisualBrowser::setSelectedRecipesAsNotNew() {
    setSelectedRecipesMarkedAsNew(false);
}

void RecipeVisualBrowser::setSelectedRecipesMarkedAsNew(bool marked) {
    RecipesArrayController* controller = correspondingController();
    if (!controller)
        return;
    // The group counters follow every change of records (the counter updater listens).
    for (ManagedObject* recipe : controller->selectedObjects())
        if (recipe->valueForKey(QStringLiteral("isMarkedAsNew")).toBool() != marked)
            recipe->setValueForKey(marked, QStringLiteral("isMarkedAsNew"));
    for (int index : existingIndexes())
        refillItemAtIndex(index);
}

QString RecipeVisualBrowser::badgeImageName(int count) {
    if (count <= 99)
        return QStringLiteral("badgeCounter1-2");
    if (count <= 999)
        return QStringLiteral("badgeCounter3");
    return QStringLiteral("badgeCounter5");
}

QString RecipeVisualBrowser::badgeText(int count) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(count);
}

QMimeData* RecipeVisualBrowser::mimeDataForSelection() const {
    RecipesArrayController* controller = correspondingController();
    if (!controller)
        return nullptr;
    QStringList uniqueIDs;
    for (const ManagedObject* recipe : controller->selectedObjects())
        uniqueIDs.append(recipe->stringValue(QStringLiteral("uniqueID")));
    if (uniqueIDs.isEmpty())
        return nullptr;
    auto* mime = new QMimeData;
    SideBarDragController::writeRecipeUniqueIDs(uniqueIDs, mime);
    return mime;
}

void RecipeVisualBrowser::clickedActionWithEvent(int index, QMouseEvent* event) {
    RecipesArrayController* controller = correspondingController();
    if (!controller)
        return;
    ManagedObject* recipe = controller->objectAtRow(index);
    if (!recipe)
        return;
    // The first recipe of the list loses its new mark when its card is clicked.
    if (index == 0 && recipe->valueForKey(QStringLiteral("isMarkedAsNew")).toBool()) {
        recipe->setValueForKey(false, QStringLiteral("isMarkedAsNew"));
        refillItemAtIndex(index);
    }
    Scheduler::instance().cancel(m_narrowTimer);
    m_narrowTimer = 0;
    QList<int> rows = selectionIndexes();
    const bool selected = rows.contains(index);

    if (event->button() == Qt::RightButton) {
        if (!selected)
            setSelectionIndexes({index}, index);
        QMenu* menu = makeContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_pressPoint = event->position().toPoint();

    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers & Qt::ControlModifier) {
        // Toggles the card's row.
        if (selected)
            rows.removeAll(index);
        else
            rows.append(index);
        setSelectionIndexes(rows, index);
    } else if ((modifiers & Qt::ShiftModifier) && !rows.isEmpty()) {
        const int first = rows.constFirst();
        const int last = rows.constLast();
        const int from = (index < first || lastClickedIndex() < last) ? index : first;
        const int to = (index < first || lastClickedIndex() < last) ? last : index;
        QList<int> range;
        for (int row = std::min(from, to); row <= std::max(from, to); ++row)
            range.append(row);
        setSelectionIndexes(range, index);
    } else if (!selected) {
        setSelectionIndexes({index}, index);
    } else {
        // Narrowed a moment later, so that a drag of all the selected cards can begin.
        m_narrowTimer = Scheduler::instance().schedule(
            0.5,
            [this, index] {
                m_narrowTimer = 0;
                setSelectionIndexes({index}, index);
            },
            this);
    }
}

void RecipeVisualBrowser::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        const QPoint moved = event->position().toPoint() - m_pressPoint;
        if (std::abs(moved.x()) > kDragThreshold || std::abs(moved.y()) > kDragThreshold) {
            m_pressed = false;
            Scheduler::instance().cancel(m_narrowTimer);
            m_narrowTimer = 0;
            startDrag();
            return;
        }
    }
    VisualBrowser::mouseMoveEvent(event);
}

void RecipeVisualBrowser::mouseReleaseEvent(QMouseEvent* event) {
    m_pressed = false;
    event->accept();
}

void RecipeVisualBrowser::startDrag() {
    QMimeData* mime = mimeDataForSelection();
    if (!mime)
        return;
    const int count = int(correspondingController()->selectedObjects().size());
    // A stack of cards with a counter badge, 117 × 66.
    QPixmap picture(117, 66);
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int layer = 2; layer >= 0; --layer) {
            const QRectF card(6 + layer * 5, 12 - layer * 4, 80, 50);
            painter.setBrush(QColor(235, 235, 235));
            painter.setPen(QColor(120, 120, 120));
            painter.drawRoundedRect(card, 4, 4);
        }
        const QString text = badgeText(count);
        const int badgeWidth = badgeImageName(count) == QLatin1String("badgeCounter1-2") ? 28
                               : badgeImageName(count) == QLatin1String("badgeCounter3") ? 38
                                                                                         : 54;
        const QRectF badge(117 - badgeWidth - 1, 1, badgeWidth, 24);
        painter.setBrush(QColor(210, 40, 40));
        painter.setPen(QPen(Qt::white, 2));
        painter.drawRoundedRect(badge, 12, 12);
        painter.setPen(Qt::white);
        QFont font = painter.font();
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(badge, Qt::AlignCenter, text);
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(picture);
    drag->setHotSpot(QPoint(40, 33));
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

QMenu* RecipeVisualBrowser::makeContextMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("visualBrowserContextMenu"));
    if (m_menuFiller) {
        m_menuFiller(menu);
        menu->addSeparator();
    }
    const struct {
        const char* name;
        const char* text;
        void (RecipeVisualBrowser::*command)();
    } commands[] = {
        {"markAsNew", QT_TR_NOOP("Mark as New"), &RecipeVisualBrowser::setSelectedRecipesAsNew},
        {"markAsNotNew", QT_TR_NOOP("Mark as Not New"), &RecipeVisualBrowser::setSelectedRecipesAsNotNew},
    };
    for (const auto& command : commands)
        connect(menu->addAction(tr(command.text)), &QAction::triggered, this, command.command);
    QMenu* sort = menu->addMenu(tr("Sort By"));
    const struct {
        const char* text;
        void (RecipeVisualBrowser::*command)();
    } sorts[] = {
        {QT_TR_NOOP("Title"), &RecipeVisualBrowser::sortByTitle},
        {QT_TR_NOOP("Date Created"), &RecipeVisualBrowser::sortByDateCreated},
        {QT_TR_NOOP("Date Modified"), &RecipeVisualBrowser::sortByDateModified},
        {QT_TR_NOOP("Difficulty"), &RecipeVisualBrowser::sortByDifficulty},
        {QT_TR_NOOP("Rating"), &RecipeVisualBrowser::sortByRating},
        {QT_TR_NOOP("New Items First"), &RecipeVisualBrowser::sortByNewItemsFirst},
    };
    for (const auto& item : sorts)
        connect(sort->addAction(tr(item.text)), &QAction::triggered, this, item.command);
    return menu;
}
