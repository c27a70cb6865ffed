#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>

class ObjectContext;

// The calculation behind the scaling assistant: it multiplies every ingredient quantity of
// the recipe being edited by the ratio of a desired yield to the current yield, converts
// the results to usable units, rewrites the yield and marks the title. It works on the
// editor's form values (title, yield, ingredient rows) and on the panel's state, which the
// panel window shows; it never touches a record itself.
class RecipeScaler {
    Q_DECLARE_TR_FUNCTIONS(RecipeScaler)
public:
    enum class View { Welcome, ScalingCalc, Final };
    enum class Focus { None, CurrentYield, DesiredYield };

    // context: the library whose measurement rules the conversions use (nullptr: defaults).
    explicit RecipeScaler(ObjectContext* context = nullptr);

    // --- The editor's form ---
    QString titleText() const { return m_titleText; }
    void setTitleText(const QString& text) { m_titleText = text; }
    QString yieldText() const { return m_yieldText; }
    void setYieldText(const QString& text) { m_yieldText = text; }
    // The ingredient table's rows (ingredient records, QVariantMap), in table order.
    const QVariantList& contextArray() const { return m_contextArray; }
    void setContextArray(const QVariantList& rows) { m_contextArray = rows; }

    // Called first by continueScalingFromWelcomeView: the editor saves the recipe's state and
    // makes the duplicate that will be scaled, then hands its form back through the setters.
    void setPrepareDuplicate(std::function<void()> prepare) { m_prepareDuplicate = std::move(prepare); }

    // --- The panel ---
    QString currentYieldText() const { return m_currentYieldText; }
    void setCurrentYieldText(const QString& text) { m_currentYieldText = text; }
    QString desiredYieldText() const { return m_desiredYieldText; }
    void setDesiredYieldText(const QString& text) { m_desiredYieldText = text; }
    View view() const { return m_view; }
    Focus focus() const { return m_focus; }
    bool borderIsRed() const { return m_borderIsRed; }
    bool reminderShown() const { return m_reminderShown; }
    bool warningsShown() const { return m_warningsShown; }
    bool greenFinalTextShown() const { return m_greenFinalTextShown; }
    QString scaleFactorText() const { return m_scaleFactorText; }
    // Rows marked with presentError by the last calculation.
    QList<int> failedRows() const { return m_failedRows; }

    // Duplicates through the editor, shows the calculation view and reads the current yield
    // (the leading integer of the yield text).
    void continueScalingFromWelcomeView();
    // Scales the rows. Returns false, showing the reminder, when either yield is missing.
    bool calculateIngredients();
    // Rewrites the yield text: every number becomes the desired yield.
    void updateYieldFieldAfterCalculation();

    // The yield text with its numbers replaced by desiredYield ('4 servings' and '8' give
    // '8 servings').
    static QString yieldTextScaledTo(const QString& yieldText, const QString& desiredYield);

private:
    ObjectContext* m_context;
    std::function<void()> m_prepareDuplicate;
    QString m_titleText;
    QString m_yieldText;
    QVariantList m_contextArray;
    QString m_currentYieldText;
    QString m_desiredYieldText;
    View m_view = View::Welcome;
    Focus m_focus = Focus::None;
    bool m_borderIsRed = false;
    bool m_reminderShown = false;
    bool m_warningsShown = false;
    bool m_greenFinalTextShown = true;
    QString m_scaleFactorText;
    QList<int> m_failedRows;
};
