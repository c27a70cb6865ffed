#pragma once

#include "platform/ObjectContext.h"
#include "platform/Predicate.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class ManagedObject;
class ObjectContext;
class TextSearchIndex;

// The recipe list of the main window: the own-library recipes narrowed by the group
// selected in the sidebar and by the search field, sorted by name without regard to
// case, with one selection. The table and the visual browser are two views of it.
class RecipesArrayController : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn, ColumnCount };

    explicit RecipesArrayController(ObjectContext* context, QObject* parent = nullptr);

    ObjectContext* managedObjectContext() const { return m_context; }

    // The group's filter (null: the whole own library) and the search filter (null: none).
    void setFilterPredicate(PredicatePtr filter);
    PredicatePtr filterPredicate() const { return m_filter; }
    // narrowsCurrentSearch: the caller knows the new search keeps only records the current
    // one keeps (more letters typed into the same field); the list is then filtered from
    // what it shows instead of fetched again, as long as no record changed meanwhile.
    void setSearchPredicate(PredicatePtr search, bool narrowsCurrentSearch = false);
    PredicatePtr searchPredicate() const { return m_search; }

    // The order of the list; by name without regard to case unless the visual browser's
    // sorting chose another. Setting it fetches again.
    void setSortDescriptors(const QList<SortDescriptor>& sortDescriptors);
    const QList<SortDescriptor>& sortDescriptors() const { return m_sortDescriptors; }
    static QList<SortDescriptor> defaultSortDescriptors();

    // Fetches again (after records changed).
    void rearrangeObjects();

    const QList<ManagedObject*>& arrangedObjects() const { return m_arranged; }
    // The index of the searched texts, built in the background after the first fetch.
    TextSearchIndex* searchIndex() const { return m_searchIndex; }
    ManagedObject* objectAtRow(int row) const;
    int rowOfObject(const ManagedObject* object) const;

    QList<ManagedObject*> selectedObjects() const;
    bool setSelectedObjects(const QList<ManagedObject*>& objects);
    // Rows of the selection, ascending.
    QList<int> selectionIndexes() const;
    void setSelectionIndexes(const QList<int>& rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Dragged rows travel as "RecipeUniqueIDs": the uniqueIDs of their recipes, which the
    // sidebar's groups and the planner's days read.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

signals:
    void selectionChanged();
    // The arranged list was fetched again.
    void arrangedObjectsChanged();
    // 0.01 s after the filter changed: the recipe browser shows the list again.
    void recipeBrowserRefreshRequested();

private:
    void fetchUnsearched();
    void arrangeSearched(bool narrowing);
    void arrange(QList<ManagedObject*> objects);
    bool listsAreCurrent() const;

    ObjectContext* m_context;
    PredicatePtr m_filter;
    PredicatePtr m_search;
    QList<SortDescriptor> m_sortDescriptors = defaultSortDescriptors();
    QList<ManagedObject*> m_arranged;
    QList<ManagedObject*> m_selection;
    // The group's recipes without the search, sorted, as last fetched: a search filters
    // them in order instead of fetching and sorting again. They and the arranged list are
    // current while the context's change generation is the one they were fetched at.
    QList<ManagedObject*> m_unsearched;
    bool m_hasUnsearched = false;
    quint64 m_generation = 0;
    int m_browserRefresh = 0;
    TextSearchIndex* m_searchIndex;
};
