// Ingredient text and measurements. Goals: the parser at 200,000 realistic lines per second
// or more; 1,000,000 preferred-measurement lookups per second with the default rules while
// an edit to the rules still counts on the next call; the nearest-usable conversion of a
// 1,500-row grocery list in at most 5 ms.
#include "BenchSupport.h"

#include "library/LibraryStore.h"
#include "measure/IngredientsSorter.h"
#include "measure/MeasurementsConverter.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/ManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <random>

namespace {

const char* const kQuantities[] = {"1",      "2",   "1/2", "1 1/2", "3",       "1/4",     "200",
                                   "4",      "2/3", "500", "",      "6",       "1\u00BD", "2 to 3",
                                   "\u00BE", "12",  "0.5", "1-2",   "2 x 400", "3/4"};
const char* const kUnits[] = {"cups", "cup",    "tablespoons", "Tbs.",      "tsp.",   "teaspoon", "g",
                              "ml",   "pounds", "oz",          "",          "pinch",  "large",    "c.",
                              "kg",   "lb",     "cloves",      "(14.5 oz)", "medium", "slices"};
const char* const kNames[] = {"olive oil",
                              "onion",
                              "garlic",
                              "carrots",
                              "celery",
                              "canned tomatoes",
                              "chicken stock",
                              "unsalted butter",
                              "all-purpose flour",
                              "whole milk",
                              "heavy cream",
                              "parmesan cheese",
                              "long-grain rice",
                              "lemon juice",
                              "flat-leaf parsley",
                              "fresh thyme",
                              "ground cumin",
                              "smoked paprika",
                              "kosher salt",
                              "black pepper",
                              "sugar",
                              "eggs",
                              "potatoes"};
const char* const kMethods[] = {"",
                                "",
                                "",
                                "chopped",
                                "finely minced",
                                "diced",
                                "thinly sliced",
                                "grated",
                                "melted and cooled",
                                "to taste",
                                "at room temperature",
                                "drained and rinsed"};

// A block of ingredient lines as they arrive from pastes and imports: bullets, group
// titles, ranges, parentheses, methods after a comma.
QString realisticIngredientText(int lines) {
    std::mt19937 random(20240601);
    auto pick = [&random](const auto& array) {
        return QString::fromUtf8(array[random() % std::size(array)]);
    };
    QString text;
    text.reserve(lines * 34);
    for (int i = 0; i < lines; ++i) {
        if (i % 15 == 0) {
            text += QStringLiteral("For the ") + pick(kNames) + QStringLiteral(":\n");
            continue;
        }
        if (random() % 8 == 0)
            text += QStringLiteral("\u2022 ");
        QString line = pick(kQuantities);
        const QString unit = pick(kUnits);
        if (!unit.isEmpty())
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + unit;
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + pick(kNames);
        const QString method = pick(kMethods);
        if (!method.isEmpty())
            line += QStringLiteral(", ") + method;
        text += line + QLatin1Char('\n');
    }
    return text;
}

// A library store holding the default measurement rules and an auto-fill list of
// measurement words, in a temporary folder.
struct RulesLibrary {
    QTemporaryDir folder;
    std::unique_ptr<ObjectContext> context;

