#pragma once

#include "measure/RecipeScaler.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

class ObjectContext;
class QFrame;
class QLabel;
class QLineEdit;
class QPropertyAnimation;
class QPushButton;
class QStackedWidget;
class QWidget;

// What the recipe editor offers the scaling assistant: the step that saves the recipe's
// state and makes the duplicate to be scaled, and its title, yield and ingredient rows.
struct ScalingAssistantEditor {
    std::function<void()> saveStateAndDuplicate;
    std::function<QString()> titleText;
    std::function<void(const QString&)> setTitleText;
    std::function<QString()> yieldText;
    std::function<void(const QString&)> setYieldText;
    std::function<QVariantList()> contextArray;
    std::function<void(const QVariantList&)> setContextArray;
};

// The scaling assistant's panel, attached at the top centre of the recipe editor like a
// sheet. It goes from a welcome view to the calculation view (current and desired yield)
// to the final view; the calculation itself is a RecipeScaler's, and its results are
// written back to the editor through the editor's setters. The border turns red when an
// ingredient could not be scaled; a missing yield fades in a reminder and changes nothing.
class ScalingAssistantController : public QObject {
    Q_OBJECT
public:
    ScalingAssistantController(ObjectContext* context, ScalingAssistantEditor editor,
                               QObject* parent = nullptr);
    ~ScalingAssistantController() override;

    // Attaches the panel to host with a light blue border, on the welcome view with the
    // reminder hidden. Raises the panel when it is already open on host.
    void openScalingAssistant(QWidget* host);
    // The editor saves the recipe and duplicates it; the calculation view shows the
    // current yield read from the duplicate's yield text.
    void continueScalingFromWelcomeView();
    // Scales the ingredient rows by desired / current yield and rewrites the yield and the
    // title, then shows the final view. A missing yield shows the reminder instead.
    void calculateIngredients();
    // Detaches and closes the panel (from any view).
    void closeScalingAssistantWindow();

    bool isOpen() const;
    QWidget* panel() const;
    RecipeScaler::View currentView() const;
    QColor borderColor() const { return m_borderColor; }
    static QColor lightBlueBorderColor();

    QWidget* welcomeView() const { return m_welcomeView; }
    QWidget* scalingCalcView() const { return m_scalingCalcView; }
    QWidget* finalView() const { return m_finalView; }
    QLineEdit* currentYieldTextField() const { return m_currentYieldTextField; }
    QLineEdit* desiredYieldTextField() const { return m_desiredYieldTextField; }
    QLabel* greenFinalViewTextField() const { return m_greenFinalViewTextField; }
    QLabel* itemsAreMarkedRedWarningTextField() const { return m_itemsAreMarkedRedWarningTextField; }
    QLabel* redWarningScaleFactorTextField() const { return m_redWarningScaleFactorTextField; }
    QLabel* enterYieldsReminderTextField() const { return m_enterYieldsReminderTextField; }

Q_SIGNALS:
    // The ingredient rows, yield and title were written back to the editor.
    void ingredientsScaled();
    void scalingAssistantClosed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel(QWidget* host);
    void showView(RecipeScaler::View view);
    void setBorderColor(const QColor& color);
    void placePanel();
    void fadeInReminder();
    void loadEditorForm();

    ObjectContext* m_context;
    ScalingAssistantEditor m_editor;
    std::unique_ptr<RecipeScaler> m_scaler;
    QPointer<QWidget> m_host;
    QPointer<QFrame> m_panel;
    QColor m_borderColor;
    QStackedWidget* m_views = nullptr;
    QWidget* m_welcomeView = nullptr;
    QWidget* m_scalingCalcView = nullptr;
    QWidget* m_finalView = nullptr;
    QLineEdit* m_currentYieldTextField = nullptr;
    QLineEdit* m_desiredYieldTextField = nullptr;
    QLabel* m_greenFinalViewTextField = nullptr;
    QLabel* m_itemsAreMarkedRedWarningTextField = nullptr;
    QLabel* m_redWarningScaleFactorTextField = nullptr;
    QLabel* m_enterYieldsReminderTextField = nullptr;
    QPropertyAnimation* m_reminderFade = nullptr;
};
