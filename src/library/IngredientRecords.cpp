#include "IngredientRecords.h"

#include "platform/ManagedObject.h"
#include "platform/StructuredText.h"

#include <QRandomGenerator>

namespace IngredientRecords {

namespace {
const QString kIngredientsArray = QStringLiteral("ingredientsArray");
}

int newRandomNumber() {
    return int(QRandomGenerator::global()->generate() % 999u);
}

QVariantMap newIngredientRecord() {
    return QVariantMap{{QStringLiteral("randomNumber"), newRandomNumber()}};
}

QString textForKey(const QVariant& ingredient, const QString& key) {
    if (ingredient.typeId() != QMetaType::QVariantMap)
        return {};
    const QVariant value = ingredient.toMap().value(key);
    return value.isNull() ? QString() : value.toString();
}

bool isGroupTitle(const QVariant& ingredient) {
    if (ingredient.typeId() != QMetaType::QVariantMap)
        return false;
    return structuredBoolValue(ingredient.toMap().value(QStringLiteral("isGroupTitle")));
}

QVariantList ingredientsOfRecipe(const ManagedObject* recipe) {
    const QVariant parsed = valueFromStructuredText(recipe->stringValue(kIngredientsArray));
    return parsed.typeId() == QMetaType::QVariantList ? parsed.toList() : QVariantList();
}

void setIngredientsOfRecipe(ManagedObject* recipe, const QVariantList& ingredients) {
    recipe->setValueForKey(structuredTextFromValue(ingredients), kIngredientsArray);
}

} // namespace IngredientRecords
