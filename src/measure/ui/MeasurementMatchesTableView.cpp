#include "MeasurementMatchesTableView.h"

#include "library/AppController.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/ManagedObject.h"
#include "platform/Scheduler.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPalette>

namespace {

const QString kName = QStringLiteral("name");
const QString kRequired = QStringLiteral("required");

// The delay before a new record's name opens for editing, once the table shows its row.
constexpr double kEditDelaySeconds = 0.1;

} // namespace

MeasurementRecordsModel::MeasurementRecordsModel(QString header, QObject* parent)
    : QAbstractTableModel(parent), m_header(std::move(header)) {}

void MeasurementRecordsModel::setRecords(const QList<ManagedObject*>& records) {
    if (records == m_records) {
        if (!m_records.isEmpty())
            Q_EMIT dataChanged(index(0, 0), index(int(m_records.size()) - 1, 0));
        return;
    }
    beginResetModel();
    m_records = records;
    endResetModel();
}

ManagedObject* MeasurementRecordsModel::recordAt(int row) const {
    return row >= 0 && row < m_records.size() ? m_records.at(row) : nullptr;
}

void MeasurementRecordsModel::saveLibrary() {
    if (AppController* app = AppController::instance())
        app->saveAction();
}

bool MeasurementRecordsModel::isNameEditable(const ManagedObject* record) const {
    return record && !record->isDeleted() && (!m_nameEditable || m_nameEditable(record));
}

int MeasurementRecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_records.size());
}

int MeasurementRecordsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

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
    Q_EMIT dataChanged(index, index);
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

MeasurementMatchesTableView::MeasurementMatchesTableView(QWidget* parent)
    : QTableView(parent), m_model(new MeasurementRecordsModel(tr("Matches"), this)) {
    setObjectName(QStringLiteral("MeasurementMatchesTableView"));
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setAlternatingRowColors(true);
    setShowGrid(false);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    // A required match carries a unit key the converter looks for.
    m_model->setNameEditable([](const ManagedObject* match) { return !match->valueForKey(kRequired).toBool(); });
    m_model->setNameEdited([](ManagedObject*) { MeasurementRecordsModel::saveLibrary(); });
}

void MeasurementMatchesTableView::setController(SmartMeasurementsController* controller) {
    m_controller = controller;
    setSmartMeasurement(nullptr);
}

void MeasurementMatchesTableView::setSmartMeasurement(ManagedObject* smartMeasurement) {
    m_smartMeasurement = smartMeasurement;
    reloadData();
}

void MeasurementMatchesTableView::reloadData() {
    if (m_smartMeasurement && m_smartMeasurement->isDeleted())
        m_smartMeasurement = nullptr;
    const QList<ManagedObject*> selected = selectedRecords();
    m_model->setRecords(SmartMeasurementsController::measurementMatches(m_smartMeasurement));
    if (!selectionModel()->hasSelection())
        for (ManagedObject* record : selected)
            selectRecord(record);
}

QList<ManagedObject*> MeasurementMatchesTableView::selectedRecords() const {
    QList<ManagedObject*> records;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        if (ManagedObject* record = m_model->recordAt(index.row()))
            records.append(record);
    return records;
}

void MeasurementMatchesTableView::selectRecord(ManagedObject* record) {
    const int row = int(m_model->records().indexOf(record));
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row, 0);
    selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
}

void MeasurementMatchesTableView::add() {
    if (!m_controller || !m_smartMeasurement)
        return;
    ManagedObject* match = m_controller->addMeasurementMatch(m_smartMeasurement);
    if (!match)
        return;
    reloadData();
    clearSelection();
    selectRecord(match);
    MeasurementRecordsModel::saveLibrary();
    editRecordLater(match);
}

void MeasurementMatchesTableView::remove() {
    const QList<ManagedObject*> selected = selectedRecords();
    if (!m_controller || selected.isEmpty())
        return;
    const int removed = m_controller->removeMeasurementMatches(selected);
    reloadData();
    if (removed > 0)
        MeasurementRecordsModel::saveLibrary();
}

void MeasurementMatchesTableView::editSelectedRow() {
    const QList<QModelIndex> rows = selectionModel()->selectedRows();
    if (!rows.isEmpty())
        edit(rows.first());
}

void MeasurementMatchesTableView::editRecordLater(ManagedObject* record) {
    Scheduler::instance().schedule(
        kEditDelaySeconds,
        [this, record] {
            const int row = int(m_model->records().indexOf(record));
            if (row >= 0)
                edit(m_model->index(row, 0));
        },
        this);
}
