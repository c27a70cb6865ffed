// Recipe cards: laying out a recipe of 60 ingredients and 3 KB of directions on the
// "4x6 Index Card" format of the default printing theme, measured many items per render and
// one render per item (renders counted), and printing 50 recipes' cards to one PDF the way a
// print job does.
#include "BenchSupport.h"

#include "library/IngredientRecords.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/ObjectContext.h"
#include "present/CardPrintJobBackend.h"
#include "present/PrintViewGenerator.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

QString templatePath(const QString& format) {
    return resourcesPath() + QStringLiteral("/Themes/Brown/Print Templates/") + format +
           QStringLiteral("/Template.html");
}

struct Library {
    QTemporaryDir dir;
    std::unique_ptr<bench::OpenLibrary> library;
    RecipesManagedObject* big = nullptr;
    QList<RecipesManagedObject*> recipes;
};

RecipesManagedObject* insert(ObjectContext* context, const QVariantMap& values) {
    auto* recipe = dynamic_cast<RecipesManagedObject*>(context->insertNewObject(QStringLiteral("Recipes")));
    // The generated ingredient list is stored as it comes, in its structured text.
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        recipe->setValueForKey(it.value(), it.key());
    return recipe;
}

Library& library() {
    static Library* made = [] {
        auto* lib = new Library;
        lib->library =
            std::make_unique<bench::OpenLibrary>(lib->dir.filePath(QStringLiteral("Cards.library")), true);
        ObjectContext* context = lib->library->context();
        QVariantMap values = bench::recipeValues(0);
        QString directions;
        while (directions.size() < 3000)
            directions +=
                QStringLiteral("Fold the batter gently with a spatula, scraping the sides of the bowl, "
                               "then rest it for ten minutes.\n\n");
        values.insert(QStringLiteral("directions"), directions);
        lib->big = insert(context, values);
        QVariantList rows;
        for (int i = 1; i <= 60; ++i) {
            QVariantMap row = IngredientRecords::newIngredientRecord();
            row.insert(QStringLiteral("quantity"), QStringLiteral("1 1/2"));
            row.insert(QStringLiteral("measurement"), QStringLiteral("cups"));
            row.insert(QStringLiteral("name"), QStringLiteral("ingredient number %1").arg(i));
            rows.append(row);
        }
        IngredientRecords::setIngredientsOfRecipe(lib->big, rows);
        for (int r = 0; r < 50; ++r) {
            lib->recipes.append(insert(context, bench::recipeValues(r)));
        }
        return lib;
    }();
    return *made;
}

// Keeps the last alert, so a failed layout can say why.
class KeptAlerts final : public Alerts {
public:
    QString last;
    AlertResponse runModal(const AlertRequest& request) override {
        last = request.messageText + QLatin1Char(' ') + request.informativeText;
        return {};
    }
};

struct Layout {
    bool ok = false;
    QString alert;
    int cards = 0;
    int renders = 0;
    int pageLoads = 0;
    int roundTrips = 0;
};

Layout layOut(const ManagedObject* recipe, const QString& format, PrintViewGenerator::LayoutMethod method,
              const QString& jobFolder) {
    KeptAlerts alerts;
    PrintViewGenerator generator(&alerts, jobFolder);
    CardSettings settings = CardSettings::fromUserDefaults();
    settings.metricUnits = false;
    generator.setSettings(settings);
    generator.setLayoutMethod(method);
    Layout result;
    if (!generator.setHTMLTemplate(templatePath(format)))
        return result;
    result.ok = generator.layOutAndWait(recipe);
    result.alert = alerts.last;
    result.cards = generator.cardCount();
    result.renders = generator.renderCount();
    result.pageLoads = generator.pageLoadCount();
    result.roundTrips = generator.roundTripCount();
    return result;
}

void layoutBenchmark(benchmark::State& state, PrintViewGenerator::LayoutMethod method) {
    Library& lib = library();
    QTemporaryDir job;
    Layout last;
    std::vector<double> samples;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        last = layOut(lib.big, QStringLiteral("4x6 Index Card"), method, job.path());
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1000);
        if (!last.ok) {
            state.SkipWithError("the layout failed");
            return;
        }
    }
    std::sort(samples.begin(), samples.end());
    state.counters["cards"] = last.cards;
    state.counters["renders"] = last.renders;
    state.counters["page_loads"] = last.pageLoads;
    state.counters["round_trips"] = last.roundTrips;
    state.counters["median_ms"] = samples[samples.size() / 2];
}

