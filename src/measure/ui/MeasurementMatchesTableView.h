#pragma once

#include "MeasurementRecordsTableView.h"
#include "measure/SmartMeasurementsController.h"

#include <QPointer>

// The matches (spellings) of the selected measurement rule in the preferences window. A
// required match carries a unit key the converter looks for: it can be neither renamed
// nor removed.
class MeasurementMatchesTableView : public MeasurementRecordsTableView {
    Q_OBJECT
public:
    explicit MeasurementMatchesTableView(QWidget* parent = nullptr);

    void setController(SmartMeasurementsController* controller);
    // The rule whose matches are shown (null: none, and add does nothing).
    void setSmartMeasurement(ManagedObject* smartMeasurement);
    ManagedObject* smartMeasurement() const { return m_smartMeasurement; }
    // Reads the rule's matches again.
    void reloadData() override;

public Q_SLOTS:
    // A new match of the rule shown, whose name is edited 0.1 s later.
    void add();
    // Removes the selected matches; the controller tells the user about required ones.
    void remove();

private:
    ManagedObject* m_smartMeasurement = nullptr;
};
