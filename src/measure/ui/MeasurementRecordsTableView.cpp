#include "MeasurementRecordsTableView.h"

#include "measure/SmartMeasurementsController.h"

#include "platform/ManagedObject.h"
#include "platform/Scheduler.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPalette>

namespace {

const QString kName = QStringLiteral("name");

// The delay before a new record's name opens for editing, once the table shows its row.
constexpr double kEditDelaySeconds = 0.1;

} // namespace

MeasurementRecordsModel::MeasurementRecordsModel(QString header, QObject* parent)
    : QAbstractTableModel(parent), m_header(std::move(header)) {}

void MeasurementRecordsModel::setRecords(const QList<ManagedObject*>& records) {
    if (records == m_records) {
        if (!m_records.isEmpty())
            emit dataChanged(index(0, 0), index(int(m_records.size()) - 1, 0));
        return;
    }
    beginResetModel();
    m_records = records;
    endResetModel();
}

ManagedObject* MeasurementRecordsModel::recordAt(int row) const {
    return row >= 0 && row < m_records.size() ? m_records.at(row) : nullptr;
}

bool MeasurementRecordsModel::isNameEditable(const ManagedObject* record) const {
    return record && !record->isDeleted() && (!m_nameEditable || m_nameEditable(record));
}

int MeasurementRecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_records.size());
}

int MeasurementRecordsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant MeasurementRecordsModel::data(const QModelIndex& index, int role) const {
    const ManagedObject* record = recordAt(index.row());
    if (!record || record->isDeleted())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return record->stringValue(kName);
    case Qt::ForegroundRole:
        // A name that cannot be edited is drawn dimmed so the refusal does not surprise.
        if (!isNameEditable(record))
            return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return QVariant();
    default:
        return QVariant();
    }
}

bool MeasurementRecordsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    ManagedObject* record = recordAt(index.row());
    if (role != Qt::EditRole || !isNameEditable(record))
        return false;
    const QString name = value.toString();
    if (name == record->stringValue(kName))
        return true;
    record->setValueForKey(name, kName);
    emit dataChanged(index, index);
    if (m_nameEdited)
        m_nameEdited(record);
    return true;
}

Qt::ItemFlags MeasurementRecordsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (isNameEditable(recordAt(index.row())))
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant MeasurementRecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return m_header;
    return QVariant();
}

MeasurementRecordsTableView::MeasurementRecordsTableView(const QString& header, const QString& objectName,
                                                         QWidget* parent)
    : QTableView(parent), m_model(new MeasurementRecordsModel(header, this)) {
    setObjectName(objectName);
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setAlternatingRowColors(true);
    setShowGrid(false);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
}

QList<ManagedObject*> MeasurementRecordsTableView::selectedRecords() const {
    QList<ManagedObject*> records;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (ManagedObject* record = m_model->recordAt(index.row()))
            records.append(record);
    return records;
}

void MeasurementRecordsTableView::selectRecord(ManagedObject* record) {
    const int row = int(m_model->records().indexOf(record));
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row, 0);
    selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
}

void MeasurementRecordsTableView::showRecords(const QList<ManagedObject*>& records) {
    const QList<ManagedObject*> selected = selectedRecords();
    m_model->setRecords(records);
    if (!selectionModel()->hasSelection())
        for (ManagedObject* record : selected)
            selectRecord(record);
}

void MeasurementRecordsTableView::editSelectedRow() {
    const QList<QModelIndex> rows = selectionModel()->selectedRows();
    if (!rows.isEmpty())
        edit(rows.first());
}

void MeasurementRecordsTableView::saveLibrary() {
    if (m_controller)
        m_controller->saveLibrary();
}

void MeasurementRecordsTableView::showAddedRecord(ManagedObject* record) {
    reloadData();
    clearSelection();
    selectRecord(record);
    saveLibrary();
    Scheduler::instance().schedule(
        kEditDelaySeconds,
        [this, record] {
            const int row = int(m_model->records().indexOf(record));
            if (row >= 0)
                edit(m_model->index(row, 0));
        },
        this);
}
