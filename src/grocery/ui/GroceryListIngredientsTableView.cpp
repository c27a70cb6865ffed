#include "GroceryListIngredientsTableView.h"

#include "GroceryTableModels.h"

#include "grocery/GroceryController.h"

#include <QHeaderView>
#include <QItemSelectionModel>

GroceryListIngredientsTableView::GroceryListIngredientsTableView(GroceryController* controller,
                                                                 QWidget* parent)
    : QTableView(parent), m_controller(controller), m_model(new GroceryRecipeRowsModel(controller, this)) {
    setObjectName(QStringLiteral("groceryIngredientsTable"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setSectionResizeMode(GroceryRecipeRowsModel::IncludedColumn,
                                             QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(GroceryRecipeRowsModel::NameColumn, QHeaderView::Stretch);
    horizontalHeader()->setHighlightSections(false);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &GroceryListIngredientsTableView::extendSelection);
    connect(m_model, &QAbstractItemModel::modelReset, this, &GroceryListIngredientsTableView::updateSpans);
    updateSpans();
}

// A recipe's title spans the whole row.
void GroceryListIngredientsTableView::updateSpans() {
    clearSpans();
    for (int row = 0; row < m_model->rowCount(); ++row)
        if (m_model->isRecipeTitle(row))
            setSpan(row, 0, 1, GroceryRecipeRowsModel::ColumnCount);
}

QList<int> GroceryListIngredientsTableView::selectedRowIndexes() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void GroceryListIngredientsTableView::includeSelection() {
    if (const QList<int> rows = selectedRowIndexes(); !rows.isEmpty())
        m_controller->setExcluded(rows, false);
}

void GroceryListIngredientsTableView::excludeSelection() {
    if (const QList<int> rows = selectedRowIndexes(); !rows.isEmpty())
        m_controller->setExcluded(rows, true);
}

void GroceryListIngredientsTableView::extendSelection() {
    if (m_extending)
        return;
    const QList<int> rows = selectedRowIndexes();
    const QList<int> extended = m_controller->extendedSelection(rows);
    if (extended == rows)
        return;
    m_extending = true;
    QItemSelection selection;
    for (int row : extended)
        selection.select(m_model->index(row, 0),
                         m_model->index(row, GroceryRecipeRowsModel::ColumnCount - 1));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_extending = false;
}

void GroceryListIngredientsTableView::scrollToSelectedRecipe(const QString& recipeUniqueID) {
    if (recipeUniqueID.isEmpty())
        return;
    const QList<GroceryRecipeRow>& rows = m_controller->recipeRows();
    for (int row = 0; row < rows.size(); ++row)
        if (rows.at(row).isRecipeTitle &&
            rows.at(row).recipe.compare(recipeUniqueID, Qt::CaseInsensitive) == 0) {
            scrollTo(m_model->index(row, 0), QAbstractItemView::PositionAtTop);
            return;
        }
}