void BM_CardLayoutMeasured(benchmark::State& state) {
    layoutBenchmark(state, PrintViewGenerator::LayoutMethod::Measured);
}
BENCHMARK(BM_CardLayoutMeasured)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

void BM_CardLayoutOneRenderPerItem(benchmark::State& state) {
    layoutBenchmark(state, PrintViewGenerator::LayoutMethod::OneRenderPerItem);
}
BENCHMARK(BM_CardLayoutOneRenderPerItem)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The same layout again and again by one generator, as the print window's preview follows a
// change of text size or a print job lays out its next recipe: the engine page stays loaded.
void BM_CardLayoutKeptGenerator(benchmark::State& state) {
    Library& lib = library();
    QTemporaryDir job;
    KeptAlerts alerts;
    PrintViewGenerator generator(&alerts, job.path());
    CardSettings settings = CardSettings::fromUserDefaults();
    settings.metricUnits = false;
    generator.setSettings(settings);
    if (!generator.setHTMLTemplate(templatePath(QStringLiteral("4x6 Index Card")))) {
        state.SkipWithError("the template could not be read");
        return;
    }
    if (!generator.layOutAndWait(lib.big)) { // the first layout loads the page
        state.SkipWithError("the layout failed");
        return;
    }
    std::vector<double> samples;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const bool ok = generator.layOutAndWait(lib.big);
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1000);
        if (!ok) {
            state.SkipWithError("the layout failed");
            return;
        }
    }
    std::sort(samples.begin(), samples.end());
    state.counters["cards"] = generator.cardCount();
    state.counters["renders"] = generator.renderCount();
    state.counters["page_loads"] = generator.pageLoadCount();
    state.counters["round_trips"] = generator.roundTripCount();
    state.counters["median_ms"] = samples[samples.size() / 2];
}
BENCHMARK(BM_CardLayoutKeptGenerator)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

// 50 recipes laid out one after another on Letter pages by the print job's backend, then the
// PDF written; the time of the layouts and of the PDF is also counted apart.
void BM_PrintFiftyRecipesToPdf(benchmark::State& state) {
    Library& lib = library();
    CardSettings settings = CardSettings::fromUserDefaults();
    settings.metricUnits = false;
    const QString letter = templatePath(QStringLiteral("Letter"));
    int pages = 0;
    std::vector<double> layoutMs;
    std::vector<double> pdfMs;
    int renders = 0;
    int pageLoads = 0;
    for (auto _ : state) {
        QTemporaryDir job;
        KeptAlerts alerts;
        CardPrintJobBackend backend(&alerts);
        QElapsedTimer timer;
        timer.start();
        QList<CardStack> stacks;
        for (int i = 0; i < lib.recipes.size(); ++i) {
            QEventLoop loop;
            std::optional<CardStack> stack;
            backend.layOut(lib.recipes.at(i), letter, settings, job.filePath(QString::number(i + 1)),
                           [&](std::optional<CardStack> laidOut) {
                               stack = std::move(laidOut);
                               loop.quit();
                           });
            loop.exec();
            if (!stack) {
                state.SkipWithError(qPrintable(QStringLiteral("recipe %1: %2").arg(i).arg(alerts.last)));
                return;
            }
            stacks.append(*stack);
        }
        const qint64 laidOut = timer.nsecsElapsed();
        renders = backend.renderCount();
        pageLoads = backend.pageLoadCount();
        QEventLoop loop;
        bool written = false;
        backend.writePdf(stacks, job.path(), job.filePath(QStringLiteral("cards.pdf")), false, [&](bool ok) {
            written = ok;
            loop.quit();
        });
        loop.exec();
        const qint64 total = timer.nsecsElapsed();
        state.SetIterationTime(static_cast<double>(total) / 1e9);
        layoutMs.push_back(static_cast<double>(laidOut) / 1e6);
        pdfMs.push_back(static_cast<double>(total - laidOut) / 1e6);
        if (!written) {
            state.SkipWithError("the PDF was not written");
            return;
        }
        pages = 0;
        for (const CardStack& stack : std::as_const(stacks))
            pages += static_cast<int>(stack.pageFiles.size());
    }
    state.counters["pages"] = pages;
    state.counters["renders"] = renders;
    state.counters["page_loads"] = pageLoads;
    state.counters["layout_ms"] = *std::min_element(layoutMs.begin(), layoutMs.end());
    state.counters["pdf_ms"] = *std::min_element(pdfMs.begin(), pdfMs.end());
}
BENCHMARK(BM_PrintFiftyRecipesToPdf)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon! bench"));
    QGuiApplication app(argc, argv);
    return bench::runBenchmarks(argc, argv);
}
