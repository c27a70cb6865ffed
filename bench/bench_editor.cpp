// The recipe editor on a library of 20,000 recipes, all listed ("My Recipes"): opening a
// recipe (the form, the rows and the eight lists of earlier values the window shows), and
// saving it (fields, rows, the auto-fill lists rebuilt from every listed recipe, the
// store saved). Goal: both feel instant, well under 200 ms; the first save after opening
// the library, which reads every recipe's rows once, under a second.
#include "BenchSupport.h"

#include "library/LibraryStore.h"
#include "library/RecipeEditorController.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

constexpr int kRecipes = 20000;

struct EditorFixture {
    std::unique_ptr<bench::OpenLibrary> library;
    ObjectContext* context = nullptr;
    RecipesArrayController* list = nullptr;
    std::unique_ptr<RecipeEditorController> editor;
    RecipesManagedObject* recipe = nullptr;

    EditorFixture() {
        library = std::make_unique<bench::OpenLibrary>(bench::scratchCopyOfLibrary(kRecipes), false);
        context = library->context();
        UserDefaults::setObjectForKey(true, QStringLiteral("addRecipeDataToAutofillValues"));
        list = &library->session()->recipesArrayController();
        list->setFilterPredicate({});
        editor = std::make_unique<RecipeEditorController>(library->session());
        recipe = dynamic_cast<RecipesManagedObject*>(list->arrangedObjects().at(kRecipes / 2));
        // The lists exist as after any earlier save.
        editor->resetAutoFillValues();
    }
};

EditorFixture& fixture() {
    static EditorFixture shared;
    return shared;
}

void BM_OpenEditor(benchmark::State& state) {
    EditorFixture& f = fixture();
    qsizetype values = 0;
    for (auto _ : state) {
        f.editor->editRecipe(f.recipe);
        values = 0;
        for (const QString& file : RecipeEditorController::autoFillFileNames())
            values += f.editor->autoFillValues(file).size();
        state.PauseTiming();
        f.editor->cancelButtonAction();
        state.ResumeTiming();
    }
    state.counters["autoFillValues"] = double(values);
}
BENCHMARK(BM_OpenEditor)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SaveRecipe(benchmark::State& state) {
    EditorFixture& f = fixture();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.editor->editRecipe(f.recipe);
        f.editor->form().yield = QStringLiteral("%1 servings").arg(++round);
        state.ResumeTiming();
        f.editor->saveButtonAction();
    }
}
BENCHMARK(BM_SaveRecipe)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ResetAutoFillValues(benchmark::State& state) {
    EditorFixture& f = fixture();
    for (auto _ : state)
        f.editor->resetAutoFillValues();
}
BENCHMARK(BM_ResetAutoFillValues)->Unit(benchmark::kMillisecond)->Iterations(10);

// The first save after the library opened reads every recipe's rows once.
void BM_FirstResetAutoFillValues(benchmark::State& state) {
    EditorFixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        RecipeEditorController fresh(f.library->session());
        state.ResumeTiming();
        fresh.resetAutoFillValues();
    }
}
BENCHMARK(BM_FirstResetAutoFillValues)->Unit(benchmark::kMillisecond)->Iterations(5);

// The first save after opening, as a user makes it: the rows were read while the form was
// being filled in (a second here).
void BM_FirstSaveAfterTyping(benchmark::State& state) {
    EditorFixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        RecipeEditorController fresh(f.library->session());
        fresh.editRecipe(f.recipe);
        fresh.form().yield = QStringLiteral("6 servings");
        std::this_thread::sleep_for(std::chrono::seconds(1));
        state.ResumeTiming();
        fresh.saveButtonAction();
    }
}
BENCHMARK(BM_FirstSaveAfterTyping)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
