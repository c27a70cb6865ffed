// Typing a search letter by letter in the toolbar's search field on libraries of 20,000
// and 100,000 recipes: "chicken" in the "Entire Recipe" scope with "My Recipes" selected.
// Each figure is one keystroke, from the new text to the recipe list's arranged list
// fetched again (filter, sort and list reset), once the index of searched texts built
// after opening is in use. Goals: at most 20 ms per keystroke at 20,000 recipes, 50 ms at
// 100,000. Counters: the process's resident memory (MiB: once the records are read and
// listed, once the index is in use, now and at the peak) and the index's.
#include "BenchSupport.h"

#include "library/GroupsManagedObject.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/SearchBoxMenu.h"
#include "platform/ObjectContext.h"
#include "platform/TextSearchIndex.h"

#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QFile>

#include <malloc.h>
#include <map>

namespace {

constexpr int kRecipes = 20000;
const QString kTyped = QStringLiteral("chicken");

double residentMiB();

struct SearchFixture {
    double readMiB = 0;    // resident once the records are read and listed
    double indexedMiB = 0; // and once the index is in use
    std::unique_ptr<ObjectContext> context;
    std::unique_ptr<RecipesArrayController> list;
    std::unique_ptr<SearchBoxMenu> search;

    explicit SearchFixture(int recipes) {
        QString error;
        context = openLibraryStore(bench::libraryWithRecipes(recipes), false, &error);
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
        readMiB = residentMiB();
        // The index is built on a worker; its result arrives on the event loop.
        if (!list->searchIndex()->isReady()) {
            QEventLoop loop;
            QObject::connect(list->searchIndex(), &TextSearchIndex::indexReady, &loop, &QEventLoop::quit);
            loop.exec();
        }
        indexedMiB = residentMiB();
        search = std::make_unique<SearchBoxMenu>(list.get());
        search->entireRecipeAction();
        // A search that matches nothing reads every searched text once, as the first
        // search after opening does; the figures below are for a library already searched.
        search->setSearchString(QStringLiteral("qqqqqq"));
        search->setSearchString(QString());
    }
};

// One library open at a time, so the memory figures are those of one library.
SearchFixture& fixture(int recipes) {
    static std::unique_ptr<SearchFixture> shared;
    static int size = 0;
    if (size != recipes) {
        shared.reset();
        malloc_trim(0);
        shared = std::make_unique<SearchFixture>(recipes);
        size = recipes;
    }
    return *shared;
}

// VmRSS (now) of this process, in MiB.
double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// One keystroke: the field held the first n - 1 letters, the user types letter n.
void BM_TypeEntireRecipeSearch(benchmark::State& state) {
    SearchFixture& f = fixture(int(state.range(0)));
    const int letters = int(state.range(1));
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
    state.counters["rss_read_MiB"] = f.readMiB;
    state.counters["rss_indexed_MiB"] = f.indexedMiB;
    state.counters["rss_MiB"] = residentMiB();
    state.counters["peak_MiB"] = bench::peakMemoryMiB();
    const TextSearchIndex::Statistics index = f.list->searchIndex()->statistics();
    state.counters["index_MiB"] = double(index.bytes) / 1048576.0;
    state.counters["index_entries"] = double(index.entries);
}
BENCHMARK(BM_TypeEntireRecipeSearch)
    ->ArgsProduct({{kRecipes, 100000}, benchmark::CreateDenseRange(1, 7, 1)})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// The first search after opening the library: the whole word typed, letter by letter,
// once the worker started on opening has indexed the searched texts (a second or two).
void BM_FirstSearchAfterOpening(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        {
            QString error;
            auto context = openLibraryStore(bench::libraryWithRecipes(kRecipes), false, &error);
            auto list = std::make_unique<RecipesArrayController>(context.get());
            list->setFilterPredicate({});
            if (!list->searchIndex()->isReady()) {
                QEventLoop loop;
                QObject::connect(list->searchIndex(), &TextSearchIndex::indexReady, &loop, &QEventLoop::quit);
                loop.exec();
            }
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
    SearchFixture& f = fixture(kRecipes);
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
