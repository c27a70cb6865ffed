#include "GroceryCategoriesTableView.h"
#include "platform/RowDrag.h"

#include "grocery/GroceryController.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIODevice>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

// The model.

GroceryCategoriesModel::GroceryCategoriesModel(GroceryController* controller, QObject* parent)
    : QAbstractListModel(parent), m_controller(controller) {
    m_rows = m_controller ? static_cast<int>(m_controller->categories().categories().size()) : 0;
}

QString GroceryCategoriesModel::rowsMimeType() {
    return QStringLiteral("application/x-larkspoon-grocery-category-rows");
}

void GroceryCategoriesModel::reload() {
    beginResetModel();
    m_rows = m_controller ? static_cast<int>(m_controller->categories().categories().size()) : 0;
    endResetModel();
}

int GroceryCategoriesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

QVariant GroceryCategoriesModel::data(const QModelIndex& index, int role) const {
    if (!m_controller || !index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const auto& categories = m_controller->categories().categories();
    if (index.row() >= categories.size())
        return {};
    return categories.at(index.row()).name;
}

QVariant GroceryCategoriesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section != 0)
        return {};
    return tr("Aisle");
}

// Items take no drops themselves, so a drop always lands between two rows.
Qt::ItemFlags GroceryCategoriesModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
}

bool GroceryCategoriesModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_controller || role != Qt::EditRole || !index.isValid() || index.row() >= m_rows)
        return false;
    const QString name = value.toString();
    if (data(index, Qt::EditRole).toString() == name)
        return false;
    m_controller->categories().renameCategory(index.row(), name);
    emit dataChanged(index, index);
    emit renamed();
    return true;
}

QStringList GroceryCategoriesModel::mimeTypes() const {
    return {rowsMimeType()};
}

QMimeData* GroceryCategoriesModel::mimeData(const QModelIndexList& indexes) const {
    return mimeDataForRows(indexes, rowsMimeType());
}

Qt::DropActions GroceryCategoriesModel::supportedDropActions() const {
    return Qt::MoveAction;
}

bool GroceryCategoriesModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                             const QModelIndex&) const {
    return data && data->hasFormat(rowsMimeType());
}

bool GroceryCategoriesModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                          const QModelIndex& parent) {
    if (!m_controller || !data || action == Qt::IgnoreAction || !data->hasFormat(rowsMimeType()))
        return false;
    const QList<int> rows = rowsFromMimeData(data, rowsMimeType(), m_rows);
    if (rows.isEmpty())
        return false;
    const int dropRow = row >= 0 ? row : parent.isValid() ? parent.row() : m_rows;
    const QList<int> moved = m_controller->categories().moveCategories(rows, dropRow);
    reload();
    emit rowsMoved(moved);
    // The rows are moved already: the view must not remove the originals.
    return false;
}

// The table.

GroceryCategoriesTableView::GroceryCategoriesTableView(GroceryController* controller, QWidget* parent)
    : QTableView(parent), m_controller(controller), m_model(new GroceryCategoriesModel(controller, this)) {
    setObjectName(QStringLiteral("groceryCategoriesTable"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                    QAbstractItemView::EditKeyPressed);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragDropOverwriteMode(false);
    setDefaultDropAction(Qt::MoveAction);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
    connect(m_model, &GroceryCategoriesModel::renamed, this, &GroceryCategoriesTableView::saveContext);
    connect(m_model, &GroceryCategoriesModel::rowsMoved, this, [this](const QList<int>& rows) {
        selectRows(rows);
        saveContext();
    });
}

QList<int> GroceryCategoriesTableView::selectedRowIndexes() const {
    QList<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void GroceryCategoriesTableView::selectRows(const QList<int>& rows) {
    QItemSelection selection;
    for (int row : rows)
        if (row >= 0 && row < m_model->rowCount())
            selection.select(m_model->index(row, 0), m_model->index(row, 0));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!selection.isEmpty()) {
        selectionModel()->setCurrentIndex(m_model->index(rows.first(), 0), QItemSelectionModel::NoUpdate);
        scrollTo(m_model->index(rows.last(), 0));
    }
}

void GroceryCategoriesTableView::reload() {
    m_model->reload();
}

// The new aisle is written at once, so it is kept even when the window closes before its
// name is edited.
void GroceryCategoriesTableView::addItem() {
    const QList<int> rows = selectedRowIndexes();
    const int row = m_controller->categories().addCategory(rows.isEmpty() ? -1 : rows.last());
    m_model->reload();
    selectRows({row});
    saveContext();
    const QModelIndex name = m_model->index(row, 0);
    setFocus(Qt::OtherFocusReason);
    selectionModel()->setCurrentIndex(name, QItemSelectionModel::NoUpdate);
    edit(name);
}

void GroceryCategoriesTableView::removeSelectedItem() {
    const QList<int> rows = selectedRowIndexes();
    if (rows.isEmpty())
        return;
    // From the bottom up, so the rows above keep their places.
    for (auto row = rows.crbegin(); row != rows.crend(); ++row)
        m_controller->categories().removeCategory(*row);
    m_model->reload();
    clearSelection();
    saveContext();
}

void GroceryCategoriesTableView::moveRows(const QList<int>& rows, int dropRow) {
    const QList<int> moved = m_controller->categories().moveCategories(rows, dropRow);
    m_model->reload();
    selectRows(moved);
    saveContext();
}

bool GroceryCategoriesTableView::saveContext() {
    QString error;
    const bool saved = m_controller->categories().saveCategories(&error);
    if (!saved) {
        qWarning("the grocery categories could not be written: %s", qPrintable(error));
        emit saveFailed(error);
    }
    // The aisle pop-up reads the names when it opens; the rows take their new positions.
    m_controller->categoriesChanged();
    return saved;
}

void GroceryCategoriesTableView::keyPressEvent(QKeyEvent* event) {
    if (state() != EditingState &&
        (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace)) {
        removeSelectedItem();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

// The window.

GroceryCategoriesDialog::GroceryCategoriesDialog(GroceryController* controller, QWidget* parent)
    : QDialog(parent), m_table(new GroceryCategoriesTableView(controller, this)) {
    setObjectName(QStringLiteral("groceryCategoriesDialog"));
    setWindowTitle(tr("Aisles"));
    auto* layout = new QVBoxLayout(this);
    auto* hint = new QLabel(tr("Drag the aisles into the order you walk the store."), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    layout->addWidget(m_table, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    auto* add = new QToolButton(this);
    add->setObjectName(QStringLiteral("addCategoryButton"));
    add->setText(QStringLiteral("+"));
    add->setToolTip(tr("Add Aisle"));
    add->setMinimumWidth(28);
    auto* remove = new QToolButton(this);
    remove->setObjectName(QStringLiteral("removeCategoryButton"));
    remove->setText(QStringLiteral("−"));
    remove->setToolTip(tr("Remove Selected Aisle"));
    remove->setMinimumWidth(28);
    connect(add, &QToolButton::clicked, m_table, &GroceryCategoriesTableView::addItem);
    connect(remove, &QToolButton::clicked, m_table, &GroceryCategoriesTableView::removeSelectedItem);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    resize(320, 380);
}
