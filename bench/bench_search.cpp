// Typing a search letter by letter in the toolbar's search field on a library of 20,000
// recipes: "chicken" in the "Entire Recipe" scope with "My Recipes" selected. Each figure
// is one keystroke, from the new text to the recipe list's arranged list fetched again
// (filter, sort and list reset). Goal: at most 50 ms per keystroke.
#include "BenchSupport.h"

#include "library/GroupsManagedObject.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/SearchBoxMenu.h"
#include "platform/ObjectContext.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kRecipes = 20000;
const QString kTyped = QStringLiteral("chicken");

struct SearchFixture {
    std::unique_ptr<ObjectContext> context;
    std::unique_ptr<RecipesArrayController> list;
    std::unique_ptr<SearchBoxMenu> search;

    SearchFixture() {
        QString error;
        context = openLibraryStore(bench::libraryWithRecipes(kRecipes), false, &error);
        if (!context)
            qFatal("bench: %s", qPrintable(error));
        // "My Recipes", inserted and never saved, so the library file stays as generated.
        auto* myRecipes =
            dynamic_cast<GroupsManagedObject*>(context->insertNewObject(QStringLiteral("Groups")));
        myRecipes->setValueForKey(GroupsManagedObject::myRecipesName(), QStringLiteral("name"));
        myRecipes->setValueForKey(true, QStringLiteral("isLocalLibrary"));
        list = std::make_unique<RecipesArrayController>(context.get());
        // The sidebar's selection: reads the store once and warms the folded texts.
        list->setFilterPredicate(myRecipes->filterPredicate());
        search = std::make_unique<SearchBoxMenu>(list.get());
        search->entireRecipeAction();
        // A search that matches nothing reads every searched text once, as the first
        // search after opening does; the figures below are for a library already searched.
        search->setSearchString(QStringLiteral("qqqqqq"));
        search->setSearchString(QString());
    }
};

SearchFixture& fixture() {
    static SearchFixture shared;
    return shared;
}

// One keystroke: the field held the first n - 1 letters, the user types letter n.
void BM_TypeEntireRecipeSearch(benchmark::State& state) {
    SearchFixture& f = fixture();
    const int letters = int(state.range(0));
    const QString before = kTyped.left(letters - 1);
    const QString after = kTyped.left(letters);
    qsizetype listed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.search->setSearchString(before);
        state.ResumeTiming();
        f.search->setSearchString(after);
        listed = f.list->arrangedObjects().size();
        benchmark::DoNotOptimize(listed);
    }
    state.SetLabel(after.toStdString());
    state.counters["listed"] = double(listed);
}
BENCHMARK(BM_TypeEntireRecipeSearch)->DenseRange(1, 7)->Unit(benchmark::kMillisecond)->Iterations(10);

// The first search after opening the library: the whole word typed, letter by letter,
// while the searched texts are read and folded for the first time.
void BM_FirstSearchAfterOpening(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        {
            QString error;
            auto context = openLibraryStore(bench::libraryWithRecipes(kRecipes), false, &error);
            auto list = std::make_unique<RecipesArrayController>(context.get());
            list->setFilterPredicate({});
            SearchBoxMenu search(list.get());
            state.ResumeTiming();
            for (int letters = 1; letters <= kTyped.size(); ++letters)
                search.setSearchString(kTyped.left(letters));
            benchmark::DoNotOptimize(list->arrangedObjects().size());
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstSearchAfterOpening)->Unit(benchmark::kMillisecond)->Iterations(3);

// Clearing the field: the whole of "My Recipes" listed again.
void BM_ClearSearch(benchmark::State& state) {
    SearchFixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.search->setSearchString(kTyped);
        state.ResumeTiming();
        f.search->setSearchString(QString());
        benchmark::DoNotOptimize(f.list->arrangedObjects().size());
    }
    state.counters["listed"] = double(f.list->arrangedObjects().size());
}
BENCHMARK(BM_ClearSearch)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
