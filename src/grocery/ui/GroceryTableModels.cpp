#include "GroceryTableModels.h"
#include "platform/RowDrag.h"

#include "grocery/GroceryController.h"

#include <QFont>
#include <QIODevice>
#include <QMimeData>
#include <QPalette>

namespace {

QVariant checkState(bool checked) {
    return checked ? Qt::Checked : Qt::Unchecked;
}

bool isChecked(const QVariant& value) {
    return value.toInt() == Qt::Checked;
}

} // namespace

GroceryRowsModel::GroceryRowsModel(GroceryController* controller, QObject* parent)
    : QAbstractTableModel(parent), m_controller(controller) {
    if (controller)
        connect(controller, &GroceryController::changed, this, &GroceryRowsModel::refresh);
}

int GroceryRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

void GroceryRowsModel::refresh() {
    const int rows = m_controller ? rowsInController() : 0;
    if (rows != m_rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    } else if (rows > 0) {
        emit dataChanged(index(0, 0), index(rows - 1, columnCount() - 1));
    }
}

// The recipes tab.

GroceryRecipeRowsModel::GroceryRecipeRowsModel(GroceryController* controller, QObject* parent)
    : GroceryRowsModel(controller, parent) {
    m_rows = rowsInController();
}

int GroceryRecipeRowsModel::rowsInController() const {
    return m_controller ? static_cast<int>(m_controller->recipeRows().size()) : 0;
}

int GroceryRecipeRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

bool GroceryRecipeRowsModel::isRecipeTitle(int row) const {
    return m_controller && row >= 0 && row < m_controller->recipeRows().size() &&
           m_controller->recipeRows().at(row).isRecipeTitle;
}

QVariant GroceryRecipeRowsModel::data(const QModelIndex& index, int role) const {
    if (!m_controller || !index.isValid() || index.row() >= m_controller->recipeRows().size())
        return {};
    const GroceryRecipeRow& row = m_controller->recipeRows().at(index.row());
    const bool ingredient = !row.isRecipeTitle && !row.isGroupTitle;
    switch (role) {
    case Qt::DisplayRole:
        if (row.isRecipeTitle)
            return index.column() == IncludedColumn ? row.name : QVariant();
        switch (index.column()) {
        case QuantityColumn:
            return row.quantity;
        case MeasurementColumn:
            return row.measurement;
        case NameColumn:
            return row.name;
        case MethodColumn:
            return row.method;
        default:
            return {};
        }
    case Qt::CheckStateRole:
        if (index.column() == IncludedColumn && ingredient)
            return checkState(!row.isExcluded);
        return {};
    case Qt::FontRole: {
        QFont font;
        if (row.isRecipeTitle || row.isGroupTitle)
            font.setBold(true);
        if (row.isExcluded && ingredient)
            font.setStrikeOut(true);
        return font;
    }
    case Qt::ForegroundRole:
        if (row.isExcluded && ingredient)
            return QPalette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    case Qt::ToolTipRole:
        if (index.column() == IncludedColumn && ingredient)
            return row.isExcluded ? tr("Left off the consolidated list") : tr("On the consolidated list");
        return {};
    default:
        return {};
    }
}

QVariant GroceryRecipeRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case IncludedColumn:
        return tr("Include");
    case QuantityColumn:
        return tr("Quantity");
    case MeasurementColumn:
        return tr("Measurement");
    case NameColumn:
        return tr("Ingredient");
    case MethodColumn:
        return tr("Method");
    default:
        return {};
    }
}

Qt::ItemFlags GroceryRecipeRowsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const GroceryRecipeRow& row = m_controller->recipeRows().at(index.row());
    if (index.column() == IncludedColumn && !row.isRecipeTitle && !row.isGroupTitle)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

bool GroceryRecipeRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_controller || role != Qt::CheckStateRole || index.column() != IncludedColumn ||
        !(flags(index) & Qt::ItemIsUserCheckable))
        return false;
    m_controller->setExcluded({index.row()}, !isChecked(value));
    return true;
}

// Own items.

GroceryMyItemsModel::GroceryMyItemsModel(GroceryController* controller, QObject* parent)
    : GroceryRowsModel(controller, parent) {
    m_rows = rowsInController();
}

int GroceryMyItemsModel::rowsInController() const {
    return m_controller ? static_cast<int>(m_controller->myItems().size()) : 0;
}

QString GroceryMyItemsModel::keyForColumn(int column) {
    switch (column) {
    case QuantityColumn:
        return QStringLiteral("quantity");
    case MeasurementColumn:
        return QStringLiteral("measurement");
    case NameColumn:
        return QStringLiteral("name");
    case MethodColumn:
        return QStringLiteral("method");
    default:
        return {};
    }
}

QString GroceryMyItemsModel::rowsMimeType() {
    return QStringLiteral("application/x-larkspoon-grocery-item-rows");
}

int GroceryMyItemsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GroceryMyItemsModel::data(const QModelIndex& index, int role) const {
    if (!m_controller || !index.isValid() || index.row() >= m_controller->myItems().size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const GroceryItem& item = m_controller->myItems().at(index.row());
    switch (index.column()) {
    case QuantityColumn:
        return item.quantity;
    case MeasurementColumn:
        return item.measurement;
    case NameColumn:
        return item.name;
    case MethodColumn:
        return item.method;
    default:
        return {};
    }
}

QVariant GroceryMyItemsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case QuantityColumn:
        return tr("Quantity");
    case MeasurementColumn:
        return tr("Measurement");
    case NameColumn:
        return tr("Item");
    case MethodColumn:
        return tr("Method");
    default:
        return {};
    }
}

