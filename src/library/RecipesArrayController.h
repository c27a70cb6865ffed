#pragma once

#include "platform/Predicate.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

class ManagedObject;
class ObjectContext;

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
    void setSearchPredicate(PredicatePtr search);
    PredicatePtr searchPredicate() const { return m_search; }

    // Fetches again (after records changed).
    void rearrangeObjects();

    const QList<ManagedObject*>& arrangedObjects() const { return m_arranged; }
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

signals:
    void selectionChanged();
    // The arranged list was fetched again.
    void arrangedObjectsChanged();

private:

    ObjectContext* m_context;
    PredicatePtr m_filter;
    PredicatePtr m_search;
    QList<ManagedObject*> m_arranged;
    QList<ManagedObject*> m_selection;
};
