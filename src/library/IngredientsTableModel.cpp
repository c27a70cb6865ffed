#include "IngredientsTableModel.h"
#include "platform/RowDrag.h"

#include "IngredientRecords.h"
#include "measure/IngredientsSorter.h"
#include "measure/MeasurementsConverter.h"
#include "platform/ManagedObject.h"
#include "platform/ObjectContext.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QIODevice>
#include <QMimeData>

#include <algorithm>

namespace {

const QString kQuantity = QStringLiteral("quantity");
const QString kMeasurement = QStringLiteral("measurement");
const QString kName = QStringLiteral("name");
const QString kMethod = QStringLiteral("method");
const QString kIsGroupTitle = QStringLiteral("isGroupTitle");
const QString kPresentError = QStringLiteral("presentError");

QList<int> sortedUnique(QList<int> rows, int count) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [count](int row) { return row < 0 || row >= count; }),
               rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

IngredientsTableModel::IngredientsTableModel(ObjectContext* context, QObject* parent)
    : QAbstractTableModel(parent), m_context(context) {}

IngredientsTableModel::~IngredientsTableModel() = default;

MeasurementsConverter& IngredientsTableModel::converter() {
    if (!m_converter)
        m_converter = std::make_unique<MeasurementsConverter>(m_context.data());
    return *m_converter;
}

QString IngredientsTableModel::keyForColumn(int column) {
    switch (column) {
    case QuantityColumn:
        return kQuantity;
    case MeasurementColumn:
        return kMeasurement;
    case NameColumn:
        return kName;
    case MethodColumn:
        return kMethod;
    default:
        return {};
    }
}

void IngredientsTableModel::fillInValuesFromRecipe(const ManagedObject* recipe) {
    beginResetModel();
    m_rows = recipe ? IngredientRecords::ingredientsOfRecipe(recipe) : QVariantList();
    endResetModel();
    convertIngredientsToPreferredValues();
}

void IngredientsTableModel::saveIngredients(ManagedObject* recipe) {
    convertIngredientsToPreferredValues();
    if (recipe)
        IngredientRecords::setIngredientsOfRecipe(recipe, rowsAsSaved(m_rows, converter()));
}

void IngredientsTableModel::setContextArray(const QVariantList& rows) {
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

void IngredientsTableModel::convertIngredientToPreferredValues(QVariantMap& row,
                                                               MeasurementsConverter& converter) {
    QString quantity;
    if (row.contains(kQuantity)) {
        quantity = MeasurementsConverter::normalStringByConvertingGraphicalFractionsFromString(
            row.value(kQuantity).toString());
        row.insert(kQuantity, quantity);
    }
    const QString measurement =
        converter.preferredMeasurementFromMeasurement(row.value(kMeasurement).toString(), quantity);
    if (!measurement.isNull())
        row.insert(kMeasurement, measurement);
}

QVariantList IngredientsTableModel::rowsAsSaved(const QVariantList& rows, MeasurementsConverter& converter) {
    QVariantList saved;
    saved.reserve(rows.size());
    for (const QVariant& entry : rows) {
        if (entry.typeId() != QMetaType::QVariantMap) {
            saved.append(entry);
            continue;
        }
        QVariantMap row = entry.toMap();
        row.remove(kPresentError);
        convertIngredientToPreferredValues(row, converter);
        saved.append(row);
    }
    return saved;
}

void IngredientsTableModel::convertIngredientsToPreferredValues() {
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows.at(row).typeId() == QMetaType::QVariantMap) {
            QVariantMap record = m_rows.at(row).toMap();
            convertIngredientToPreferredValues(record, converter());
            m_rows[row] = record;
        }
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
}

void IngredientsTableModel::endEditingRow(int row) {
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).typeId() != QMetaType::QVariantMap)
        return;
    QVariantMap record = m_rows.at(row).toMap();
    convertIngredientToPreferredValues(record, converter());
    record.remove(kPresentError);
    m_rows[row] = record;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int IngredientsTableModel::addIngredientAtIndex(int index) {
    index = std::clamp(index, 0, int(m_rows.size()));
    beginInsertRows({}, index, index);
    m_rows.insert(index, IngredientRecords::newIngredientRecord());
    endInsertRows();
    return index;
}

int IngredientsTableModel::addIngredientAboveSelection(const QList<int>& selectedRows) {
    const QList<int> rows = sortedUnique(selectedRows, int(m_rows.size()));
    return addIngredientAtIndex(rows.isEmpty() ? 0 : rows.first());
}

int IngredientsTableModel::addIngredientBelowSelection(const QList<int>& selectedRows) {
    const QList<int> rows = sortedUnique(selectedRows, int(m_rows.size()));
    return addIngredientAtIndex(rows.isEmpty() ? int(m_rows.size()) : rows.last() + 1);
}

int IngredientsTableModel::addIngredientGroup(const QList<int>& selectedRows) {
    const int row = addIngredientAboveSelection(selectedRows);
    QVariantMap record = m_rows.at(row).toMap();
    record.insert(kIsGroupTitle, QStringLiteral("YES"));
    m_rows[row] = record;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    return row;
}

