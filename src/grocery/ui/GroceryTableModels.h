#pragma once

#include <QAbstractTableModel>
#include <QPointer>

#include "grocery/GroceryController.h"

// The table models of the grocery editor's three tabs, each a view of the rows the
// grocery controller holds. Edits go to the controller, which stores them; when it says
// its rows changed, a model with the same number of rows repaints them (an open cell
// editor stays open) and one whose rows came or went is reset.
class GroceryRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GroceryRowsModel(GroceryController* controller, QObject* parent = nullptr);
    GroceryController* controller() const { return m_controller; }
    int rowCount(const QModelIndex& parent = {}) const override;

protected:
    virtual int rowsInController() const = 0;
    void refresh();

    QPointer<GroceryController> m_controller;
    int m_rows = 0;
};

// The recipes tab: each recipe's title row, then its ingredients; the first column ticks
// an ingredient in or out of the list.
class GroceryRecipeRowsModel final : public GroceryRowsModel {
    Q_OBJECT
public:
    enum Column { IncludedColumn, QuantityColumn, MeasurementColumn, NameColumn, MethodColumn, ColumnCount };
    explicit GroceryRecipeRowsModel(GroceryController* controller, QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    bool isRecipeTitle(int row) const;

protected:
    int rowsInController() const override;
};

// The user's own items: every cell editable; text dropped from elsewhere becomes items
// through the ingredient parser, rows dragged within the table move.
class GroceryMyItemsModel final : public GroceryRowsModel {
    Q_OBJECT
public:
    enum Column { QuantityColumn, MeasurementColumn, NameColumn, MethodColumn, ColumnCount };
    explicit GroceryMyItemsModel(GroceryController* controller, QObject* parent = nullptr);

    static QString keyForColumn(int column);
    // The type under which rows dragged within the table travel.
    static QString rowsMimeType();

    int columnCount(const QModelIndex& parent = {}) const override;
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
    // Rows dropped or moved: the view selects them.
    void rowsArrived(const QList<int>& rows);

protected:
    int rowsInController() const override;
};

// The consolidated list: the needed tick, the editable quantity, measurement, name and
// method, and the aisle (its position among the categories under Qt::EditRole).
class GroceryConsolidatedModel final : public GroceryRowsModel {
    Q_OBJECT
public:
    enum Column {
        NeededColumn,
        QuantityColumn,
        MeasurementColumn,
        NameColumn,
        MethodColumn,
        AisleColumn,
        ColumnCount
    };
    explicit GroceryConsolidatedModel(GroceryController* controller, QObject* parent = nullptr);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Whether every row is ticked (false for no rows).
    bool allNeeded() const;

protected:
    int rowsInController() const override;
};
