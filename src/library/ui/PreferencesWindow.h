#pragma once

#include <QDialog>
#include <QPointer>

class PreferencesController;
class QButtonGroup;
class QCheckBox;

// The preferences window: the e-mail format choice and the check boxes of the user
// defaults that change how the sidebar, the recipes and the editor behave. It shows the
// current values whenever it opens and writes a change at once.
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

private:
    struct Binding {
        QString key;
        QCheckBox* checkBox;
    };
    QCheckBox* addCheckBox(const QString& title, const QString& key,
                           void (PreferencesController::*refresh)());
    void loadValues();

    QPointer<PreferencesController> m_controller;
    QButtonGroup* m_emailFormat = nullptr;
    QList<Binding> m_bindings;
    bool m_loading = false;
};
