#include "RecipesArrayController.h"

#include "RecipesManagedObject.h"
#include "SearchBoxMenu.h"
#include "SideBarDragController.h"
#include "SidebarTreeController.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/TextSearchIndex.h"

#include <QCoreApplication>
#include <QHash>
#include <QMimeData>

#include <algorithm>

RecipesArrayController::RecipesArrayController(ObjectContext* context, QObject* parent)
    : QAbstractTableModel(parent), m_context(context),
      m_searchIndex(new TextSearchIndex(context, QStringLiteral("Recipes"),
                                        SearchBoxMenu::searchedKeys(SearchBoxMenu::EntireRecipe), this)) {
    connect(m_context, &ObjectContext::objectsDidChange, this, &RecipesArrayController::rearrangeObjects);
}

void RecipesArrayController::setFilterPredicate(PredicatePtr filter) {
    m_filter = std::move(filter);
    rearrangeObjects();
    // The visual browser follows the list a moment later, once per burst of changes.
    if (!Scheduler::instance().isScheduled(m_browserRefresh))
        m_browserRefresh = Scheduler::instance().schedule(
            0.01, [this] { emit recipeBrowserRefreshRequested(); }, this);
}

bool RecipesArrayController::listsAreCurrent() const {
    return m_hasUnsearched && m_generation == m_context->changeGeneration();
}

void RecipesArrayController::setSearchPredicate(PredicatePtr search, bool narrowsCurrentSearch) {
    const bool narrowing = narrowsCurrentSearch && m_search && search && listsAreCurrent();
    m_search = std::move(search);
    if (!narrowing && !listsAreCurrent())
        fetchUnsearched();
    arrangeSearched(narrowing);
}

QList<SortDescriptor> RecipesArrayController::defaultSortDescriptors() {
    return {SortDescriptor{QStringLiteral("name"), true, true}};
}

void RecipesArrayController::setSortDescriptors(const QList<SortDescriptor>& sortDescriptors) {
    m_sortDescriptors = sortDescriptors;
    rearrangeObjects();
}

void RecipesArrayController::rearrangeObjects() {
    fetchUnsearched();
    arrangeSearched(false);
}

void RecipesArrayController::fetchUnsearched() {
    // A group's filter already says which library its recipes come from (a subscribed
    // platefeed's are not the own library's); without one the list is the own library.
    FetchRequest request(QStringLiteral("Recipes"),
                         m_filter ? m_filter : RecipesManagedObject::ownLibraryPredicate(),
                         m_sortDescriptors);
    QString error;
    m_unsearched = m_context->executeFetchRequest(request, &error);
    if (!error.isEmpty())
        qWarning().noquote() << "the recipe list could not be read:" << error;
    m_hasUnsearched = true;
    m_generation = m_context->changeGeneration();
    // The records are read now: their searched texts are indexed while the user looks.
    if (!m_searchIndex->isReady())
        m_searchIndex->buildInBackground();
}

void RecipesArrayController::arrangeSearched(bool narrowing) {
    if (!m_search) {
        arrange(m_unsearched);
        return;
    }
    // A subsequence of a sorted list is sorted: the search keeps the fetch's order.
    const QList<ManagedObject*>& candidates = narrowing ? m_arranged : m_unsearched;
    arrange(m_searchIndex->filter(candidates, *m_search));
}

void RecipesArrayController::arrange(QList<ManagedObject*> objects) {
    QList<ManagedObject*> keptSelection;
    if (!m_selection.isEmpty()) {
        QSet<const ManagedObject*> present(objects.cbegin(), objects.cend());
        for (ManagedObject* object : std::as_const(m_selection))
            if (present.contains(object))
                keptSelection.append(object);
    }
    const bool selectionChanges = keptSelection != m_selection;

    beginResetModel();
    m_arranged = std::move(objects);
    m_selection = keptSelection;
    endResetModel();
    emit arrangedObjectsChanged();
    if (selectionChanges)
        emit selectionChanged();
}

ManagedObject* RecipesArrayController::objectAtRow(int row) const {
    return row >= 0 && row < m_arranged.size() ? m_arranged.at(row) : nullptr;
}

int RecipesArrayController::rowOfObject(const ManagedObject* object) const {
    return int(m_arranged.indexOf(const_cast<ManagedObject*>(object)));
}

QList<ManagedObject*> RecipesArrayController::selectedObjects() const {
    return m_selection;
}

bool RecipesArrayController::setSelectedObjects(const QList<ManagedObject*>& objects) {
    QList<ManagedObject*> selection;
    for (ManagedObject* object : objects)
        if (m_arranged.contains(object) && !selection.contains(object))
            selection.append(object);
    if (selection == m_selection)
        return !selection.isEmpty() || objects.isEmpty();
    m_selection = selection;
    emit selectionChanged();
    return !selection.isEmpty() || objects.isEmpty();
}

QList<int> RecipesArrayController::selectionIndexes() const {
    QList<int> rows;
    for (const ManagedObject* object : m_selection)
        rows.append(rowOfObject(object));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void RecipesArrayController::setSelectionIndexes(const QList<int>& rows) {
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    QList<ManagedObject*> objects;
    for (int row : std::as_const(sorted))
        if (ManagedObject* object = objectAtRow(row))
            objects.append(object);
    setSelectedObjects(objects);
}

int RecipesArrayController::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_arranged.size());
}

int RecipesArrayController::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecipesArrayController::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const ManagedObject* recipe = objectAtRow(index.row());
    if (!recipe)
        return {};
    return recipe->valueForKey(QStringLiteral("name"));
}

QVariant RecipesArrayController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == NameColumn)
        return QCoreApplication::translate("RecipesArrayController", "Name");
    return {};
}

QStringList RecipesArrayController::mimeTypes() const {
    return {SideBarDragController::recipeUniqueIDsType()};
}

QMimeData* RecipesArrayController::mimeData(const QModelIndexList& indexes) const {
    QList<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && !rows.contains(index.row()))
            rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList uniqueIDs;
    for (int row : std::as_const(rows))
        if (const ManagedObject* recipe = objectAtRow(row))
            uniqueIDs.append(recipe->stringValue(QStringLiteral("uniqueID")));
    if (uniqueIDs.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    SideBarDragController::writeRecipeUniqueIDs(uniqueIDs, data);
    return data;
}
