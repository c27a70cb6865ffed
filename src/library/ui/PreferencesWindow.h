#pragma once

#include <QDialog>
#include <QPointer>

class Alerts;
class MeasurementMatchesTableView;
class PreferencesController;
class QButtonGroup;
class QCheckBox;
class QTabWidget;
class SmartMeasurementsController;
class SmartMeasurementsTableView;

// The preferences window: the e-mail format choice and the check boxes of the user
// defaults that change how the sidebar, the recipes and the editor behave, and, once a
// library's rules are handed over, the Measurements page with the measurement rules. It
// shows the current values whenever it opens and writes a change at once.
class PreferencesWindow : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesWindow(PreferencesController* controller, QWidget* parent = nullptr);

    // Shows the current values, centres the window on the screen and brings it to the front.
    void openPreferences();

    // The rows of the e-mail choice: 0 rich text (HTML), 1 plain text.
    int emailFormatRow() const;
    void setEmailFormatRow(int row);
    // The check box bound to a user default, or null.
    QCheckBox* checkBoxForKey(const QString& key) const;

    // Builds the Measurements page the first time (the two tables of rules and matches side
    // by side with their + and - buttons, and Apply Rules..., Export... and Reset to
    // Defaults); later calls show the given controller's rules on it. alerts: where export
    // and reset failures are told (null: the application's alerts).
    void setSmartMeasurementsController(SmartMeasurementsController* controller, Alerts* alerts = nullptr);
    // Opens the window on the Measurements page (on the general page when there is none).
    void showMeasurementsPage();
    SmartMeasurementsTableView* smartMeasurementsTable() const { return m_smartMeasurementsTable; }
    MeasurementMatchesTableView* measurementMatchesTable() const { return m_measurementMatchesTable; }

private:
    struct Binding {
        QString key;
        QCheckBox* checkBox;
    };
    QCheckBox* addCheckBox(const QString& title, const QString& key,
                           void (PreferencesController::*refresh)());
    void loadValues();
    void buildMeasurementsPage();

    QPointer<PreferencesController> m_controller;
    QTabWidget* m_tabs = nullptr;
    QButtonGroup* m_emailFormat = nullptr;
    QList<Binding> m_bindings;
    bool m_loading = false;
    QWidget* m_measurementsPage = nullptr;
    SmartMeasurementsTableView* m_smartMeasurementsTable = nullptr;
    MeasurementMatchesTableView* m_measurementMatchesTable = nullptr;
};
