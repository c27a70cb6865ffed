#include "MeasurementMatchesTableView.h"

#include "measure/SmartMeasurementsController.h"
#include "platform/ManagedObject.h"

namespace {

const QString kRequired = QStringLiteral("required");

} // namespace

MeasurementMatchesTableView::MeasurementMatchesTableView(QWidget* parent)
    : MeasurementRecordsTableView(tr("Matches"), QStringLiteral("MeasurementMatchesTableView"), parent) {
    // A required match carries a unit key the converter looks for.
    m_model->setNameEditable(
        [](const ManagedObject* match) { return !match->valueForKey(kRequired).toBool(); });
    m_model->setNameEdited([this](ManagedObject*) { saveLibrary(); });
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
    showRecords(SmartMeasurementsController::measurementMatches(m_smartMeasurement));
}

void MeasurementMatchesTableView::add() {
    if (!m_controller || !m_smartMeasurement)
        return;
    ManagedObject* match = m_controller->addMeasurementMatch(m_smartMeasurement);
    if (!match)
        return;
    showAddedRecord(match);
}

void MeasurementMatchesTableView::remove() {
    const QList<ManagedObject*> selected = selectedRecords();
    if (!m_controller || selected.isEmpty())
        return;
    const int removed = m_controller->removeMeasurementMatches(selected);
    reloadData();
    if (removed > 0)
        saveLibrary();
}
