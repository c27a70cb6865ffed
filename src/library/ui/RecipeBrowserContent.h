#pragma once

#include "VisualBrowserContent.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QSet>

class ManagedObject;
class RecipesArrayController;

// The recipes of a visual browser: an ordered list of records (the recipe list's arranged
// objects) with the recipe list's selection, the one the table shows. A card shows the
// recipe's name, first picture and "new" mark, and its rating, difficulty and keywords in the
// overlay; the recipe's dateUpdated is the row's stamp.
class RecipeBrowserContent : public VisualBrowserContent {
    Q_OBJECT
public:
    explicit RecipeBrowserContent(QObject* parent = nullptr);

    // The list whose selection is mirrored and changed; null detaches.
    void setController(RecipesArrayController* controller);
    RecipesArrayController* controller() const { return m_controller; }

    void setRecords(const QList<ManagedObject*>& records) { m_records = records; }
    const QList<ManagedObject*>& records() const { return m_records; }

    int count() const override { return int(m_records.size()); }
    VisualBrowserCard cardAt(int row) const override;
    QString nameAt(int row) const override;
    QDateTime stampAt(int row) const override;
    QList<int> selectionIndexes() const override;
    bool isRowSelected(int row) const override;
    void setSelectionIndexes(const QList<int>& rows, int selectedRow) override;

private:
    void controllerSelectionChanged();

    QPointer<RecipesArrayController> m_controller;
    QMetaObject::Connection m_connection;
    QList<ManagedObject*> m_records;
    QSet<const ManagedObject*> m_selected;
};
