// A grocery list from selection to rows ready: the list's recipes fetched, their ingredient
// rows read, consolidated (units, sums, aisles, order) and the needed ticks applied, as
// the grocery editor does when a list is selected. The argument is the number of recipes on
// the list (11 ingredient rows and a group title each, so 100 recipes give 1,200 rows).
#include "BenchSupport.h"

#include "grocery/GroceryController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibraryStore.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"

#include <benchmark/benchmark.h>

#include <QHash>

namespace {

constexpr int kLibraryRecipes = 400;

struct GroceryLibrary {
    std::unique_ptr<bench::OpenLibrary> library;
    QHash<int, GroupsManagedObject*> lists; // by recipe count
};

GroceryLibrary& groceryLibrary() {
    static GroceryLibrary made = [] {
        GroceryLibrary result;
        const QString path = bench::scratchCopyOfLibrary(kLibraryRecipes);
        prepareLibraryFolder(path); // the aisles and starter matches
        result.library = std::make_unique<bench::OpenLibrary>(path, false);
        ObjectContext* context = result.library->context();
        SmartMeasurementsController::insertDefaultSmartMeasurements(
            context, MeasurementRules::defaultSmartMeasurementList());
        const QList<ManagedObject*> recipes =
            context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), {}, {}));
        for (int count : {100, 400}) {
            QStringList ids;
            for (int i = 0; i < count && i < int(recipes.size()); ++i)
                ids.append(recipes.at(i)->stringValue(QStringLiteral("uniqueID")));
            auto* list =
                dynamic_cast<GroupsManagedObject*>(context->insertNewObject(QStringLiteral("Groups")));
            list->setValueForKey(QStringLiteral("List %1").arg(count), QStringLiteral("name"));
            list->setValueForKey(1, QStringLiteral("isGroceryList"));
            list->setValueForKey(structuredTextFromValue(QVariantMap{{QStringLiteral("recipeArray"), ids}}),
                                 QStringLiteral("groceryListDict"));
            result.lists.insert(count, list);
        }
        if (!result.library->session()->save())
            qFatal("bench: the grocery lists could not be saved");
        return result;
    }();
    return made;
}

void BM_GroceryListSelected(benchmark::State& state) {
    GroceryLibrary& library = groceryLibrary();
    GroupsManagedObject* list = library.lists.value(int(state.range(0)));
    qsizetype recipeRows = 0;
    qsizetype consolidated = 0;
    for (auto _ : state) {
        GroceryController controller(*library.library->session());
        controller.setGroceryList(list);
        recipeRows = controller.recipeRows().size();
        consolidated = controller.consolidatedRows().size();
        benchmark::DoNotOptimize(consolidated);
    }
    state.counters["recipeRows"] = double(recipeRows);
    state.counters["consolidatedRows"] = double(consolidated);
}
BENCHMARK(BM_GroceryListSelected)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
