#include "SmartMeasurementsTableView.h"

#include "MeasurementMatchesTableView.h"
#include "library/LibrarySession.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/Alerts.h"
#include "platform/ManagedObject.h"

SmartMeasurementsTableView::SmartMeasurementsTableView(QWidget* parent)
    : MeasurementRecordsTableView(tr("Smart Measurements"), QStringLiteral("SmartMeasurementsTableView"),
                                  parent) {
    // Every rule's name may be edited: a required rule's name is how its unit is written.
    m_model->setNameEdited([this](ManagedObject*) { saveLibrary(); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SmartMeasurementsTableView::showMatchesOfSelection);
}

void SmartMeasurementsTableView::setController(SmartMeasurementsController* controller, Alerts* alerts) {
    m_controller = controller;
    m_alerts = alerts;
    if (m_matches)
        m_matches->setController(controller);
    reloadData();
}

void SmartMeasurementsTableView::setMatchesTableView(MeasurementMatchesTableView* matches) {
    m_matches = matches;
    if (m_matches)
        m_matches->setController(m_controller);
    showMatchesOfSelection();
}

void SmartMeasurementsTableView::reloadData() {
    showRecords(m_controller ? m_controller->smartMeasurements() : QList<ManagedObject*>());
    // A reset of the model clears the selection without telling; the matches follow here.
    showMatchesOfSelection();
}

void SmartMeasurementsTableView::showMatchesOfSelection() {
    if (!m_matches)
        return;
    // The matches belong to one rule: with several rules selected none are shown.
    const QList<ManagedObject*> selected = selectedRecords();
    m_matches->setSmartMeasurement(selected.size() == 1 ? selected.first() : nullptr);
}

void SmartMeasurementsTableView::add() {
    if (!m_controller)
        return;
    ManagedObject* rule = m_controller->addSmartMeasurement();
    showAddedRecord(rule);
}

void SmartMeasurementsTableView::remove() {
    const QList<ManagedObject*> selected = selectedRecords();
    if (!m_controller || selected.isEmpty())
        return;
    const int removed = m_controller->removeSmartMeasurements(selected);
    reloadData();
    if (removed > 0)
        saveLibrary();
}

int SmartMeasurementsTableView::applySmartMeasurements() {
    if (!m_controller)
        return -1;
    const int rewritten = m_controller->applySmartMeasurements();
    if (rewritten >= 0)
        saveLibrary();
    return rewritten;
}

bool SmartMeasurementsTableView::exportPlist() {
    if (!m_controller)
        return false;
    QString error;
    if (!m_controller->exportPlist(&error)) {
        tellFailure(tr("The Smart Measurements could not be exported to \"%1\".")
                        .arg(SmartMeasurementsController::desktopExportPath()),
                    error);
        return false;
    }
    return true;
}

bool SmartMeasurementsTableView::resetToDefaults() {
    if (!m_controller)
        return false;
    QString error;
    const bool reset = m_controller->resetToDefaults(&error);
    reloadData();
    if (!reset) {
        tellFailure(tr("The Smart Measurements could not be reset to the defaults."), error);
        return false;
    }
    saveLibrary();
    return true;
}

void SmartMeasurementsTableView::tellFailure(const QString& message, const QString& reason) {
    Alerts* alerts = m_alerts ? m_alerts : m_controller ? &m_controller->session().alerts() : nullptr;
    if (!alerts) {
        qWarning().noquote() << message << reason;
        return;
    }
    alerts->ask(message, reason, {tr("OK")});
}
