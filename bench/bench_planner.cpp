// The weekly planner on the 20,000-recipe library with 2,000 planned dates: from a click on
// a week button to the seven columns filled, for a week whose days hold 100 recipes each.
// Three figures: the usual click (the lookups of days and recipes are current), the first
// click after a recipe was renamed, and the first click after a recipe was inserted (the
// lookups are built again from the library).
#include "BenchSupport.h"

#include "planner/WeeklyPlannerDates.h"
#include "planner/WeeklyPlannerRecords.h"
#include "planner/ui/DayOfWeekTableView.h"
#include "planner/ui/WeeklyPlannerController.h"
#include "platform/ObjectContext.h"
#include "platform/UndoManager.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace {

constexpr int kRecipes = 20000;
constexpr int kPlannedDates = 2000;
constexpr int kRecipesPerDay = 100;

struct Planner {
    bench::OpenLibrary library{bench::scratchCopyOfLibrary(kRecipes), false};
    std::unique_ptr<WeeklyPlannerController> panel;

    Planner() {
        ObjectContext* context = library.context();
        context->undoManager()->disableUndoRegistration();
        const QList<ManagedObject*> recipes =
            context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
        const QDate today = plannerdates::today();
        const QList<QDate> week = plannerdates::weekDates(today, 0);
        // This week's days hold 100 recipes each; the other planned dates, spread over the
        // years before, a few recipes and a note.
        for (int index = 0; index < kPlannedDates; ++index) {
            const bool full = index < 7;
            const QDate date = full ? week.at(index) : week.first().addDays(-(index - 6));
            QList<PlannedRecipe> planned;
            const int count = full ? kRecipesPerDay : 3;
            for (int k = 0; k < count; ++k) {
                const ManagedObject* recipe = recipes.at((index * 131 + k * 197) % recipes.size());
                planned.append({recipe->stringValue(QStringLiteral("name")),
                                recipe->stringValue(QStringLiteral("uniqueID"))});
            }
            ManagedObject* record = context->insertNewObject(WeeklyPlannerRecords::entityName());
            record->setValueForKey(plannerdates::dateStringForDate(date), QStringLiteral("dateString"));
            record->setValueForKey(plannerdates::localMidnight(date), QStringLiteral("date"));
            record->setValueForKey(WeeklyPlannerRecords::recipeArrayText(planned),
                                   QStringLiteral("recipeArray"));
            if (index % 5 == 0)
                record->setValueForKey(QStringLiteral("Note %1").arg(index), QStringLiteral("note"));
        }
        QString error;
        if (!context->save(&error))
            qFatal("bench: %s", qPrintable(error));
        panel = std::make_unique<WeeklyPlannerController>(library.session());
        panel->resize(1200, 320);
        panel->show();
    }
};

std::unique_ptr<Planner> g_planner; // goes before the application object

Planner& planner() {
    if (!g_planner)
        g_planner = std::make_unique<Planner>();
    return *g_planner;
}

void checkFilled(benchmark::State& state, WeeklyPlannerController& panel) {
    int rows = 0;
    for (int tag = 1; tag <= 7; ++tag)
        rows += panel.dayTable(tag)->count();
    state.counters["rows"] = rows;
    if (rows != 7 * kRecipesPerDay)
        state.SkipWithError("the week's columns were not filled");
}

void BM_WeekButtonToColumnsFilled(benchmark::State& state) {
    WeeklyPlannerController& panel = *planner().panel;
    for (auto _ : state) {
        state.PauseTiming();
        panel.weekSelectoinButtons(2);
        state.ResumeTiming();
        panel.weekSelectoinButtons(0); // back to the full week
    }
    checkFilled(state, panel);
}
BENCHMARK(BM_WeekButtonToColumnsFilled)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WeekButtonAfterARecipeRenamed(benchmark::State& state) {
    WeeklyPlannerController& panel = *planner().panel;
    ObjectContext* context = planner().library.context();
    ManagedObject* recipe = context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))).first();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        panel.weekSelectoinButtons(2);
        recipe->setValueForKey(QStringLiteral("Renamed %1").arg(++round), QStringLiteral("name"));
        state.ResumeTiming();
        panel.weekSelectoinButtons(0);
    }
    checkFilled(state, panel);
}
BENCHMARK(BM_WeekButtonAfterARecipeRenamed)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WeekButtonAfterARecipeInserted(benchmark::State& state) {
    WeeklyPlannerController& panel = *planner().panel;
    ObjectContext* context = planner().library.context();
    for (auto _ : state) {
        state.PauseTiming();
        panel.weekSelectoinButtons(2);
        context->insertNewObject(QStringLiteral("Recipes"))
            ->setValueForKey(QStringLiteral("New"), QStringLiteral("name"));
        state.ResumeTiming();
        panel.weekSelectoinButtons(0);
    }
    checkFilled(state, panel);
}
BENCHMARK(BM_WeekButtonAfterARecipeInserted)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon! bench"));
    QApplication app(argc, argv);
    const int status = bench::runBenchmarks(argc, argv);
    g_planner.reset();
    return status;
}
