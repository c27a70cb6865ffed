#include "grocery/GroceryConsolidation.h"

#include "grocery/GroceryCategories.h"
#include "measure/MeasurementsConverter.h"

#include <QHash>

#include <algorithm>

namespace GroceryConsolidation {

namespace {

const QString kQuantity = QStringLiteral("quantity");
const QString kMeasurement = QStringLiteral("measurement");
const QString kName = QStringLiteral("name");
const QString kCategory = QStringLiteral("category");

// An absent value compares as this text, so two rows without a quantity are equal.
const QString kAbsent = QStringLiteral("(null)");

QString comparedText(const QVariantMap& row, const QString& key) {
    const auto it = row.constFind(key);
    return it == row.cend() || it->isNull() ? kAbsent : it->toString();
}

bool isPlural(const QString& longer, const QString& shorter) {
    return longer.size() == shorter.size() + 1 && (longer.endsWith(u's') || longer.endsWith(u'S')) &&
           longer.startsWith(shorter);
}

float quantityValue(const QString& quantity) {
    return MeasurementsConverter::isStringTypedFraction(quantity)
               ? MeasurementsConverter::floatFromTypedFraction(quantity)
               : MeasurementsConverter::leadingNumber(quantity);
}

} // namespace

bool namesAreOne(const QString& a, const QString& b) {
    if (a == b)
        return true;
    if (a.size() < 2 || b.size() < 2)
        return false;
    return isPlural(a, b) || isPlural(b, a);
}

bool measurementsAreOne(const QString& a, const QString& b) {
    if (a == b)
        return true;
    if (a.size() < 2 || b.size() < 2)
        return false;
    return (b.size() == a.size() + 1 && b.startsWith(a)) || (a.size() == b.size() + 1 && a.startsWith(b));
}

void setCategoryPosition(QVariantMap& row, int position) {
    if (position > 0)
        row.insert(kCategory, QString::number(position));
    else
        row.remove(kCategory);
}

void consolidateIngredients(QList<QVariantMap>& rows, MeasurementsConverter& converter,
                            const GroceryCategories& categories) {
    const int count = int(rows.size());
    for (QVariantMap& row : rows)
        converter.ingredientDictionaryAfterConvertingMeasurementsToLowestCompatibleQuantitiesFromDictionary(
            row);

    QList<QString> quantities(count), measurements(count), names(count);
    QHash<QString, QList<int>> rowsByName;
    for (int i = 0; i < count; ++i) {
        quantities[i] = comparedText(rows.at(i), kQuantity);
        measurements[i] = comparedText(rows.at(i), kMeasurement);
        names[i] = comparedText(rows.at(i), kName);
        rowsByName[names.at(i)].append(i);
    }

    // Each row, in order, absorbs the later rows that match it. Only rows whose name counts
    // as its name can match, so those are the only ones visited, in the same order.
    std::vector<bool> removed(size_t(count), false);
    QList<int> candidates;
    for (int a = 0; a < count; ++a) {
        if (removed[size_t(a)])
            continue;
        const QString& nameA = names.at(a);
        candidates.clear();
        auto collect = [&](const QString& name) {
            const auto found = rowsByName.constFind(name);
            if (found == rowsByName.cend())
                return;
            auto first = std::upper_bound(found->cbegin(), found->cend(), a);
            for (; first != found->cend(); ++first)
                if (!removed[size_t(*first)])
                    candidates.append(*first);
        };
        collect(nameA);
        if (nameA.size() >= 2) {
            collect(nameA + u's');
            collect(nameA + u'S');
            if (nameA.size() >= 3 && (nameA.endsWith(u's') || nameA.endsWith(u'S')))
                collect(nameA.chopped(1));
        }
        if (candidates.isEmpty())
            continue;
        std::sort(candidates.begin(), candidates.end());

        QString quantityA = quantities.at(a);
        const QString& measurementA = measurements.at(a);
        bool summed = false;
        for (int b : std::as_const(candidates)) {
            if (!measurementsAreOne(measurementA, measurements.at(b)))
                continue;
            const QString& quantityB = quantities.at(b);
            if (quantityA == quantityB)
                removed[size_t(b)] = true;
            if (!MeasurementsConverter::isStringUnknown(quantityA) &&
                !MeasurementsConverter::isStringUnknown(quantityB)) {
                quantityA =
                    MeasurementsConverter::fixedText(quantityValue(quantityA) + quantityValue(quantityB), 6);
                summed = true;
                removed[size_t(b)] = true;
            }
        }
        if (summed)
            rows[a].insert(kQuantity, quantityA);
    }

    QList<QVariantMap> kept;
    kept.reserve(count);
    for (int i = 0; i < count; ++i)
        if (!removed[size_t(i)])
            kept.append(std::move(rows[i]));

    for (QVariantMap& row : kept) {
        converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(row);
        // A sum left in units the converter does not know ('3.000000' eggs) is written as a
        // kitchen fraction; a quantity with words in it keeps its words.
        const QString quantity = row.value(kQuantity).toString();
        if (quantity.contains(u'.') && !MeasurementsConverter::isStringUnknown(quantity) &&
            !MeasurementsConverter::isStringSolidNumber(quantity))
            row.insert(kQuantity, MeasurementsConverter::typedFractionFromFloat(
                                      MeasurementsConverter::leadingNumber(quantity)));
        setCategoryPosition(row, categories.positionForIngredient(row.value(kName).toString()));
    }

    std::stable_sort(kept.begin(), kept.end(), [](const QVariantMap& x, const QVariantMap& y) {
        return x.value(kName).toString().compare(y.value(kName).toString(), Qt::CaseInsensitive) < 0;
    });
    rows = std::move(kept);
}

} // namespace GroceryConsolidation