void IngredientsTableModel::deleteIngredients(const QList<int>& selectedRows) {
    const QList<int> rows = sortedUnique(selectedRows, int(m_rows.size()));
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        beginRemoveRows({}, *it, *it);
        m_rows.removeAt(*it);
        endRemoveRows();
    }
}

void IngredientsTableModel::convertIngredientsToGroups(const QList<int>& selectedRows) {
    for (int row : sortedUnique(selectedRows, int(m_rows.size()))) {
        if (m_rows.at(row).typeId() != QMetaType::QVariantMap)
            continue;
        QVariantMap record = m_rows.at(row).toMap();
        record.insert(kIsGroupTitle, QStringLiteral("YES"));
        record.remove(kQuantity);
        record.remove(kMeasurement);
        record.remove(kMethod);
        m_rows[row] = record;
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    }
}

QList<int> IngredientsTableModel::moveRows(QList<int> rows, int dropRow) {
    rows = sortedUnique(rows, int(m_rows.size()));
    if (rows.isEmpty())
        return {};
    dropRow = std::clamp(dropRow, 0, int(m_rows.size()));
    beginResetModel();
    // Each moved row is taken out and put back at the drop index, which then advances; a
    // row taken from above the drop index shifts it up by one. Taking the rows out from
    // the bottom keeps the indexes of the rows still to move valid.
    QVariantList moved;
    for (int row : rows)
        moved.append(m_rows.at(row));
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        m_rows.removeAt(*it);
    const int above =
        int(std::count_if(rows.begin(), rows.end(), [dropRow](int row) { return row < dropRow; }));
    const int insertAt = dropRow - above;
    QList<int> placed;
    for (int i = 0; i < moved.size(); ++i) {
        m_rows.insert(insertAt + i, moved.at(i));
        placed.append(insertAt + i);
    }
    endResetModel();
    return placed;
}

int IngredientsTableModel::appendIngredientsFromText(const QString& text) {
    const QVariantList parsed =
        IngredientsSorter(m_context.data(), m_libraryPath).sortedIngredientsFromString(text);
    if (parsed.isEmpty())
        return 0;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(parsed.size()) - 1);
    m_rows.append(parsed);
    endInsertRows();
    return int(parsed.size());
}

bool IngredientsTableModel::isGroupTitleRow(int row) const {
    return row >= 0 && row < m_rows.size() && IngredientRecords::isGroupTitle(m_rows.at(row));
}

int IngredientsTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int IngredientsTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant IngredientsTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const QVariant& row = m_rows.at(index.row());
    const bool title = IngredientRecords::isGroupTitle(row);
    const bool failed = row.toMap().value(kPresentError).toBool();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        // A title row shows its name across the row, starting in the first column.
        if (title)
            return index.column() == QuantityColumn ? IngredientRecords::textForKey(row, kName) : QVariant();
        return IngredientRecords::textForKey(row, keyForColumn(index.column()));
    case Qt::FontRole:
        if (title) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        return failed ? QVariant(QBrush(QColor(200, 0, 0))) : QVariant();
    case Qt::BackgroundRole:
        return failed ? QVariant(QBrush(QColor(255, 225, 225))) : QVariant();
    case IsGroupTitleRole:
        return title;
    case PresentErrorRole:
        return failed;
    default:
        return {};
    }
}

bool IngredientsTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.row() >= m_rows.size() ||
        m_rows.at(index.row()).typeId() != QMetaType::QVariantMap)
        return false;
    QVariantMap record = m_rows.at(index.row()).toMap();
    const bool title = IngredientRecords::isGroupTitle(record);
    const QString key = title ? kName : keyForColumn(index.column());
    if (key.isEmpty() || (title && index.column() != QuantityColumn))
        return false;
    record.insert(key, value.toString());
    m_rows[index.row()] = record;
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}

Qt::ItemFlags IngredientsTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    if (!isGroupTitleRow(index.row()) || index.column() == QuantityColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant IngredientsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
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

Qt::DropActions IngredientsTableModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

QStringList IngredientsTableModel::mimeTypes() const {
    return {selfRowIndexesType(), QStringLiteral("text/plain")};
}

QMimeData* IngredientsTableModel::mimeData(const QModelIndexList& indexes) const {
    return mimeDataForRows(indexes, selfRowIndexesType());
}

bool IngredientsTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                                            const QModelIndex& parent) const {
    if (!data)
        return false;
    // Own rows go between rows only; text from elsewhere may land anywhere.
    if (data->hasFormat(selfRowIndexesType()))
        return !parent.isValid() || row >= 0;
    return data->hasText();
}

bool IngredientsTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                         const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    if (data->hasFormat(selfRowIndexesType())) {
        const QList<int> rows = rowsFromMimeData(data, selfRowIndexesType(), int(m_rows.size()));
        if (rows.isEmpty())
            return false;
        const QList<int> placed = moveRows(rows, row < 0 ? int(m_rows.size()) : row);
        emit rowsDropped(placed);
        // The rows are already where they belong: the view must not remove the originals.
        return false;
    }
    const int first = int(m_rows.size());
    const int added = appendIngredientsFromText(data->text());
    QList<int> rows;
    for (int i = 0; i < added; ++i)
        rows.append(first + i);
    if (added)
        emit rowsDropped(rows);
    return added > 0;
}
