#pragma once

#include "MeasurementRecordsTableView.h"
#include "measure/SmartMeasurementsController.h"

#include <QPointer>

class Alerts;
class ManagedObject;
class MeasurementMatchesTableView;

// The measurement rules (smart measurements) in the preferences window: each rule's name
// is the way the user likes a measurement written, edited in place, required rules
// included. Selecting one rule shows its matches in the matches table. The buttons of the
// page run add, remove, apply, export and reset here; the library is saved after each
// change.
class SmartMeasurementsTableView : public MeasurementRecordsTableView {
    Q_OBJECT
public:
    explicit SmartMeasurementsTableView(QWidget* parent = nullptr);

    // alerts: where export and reset failures are told (null: the application's alerts).
    void setController(SmartMeasurementsController* controller, Alerts* alerts = nullptr);
    SmartMeasurementsController* controller() const { return m_controller; }
    // The table that shows the matches of the selected rule.
    void setMatchesTableView(MeasurementMatchesTableView* matches);
    // Reads the rules again, keeping the selection where the records still exist.
    void reloadData() override;

public Q_SLOTS:
    // A new rule, whose name is edited 0.1 s later.
    void add();
    // Removes the selected rules; the controller tells the user about required ones.
    void remove();
    // Rewrites every own recipe's ingredients by the rules once the user agrees. Returns the
    // number of recipes rewritten, or -1 when declined.
    int applySmartMeasurements();
    // Writes the rules to the desktop file; a failure is told to the user.
    bool exportPlist();
    // Replaces every rule by the default list; a failure is told to the user.
    bool resetToDefaults();

private:
    void showMatchesOfSelection();
    void tellFailure(const QString& message, const QString& reason);

    Alerts* m_alerts = nullptr;
    QPointer<MeasurementMatchesTableView> m_matches;
};
