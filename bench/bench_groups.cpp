// The sidebar's counts of recipes marked as new on the 20,000-recipe library with 60
// groups (plain groups with subgroups, smart groups, a grocery list and the fixed nodes),
// the counter preference on. The argument is how many recipes are marked as new (0: the
// preference off). Three figures: the snapshot the main thread takes (the only part that
// holds up the interface), the worker's count, and a whole run as the sidebar sees it,
// from the request until the 0.5 s check timer has handed the counts over.
#include "BenchSupport.h"

#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/LibraryStore.h"
#include "library/SmartGroupTranslation.h"
#include "platform/ObjectContext.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int kRecipes = 20000;
constexpr int kGroups = 60;

const char* const kKeywords[] = {"dinner", "lunch",  "quick",  "vegetarian", "family",  "spicy",
                                 "winter", "summer", "baking", "party",      "healthy", "comfort food"};
const char* const kSubGroups[] = {"Italian", "Indian", "French", "Mexican", "Thai", "American"};
const char* const kRules[] = {
    R"("Rating" > "3")",
    R"("Rating" == "5")",
    R"("Has Been Prepared" == "No")",
    R"("Has Image" == "Yes")",
    R"("Groupless" == "Yes")",
    R"("Ingredients" contains[c] "egg")",
    R"("Ingredients" !=[c] "butter")",
    R"("Directions" contains[c] "golden")",
    R"("Cuisine" ==[c] "Italian")",
    R"("Name" contains[c] "soup" OR "Keywords" contains[c] "winter")",
    R"("Rating" < "2" AND "Keywords" contains[c] "quick")",
    R"("Notes" contains[c] "family")",
    R"("Yield" contains[c] "4")",
    R"("Attribution" contains[c] "Cook 1")",
    R"("Description" contains[c] "heat")",
    R"("Cuisine" ==[c] "Thai" OR "Cuisine" ==[c] "Indian")",
    R"("Rating" > "1" AND "Has Been Prepared" == "No")",
    R"("Keywords" !=[c] "dinner")",
    R"("Directions" !=[c] "oven")",
    R"("Ingredients" contains[c] "flour" AND "Rating" > "2")",
};

ObjectContext* library() {
    static std::unique_ptr<ObjectContext> context = [] {
        QString error;
        std::unique_ptr<ObjectContext> opened =
            openLibraryStore(bench::scratchCopyOfLibrary(kRecipes), false, &error);
        if (!opened)
            qFatal("bench: %s", qPrintable(error));
        opened->undoManager()->disableUndoRegistration();
        const auto add = [&](const QString& name, const QVariantMap& values = {},
                             ManagedObject* parent = nullptr) {
            auto* group =
                dynamic_cast<GroupsManagedObject*>(opened->insertNewObject(QStringLiteral("Groups")));
            group->setSelectSelfOnInsert(false);
            group->setValueForKey(name, QStringLiteral("name"));
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                group->setValueForKey(it.value(), it.key());
            if (parent)
                group->setRelatedObject(parent, QStringLiteral("parent"));
            return group;
        };
        add(QStringLiteral("LIBRARY"), {{QStringLiteral("isLibraryHeader"), true}});
        add(QStringLiteral("My Recipes"), {{QStringLiteral("isLocalLibrary"), true}});
        add(QStringLiteral("GROUPS"), {{QStringLiteral("isGroupHeader"), true}});
        GroupsManagedObject* list =
            add(QStringLiteral("Shopping"), {{QStringLiteral("isGroceryList"), true}});
        for (int i = 0; i < 12; ++i) {
            GroupsManagedObject* parent = add(QString::fromUtf8(kKeywords[i]));
            add(QString::fromUtf8(kSubGroups[i % 6]), {}, parent);
            add(QString::fromUtf8(kKeywords[(i + 5) % 12]), {}, parent);
        }
        for (const char* rule : kRules) {
            QString ruleError;
            recipeFilterFromSmartGroupRules(QString::fromUtf8(rule), {QStringLiteral("dinner")}, &ruleError);
            if (!ruleError.isEmpty())
                qFatal("bench: rule %s: %s", rule, qPrintable(ruleError));
            add(QStringLiteral("Smart %1").arg(QString::fromUtf8(rule).left(12)),
                {{QStringLiteral("isSmartGroup"), true},
                 {QStringLiteral("predicates"), QString::fromUtf8(rule)}});
        }
        const QList<ManagedObject*> recipes =
            opened->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
        for (int i = 0; i < 100; ++i)
            list->groceryListAddRecipe(recipes.at(i * 37));
        if (opened->countForFetchRequest(FetchRequest(QStringLiteral("Groups"))) != kGroups)
            qFatal("bench: expected %d groups", kGroups);
        return opened;
    }();
    return context.get();
}

// Marks the first `marked` recipes as new (0: the counter preference off).
ObjectContext* prepare(int marked) {
    ObjectContext* context = library();
    UserDefaults::setObjectForKey(marked > 0, QStringLiteral("showMarkedAsNewCounter"));
    const QList<ManagedObject*> recipes =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
    for (int i = 0; i < recipes.size(); ++i)
        recipes.at(i)->setValueForKey(i < marked ? QVariant(true) : QVariant(),
                                      QStringLiteral("isMarkedAsNew"));
    context->processPendingChanges();
    return context;
}

void BM_CounterSnapshotOnMainThread(benchmark::State& state) {
    ObjectContext* context = prepare(int(state.range(0)));
    for (auto _ : state) {
        const GroupsCounterUpdater::Snapshot snapshot = GroupsCounterUpdater::takeSnapshot(context);
        benchmark::DoNotOptimize(snapshot.recipes.size());
    }
}
BENCHMARK(BM_CounterSnapshotOnMainThread)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(kRecipes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_CounterWorker(benchmark::State& state) {
    ObjectContext* context = prepare(int(state.range(0)));
    const GroupsCounterUpdater::Snapshot snapshot = GroupsCounterUpdater::takeSnapshot(context);
    for (auto _ : state) {
        const std::vector<int> counts = GroupsCounterUpdater::threadedUpdate(snapshot);
        benchmark::DoNotOptimize(counts.data());
    }
}
BENCHMARK(BM_CounterWorker)->Arg(0)->Arg(1000)->Arg(kRecipes)->Unit(benchmark::kMillisecond)->Iterations(5);

// A whole run: the request, the worker, and the check timer handing the counts over.
void BM_CounterFullRun(benchmark::State& state) {
    ObjectContext* context = prepare(int(state.range(0)));
    GroupsCounterUpdater updater(context);
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(&updater, &GroupsCounterUpdater::countersUpdated, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        updater.queUpdateCounterValues();
        loop.exec();
    }
    int total = 0;
    for (ManagedObject* group : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
        total += updater.counterValue(group);
    state.counters["countedSum"] = total;
}
BENCHMARK(BM_CounterFullRun)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(kRecipes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