    RulesLibrary() {
        bench::ensureApplication();
        QString error;
        context = openLibraryStore(folder.path(), true, &error);
        if (!context)
            qFatal("cannot open the benchmark library: %s", qPrintable(error));
        SmartMeasurementsController::insertDefaultSmartMeasurements(
            context.get(), MeasurementRules::defaultSmartMeasurementList());
        context->save(&error);
        QVariantList words;
        for (int i = 0; i < 200; ++i)
            words << QStringLiteral("word%1").arg(i);
        words << QStringLiteral("pinch") << QStringLiteral("cloves") << QStringLiteral("slices");
        writePropertyListFile(words, QDir(folder.path()).filePath(QStringLiteral("Measurements.plist")));
    }
};

RulesLibrary& rulesLibrary() {
    static RulesLibrary library;
    return library;
}

void BM_ParseIngredients_DefaultRules(benchmark::State& state) {
    const int lines = int(state.range(0));
    const QString text = realisticIngredientText(lines);
    const IngredientsSorter sorter;
    for (auto _ : state) {
        QVariantList records = sorter.sortedIngredientsFromString(text);
        benchmark::DoNotOptimize(records);
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.counters["lines/s"] =
        benchmark::Counter(double(state.iterations()) * lines, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseIngredients_DefaultRules)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ParseIngredients_Library(benchmark::State& state) {
    const int lines = int(state.range(0));
    const QString text = realisticIngredientText(lines);
    RulesLibrary& library = rulesLibrary();
    const IngredientsSorter sorter(library.context.get(), library.folder.path());
    for (auto _ : state) {
        QVariantList records = sorter.sortedIngredientsFromString(text);
        benchmark::DoNotOptimize(records);
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.counters["lines/s"] =
        benchmark::Counter(double(state.iterations()) * lines, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ParseIngredients_Library)->Arg(100000)->Arg(12)->Unit(benchmark::kMillisecond);

const std::pair<const char*, const char*> kLookups[] = {
    {"cups", "2"},   {"Tbs.", "1"},      {"tsp.", "1/2"}, {"large", "2"},      {"g", "250"},  {"oz can", "1"},
    {"c.", "1 1/2"}, {"teaspoons", "1"}, {"lbs", "3"},    {"pinch", ""},       {"ml", "500"}, {"kg", "1.5"},
    {"T", "2"},      {"cup", "1/3"},     {"cloves", "4"}, {"tablespoon", "2"},
};

// Lookups through a converter on a library with the default rules; every range(0)
// lookups one rule is renamed, and the next lookup must write the new name.
void BM_PreferredMeasurement(benchmark::State& state) {
    RulesLibrary& library = rulesLibrary();
    MeasurementsConverter converter(library.context.get());
    std::vector<std::pair<QString, QString>> lookups;
    for (const auto& [measurement, quantity] : kLookups)
        lookups.emplace_back(QString::fromUtf8(measurement), QString::fromUtf8(quantity));
    ManagedObject* cups = nullptr;
    for (ManagedObject* rule :
         library.context->executeFetchRequest(FetchRequest(QStringLiteral("SmartMeasurements"))))
        if (rule->stringValue(QStringLiteral("name")) == QLatin1String("cups"))
            cups = rule;
    const int64_t editEvery = state.range(0);
    int64_t count = 0;
    int edits = 0;
    for (auto _ : state) {
        const auto& [measurement, quantity] = lookups[size_t(count % int64_t(lookups.size()))];
        QString preferred = converter.preferredMeasurementFromMeasurement(measurement, quantity);
        benchmark::DoNotOptimize(preferred);
        if (editEvery > 0 && ++count % editEvery == 0) {
            const QString name = QStringLiteral("cups%1").arg(++edits % 2);
            cups->setValueForKey(name, QStringLiteral("name"));
            if (converter.preferredMeasurementFromMeasurement(QStringLiteral("cups"), QStringLiteral("2")) !=
                name) {
                state.SkipWithError("a rule edit was not seen by the next call");
                break;
            }
        } else if (editEvery == 0) {
            ++count;
        }
    }
    cups->setValueForKey(QStringLiteral("cups"), QStringLiteral("name"));
    state.SetItemsProcessed(state.iterations());
    state.counters["lookups/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PreferredMeasurement)->Arg(0)->Arg(1000)->Arg(10);

void BM_PreferredMeasurement_DefaultResource(benchmark::State& state) {
    MeasurementsConverter converter;
    int64_t count = 0;
    std::vector<std::pair<QString, QString>> lookups;
    for (const auto& [measurement, quantity] : kLookups)
        lookups.emplace_back(QString::fromUtf8(measurement), QString::fromUtf8(quantity));
    for (auto _ : state) {
        const auto& [measurement, quantity] = lookups[size_t(count++ % int64_t(lookups.size()))];
        QString preferred = converter.preferredMeasurementFromMeasurement(measurement, quantity);
        benchmark::DoNotOptimize(preferred);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["lookups/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PreferredMeasurement_DefaultResource);

// The grocery list's last step: 1,500 summed rows (in lowest units, as the grocery totals
// leave them) brought back to the nearest usable unit.
void BM_NearestUsable_1500Rows(benchmark::State& state) {
    RulesLibrary& library = rulesLibrary();
    MeasurementsConverter converter(library.context.get());
    const char* const units[] = {"teaspoons", "milliliters", "grams", "ounces", "millimeters",
                                 "",          "large",       "cloves"};
    std::mt19937 random(7);
    QList<QVariantMap> rows;
    for (int i = 0; i < 1500; ++i) {
        const QString quantity = i % 9 == 0 ? QStringLiteral("2 large")
                                            : QString::number(1 + random() % 2000) +
                                                  (i % 4 == 0 ? QStringLiteral(".5") : QString());
        rows.append({{QStringLiteral("quantity"), quantity},
                     {QStringLiteral("measurement"), QString::fromUtf8(units[random() % std::size(units)])},
                     {QStringLiteral("name"), QStringLiteral("item %1").arg(i)}});
    }
    for (auto _ : state) {
        QList<QVariantMap> working = rows;
        for (QVariantMap& row : working)
            converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
                row);
        benchmark::DoNotOptimize(working);
    }
    state.SetItemsProcessed(state.iterations() * 1500);
}
BENCHMARK(BM_NearestUsable_1500Rows)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