Qt::ItemFlags GroceryMyItemsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
}

bool GroceryMyItemsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_controller || role != Qt::EditRole || !index.isValid())
        return false;
    const QString text = value.toString();
    if (data(index, Qt::EditRole).toString() == text)
        return false;
    m_controller->setItemField(index.row(), keyForColumn(index.column()), text);
    return true;
}

QStringList GroceryMyItemsModel::mimeTypes() const {
    return {rowsMimeType(), QStringLiteral("text/plain")};
}

QMimeData* GroceryMyItemsModel::mimeData(const QModelIndexList& indexes) const {
    return mimeDataForRows(indexes, rowsMimeType());
}

Qt::DropActions GroceryMyItemsModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

bool GroceryMyItemsModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                          const QModelIndex&) const {
    return data && (data->hasFormat(rowsMimeType()) || data->hasText());
}

// Rows of this table move to the drop position; text from elsewhere is parsed into items
// appended at the end, as the ingredient list of a recipe takes it.
bool GroceryMyItemsModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                       const QModelIndex& parent) {
    if (!m_controller || !data || action == Qt::IgnoreAction)
        return false;
    if (data->hasFormat(rowsMimeType())) {
        const int count = static_cast<int>(m_controller->myItems().size());
        const QList<int> rows = rowsFromMimeData(data, rowsMimeType(), count);
        if (rows.isEmpty())
            return false;
        const int dropRow = row >= 0 ? row : parent.isValid() ? parent.row() : count;
        const QList<int> moved = m_controller->moveItems(rows, dropRow);
        emit rowsArrived(moved);
        // The rows are moved already: the view must not remove the originals.
        return false;
    }
    if (!data->hasText())
        return false;
    const int before = static_cast<int>(m_controller->myItems().size());
    const int added = m_controller->addItemsFromText(data->text());
    if (added <= 0)
        return false;
    QList<int> rows;
    for (int r = before; r < before + added; ++r)
        rows.append(r);
    emit rowsArrived(rows);
    return true;
}

// The consolidated list.

GroceryConsolidatedModel::GroceryConsolidatedModel(GroceryController* controller, QObject* parent)
    : GroceryRowsModel(controller, parent) {
    m_rows = rowsInController();
}

int GroceryConsolidatedModel::rowsInController() const {
    return m_controller ? static_cast<int>(m_controller->consolidatedRows().size()) : 0;
}

int GroceryConsolidatedModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

bool GroceryConsolidatedModel::allNeeded() const {
    if (!m_controller || m_controller->consolidatedRows().isEmpty())
        return false;
    for (const GroceryConsolidatedRow& row : m_controller->consolidatedRows())
        if (!row.needed)
            return false;
    return true;
}

QVariant GroceryConsolidatedModel::data(const QModelIndex& index, int role) const {
    if (!m_controller || !index.isValid() || index.row() >= m_controller->consolidatedRows().size())
        return {};
    const GroceryConsolidatedRow& row = m_controller->consolidatedRows().at(index.row());
    if (index.column() == NeededColumn)
        return role == Qt::CheckStateRole ? checkState(row.needed) : QVariant();
    if (index.column() == AisleColumn) {
        if (role == Qt::DisplayRole)
            return row.categoryName;
        if (role == Qt::EditRole)
            return row.category;
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case QuantityColumn:
        return row.quantity;
    case MeasurementColumn:
        return row.measurement;
    case NameColumn:
        return row.name;
    case MethodColumn:
        return row.method;
    default:
        return {};
    }
}

QVariant GroceryConsolidatedModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::ToolTipRole && section == NeededColumn)
        return tr("Click to check or uncheck all items");
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NeededColumn:
        return tr("Needed");
    case QuantityColumn:
        return tr("Quantity");
    case MeasurementColumn:
        return tr("Measurement");
    case NameColumn:
        return tr("Ingredient");
    case MethodColumn:
        return tr("Method");
    case AisleColumn:
        return tr("Aisle");
    default:
        return {};
    }
}

Qt::ItemFlags GroceryConsolidatedModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == NeededColumn)
        return flags | Qt::ItemIsUserCheckable;
    return flags | Qt::ItemIsEditable;
}

bool GroceryConsolidatedModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_controller || !index.isValid())
        return false;
    if (index.column() == NeededColumn) {
        if (role != Qt::CheckStateRole)
            return false;
        m_controller->setNeeded(index.row(), isChecked(value));
        return true;
    }
    if (role != Qt::EditRole)
        return false;
    if (index.column() == AisleColumn) {
        const int position = value.toInt();
        if (position < 0 || position > m_controller->categoryNames().size() ||
            position == m_controller->consolidatedRows().at(index.row()).category)
            return false;
        m_controller->setCategoryPosition(index.row(), position);
        return true;
    }
    const QString text = value.toString();
    if (data(index, Qt::EditRole).toString() == text)
        return false;
    static const char* const keys[] = {"needed", "quantity", "measurement", "name", "method"};
    m_controller->setConsolidatedField(index.row(), QLatin1String(keys[index.column()]), text);
    return true;
}
