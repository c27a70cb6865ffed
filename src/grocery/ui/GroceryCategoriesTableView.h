#pragma once

#include <QAbstractListModel>
#include <QDialog>
#include <QPointer>
#include <QTableView>

class GroceryController;

// The library's aisles as one editable column, in print order. Rows dragged within the
// table move to the drop position; the view stores every change.
class GroceryCategoriesModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit GroceryCategoriesModel(GroceryController* controller, QObject* parent = nullptr);

    // The type under which rows dragged within the table travel.
    static QString rowsMimeType();

    // Shows the controller's aisles again after they were added, removed or moved.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    // A name was edited.
    void renamed();
    // Rows were dragged to a new place: their new rows, ascending.
    void rowsMoved(const QList<int>& rows);

private:
    QPointer<GroceryController> m_controller;
    int m_rows = 0;
};

// The editor of the library's aisles: "New Category" added after the selection, the
// selected aisle removed, names edited in place and rows reordered by dragging. Every
// change is written to "Grocery Categories.plist" at once, and the grocery list is
// consolidated again so its aisle pop-up and its rows follow.
class GroceryCategoriesTableView : public QTableView {
    Q_OBJECT
public:
    explicit GroceryCategoriesTableView(GroceryController* controller, QWidget* parent = nullptr);

    GroceryCategoriesModel* categoriesModel() const { return m_model; }
    QList<int> selectedRowIndexes() const;
    void selectRows(const QList<int>& rows);

    // Reads the aisles shown again from the controller.
    void reload();
    // A "New Category" just after the last selected row (at the top when none is
    // selected), selected, with its name open for editing.
    void addItem();
    // Removes the selected aisles. Matches filed under them give no aisle from then on.
    void removeSelectedItem();
    // Moves the rows (in their old order) to the drop position; they stay selected.
    void moveRows(const QList<int>& rows, int dropRow);
    // Writes the aisles and lets the grocery list follow them.
    bool saveContext();

signals:
    // The aisles could not be written; error says why.
    void saveFailed(const QString& error);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    GroceryController* m_controller;
    GroceryCategoriesModel* m_model;
};

// The aisles editor as a window of the grocery editor, with add and remove buttons.
class GroceryCategoriesDialog final : public QDialog {
    Q_OBJECT
public:
    explicit GroceryCategoriesDialog(GroceryController* controller, QWidget* parent = nullptr);

    GroceryCategoriesTableView* table() const { return m_table; }

private:
    GroceryCategoriesTableView* m_table;
};
