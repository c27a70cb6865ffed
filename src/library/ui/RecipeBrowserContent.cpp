#include "RecipeBrowserContent.h"

#include "VisualBrowserItem.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/ManagedObject.h"

RecipeBrowserContent::RecipeBrowserContent(QObject* parent) : VisualBrowserContent(parent) {}

void RecipeBrowserContent::setController(RecipesArrayController* controller) {
    disconnect(m_connection);
    m_controller = controller;
    if (controller)
        m_connection = connect(controller, &RecipesArrayController::selectionChanged, this,
                               &RecipeBrowserContent::controllerSelectionChanged);
    controllerSelectionChanged();
}

void RecipeBrowserContent::controllerSelectionChanged() {
    // Cards ask by record, so that a card whose row moved in the list (its list not yet
    // shown again) still shows its own recipe's state.
    m_selected.clear();
    if (m_controller)
        for (const ManagedObject* record : m_controller->selectedObjects())
            m_selected.insert(record);
    emit selectionChanged();
}

VisualBrowserCard RecipeBrowserContent::cardAt(int row) const {
    VisualBrowserCard card;
    const ManagedObject* record = m_records.value(row);
    if (!record)
        return card;
    card.title = record->stringValue(QStringLiteral("name"));
    if (const auto* recipe = dynamic_cast<const RecipesManagedObject*>(record))
        card.picturePath = recipe->imagePathAtIndex(1);
    card.markedAsNew = record->valueForKey(QStringLiteral("isMarkedAsNew")).toBool();
    card.hasOverlay = true;
    card.rating = record->valueForKey(QStringLiteral("rating")).toInt();
    card.prepared = record->valueForKey(QStringLiteral("hasBeenPrepared")).toBool();
    card.difficulty =
        VisualBrowserItem::difficultyText(record->valueForKey(QStringLiteral("difficulty")).toInt());
    card.keywords = VisualBrowserItem::keywordsText(record->stringValue(QStringLiteral("keywords")));
    return card;
}

QString RecipeBrowserContent::nameAt(int row) const {
    const ManagedObject* record = m_records.value(row);
    return record ? record->stringValue(QStringLiteral("name")) : QString();
}

QDateTime RecipeBrowserContent::stampAt(int row) const {
    const ManagedObject* record = m_records.value(row);
    return record ? record->valueForKey(QStringLiteral("dateUpdated")).toDateTime() : QDateTime();
}

QList<int> RecipeBrowserContent::selectionIndexes() const {
    return m_controller ? m_controller->selectionIndexes() : QList<int>();
}

bool RecipeBrowserContent::isRowSelected(int row) const {
    return m_selected.contains(m_records.value(row));
}

void RecipeBrowserContent::setSelectionIndexes(const QList<int>& rows, int selectedRow) {
    Q_UNUSED(selectedRow);
    if (m_controller)
        m_controller->setSelectionIndexes(rows);
}
