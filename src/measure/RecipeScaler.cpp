#include "RecipeScaler.h"

#include "MeasurementsConverter.h"

#include <QVariantMap>

#include <cmath>

RecipeScaler::RecipeScaler(ObjectContext* context) : m_context(context) {}

void RecipeScaler::continueScalingFromWelcomeView() {
    if (m_prepareDuplicate)
        m_prepareDuplicate();
    m_view = View::ScalingCalc;
    m_currentYieldText = QString::number(MeasurementsConverter::leadingInteger(m_yieldText));
    m_desiredYieldText.clear();
    if (m_currentYieldText == QLatin1String("0")) {
        m_currentYieldText.clear();
        m_focus = Focus::CurrentYield;
    } else {
        m_focus = Focus::DesiredYield;
    }
}

bool RecipeScaler::calculateIngredients() {
    const float desired = MeasurementsConverter::leadingNumber(m_desiredYieldText);
    const float current = MeasurementsConverter::leadingNumber(m_currentYieldText);
    const float factor = desired / current;
    // A yield that is missing, zero or negative gives no factor to scale by; neither does a
    // ratio beyond the float range.
    if (!(desired > 0.0f) || !(current > 0.0f) || !std::isfinite(factor) || factor == 0.0f) {
        m_reminderShown = true;
        return false;
    }
    m_reminderShown = false;

    MeasurementsConverter converter(m_context);
    const QString kQuantity = QStringLiteral("quantity");
    m_failedRows.clear();
    for (int row = 0; row < m_contextArray.size(); ++row) {
        QVariantMap ingredient = m_contextArray.at(row).toMap();
        const QString quantity = ingredient.value(kQuantity).toString();
        if (quantity.isEmpty())
            continue;
        const QString scaled = MeasurementsConverter::scaledStringFromString(quantity, factor);
        if (scaled == MeasurementsConverter::FAILED_CONVERSION) {
            ingredient.insert(QStringLiteral("presentError"), true);
            m_failedRows.append(row);
            m_borderIsRed = true;
            m_warningsShown = true;
            m_greenFinalTextShown = false;
        } else {
            ingredient.insert(kQuantity, scaled);
            converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
                ingredient);
        }
        m_contextArray[row] = ingredient;
    }

    m_scaleFactorText =
        tr("Your recipe has been scaled by a factor of: %1").arg(MeasurementsConverter::fixedText(factor, 1));
    updateYieldFieldAfterCalculation();
    m_titleText += tr("- Scaled to %1").arg(m_yieldText);
    m_view = View::Final;
    return true;
}

QString RecipeScaler::yieldTextScaledTo(const QString& yieldText, const QString& desiredYield) {
    QString result;
    for (const QString& word : yieldText.split(u' ')) {
        if (MeasurementsConverter::isStringSolidNumber(word))
            result += desiredYield;
        else
            result += QLatin1Char(' ') + word + QLatin1Char(' ');
    }
    if (result.size() >= 2 && result.endsWith(u' '))
        result.chop(1);
    return result;
}

void RecipeScaler::updateYieldFieldAfterCalculation() {
    m_yieldText = yieldTextScaledTo(m_yieldText, m_desiredYieldText);
}
