// The recipe page: filling the theme template for a recipe with 40 ingredients and two
// pictures, and a whole selection (fill, "Display.htm" written, the page loaded by the
// HTML engine until its load finished; median over the runs).
#include "BenchSupport.h"

#include "library/IngredientRecords.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/HtmlPage.h"
#include "platform/ObjectContext.h"
#include "platform/UserDefaults.h"
#include "present/RecipeDisplayController.h"
#include "present/RecipeWebView.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

// The default theme when the resources hold it, else the test fixture theme.
QString themesRoot() {
    if (QFileInfo::exists(resourcesPath() + QStringLiteral("/Themes/Sky/Recipe View/Template.html")))
        return resourcesPath();
    return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../tests/data/present");
}
QString themeName() {
    return themesRoot() == resourcesPath() ? QStringLiteral("Sky") : QStringLiteral("Fixture");
}

struct Library {
    QTemporaryDir dir;
    std::unique_ptr<bench::OpenLibrary> library;
    ObjectContext* context = nullptr;
    QList<RecipesManagedObject*> recipes;
};

QByteArray jpeg(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return data;
}

Library& library() {
    static Library* made = [] {
        auto* lib = new Library;
        lib->library =
            std::make_unique<bench::OpenLibrary>(lib->dir.filePath(QStringLiteral("Render.library")), true);
        lib->context = lib->library->context();
        for (int r = 0; r < 2; ++r) {
            const QVariantMap values = bench::recipeValues(r);
            auto* recipe =
                dynamic_cast<RecipesManagedObject*>(lib->context->insertNewObject(QStringLiteral("Recipes")));
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                if (it.key() != QLatin1String("ingredientsArray"))
                    recipe->setValueForKey(it.value(), it.key());
            recipe->setValueForKey(4, QStringLiteral("rating"));
            recipe->setValueForKey(2, QStringLiteral("difficulty"));
            recipe->setValueForKey(QStringLiteral("Gran"), QStringLiteral("attribution"));
            recipe->setValueForKey(QStringLiteral("https://example.com/recipes/1"),
                                   QStringLiteral("importedFromURL"));
            QVariantList rows;
            for (int i = 0; i < 40; ++i) {
                QVariantMap row = IngredientRecords::newIngredientRecord();
                const bool title = i % 10 == 0;
                row.insert(QStringLiteral("isGroupTitle"),
                           title ? QStringLiteral("YES") : QStringLiteral("NO"));
                row.insert(QStringLiteral("name"), title ? QStringLiteral("for the part %1").arg(i / 10)
                                                         : QStringLiteral("ingredient number %1").arg(i));
                if (!title) {
                    row.insert(QStringLiteral("quantity"), QStringLiteral("1 1/2"));
                    row.insert(QStringLiteral("measurement"), QStringLiteral("cups"));
                    row.insert(QStringLiteral("method"), QStringLiteral("finely chopped"));
                }
                rows.append(row);
            }
            IngredientRecords::setIngredientsOfRecipe(recipe, rows);
            recipe->saveImage(jpeg(800, 600, Qt::darkYellow), 1);
            recipe->saveImage(jpeg(400, 300, Qt::darkGreen), 2);
            lib->recipes.append(recipe);
        }
        return lib;
    }();
    return *made;
}

void BM_FillPage(benchmark::State& state) {
    Library& lib = library();
    const std::optional<ThemeTemplate> found = RecipeDisplayController::templateForTheme(
        themesRoot(), QDir::tempPath(), themeName(), RecipeDisplayController::RecipeViewMode, false);
    if (!found) {
        state.SkipWithError("no template");
        return;
    }
    RenderSettings settings;
    settings.capitalizeRecipeAndIngredientTitles = true;
    for (auto _ : state) {
        const QString page = RecipeDisplayController::filledPage(lib.recipes.first(), found->text,
                                                                 found->basePath, 700, settings);
        benchmark::DoNotOptimize(page.constData());
    }
}
BENCHMARK(BM_FillPage)->Unit(benchmark::kMicrosecond);

class HtmlPageWebView final : public RecipeWebView {
public:
    HtmlPage page;
    void loadHTMLString(const QString& html) override { page.loadHTMLString(html); }
    void loadFileURL(const QUrl& url, bool) override { page.loadFileURL(url.toLocalFile()); }
    void reload() override { page.reload(); }
    void setTextSizeMultiplier(double multiplier) override { page.setTextSizeMultiplier(multiplier); }
    int containerHeight() const override { return 700; }
};

void BM_SelectionToPageLoaded(benchmark::State& state) {
    Library& lib = library();
    QTemporaryDir support;
    UserDefaults::setObjectForKey(themeName(), QStringLiteral("selectedTheme"));
    UserDefaults::setObjectForKey(false, QStringLiteral("enableAlternateTheme"));
    RecipesArrayController& list = lib.library->session()->recipesArrayController();
    list.rearrangeObjects();
    HtmlPageWebView view;
    view.page.setViewSize(QSize(900, 700));
    RecipeDisplayController controller(lib.library->session(), &view, nullptr, themesRoot(), support.path());
    controller.delayedInitalize();
    {
        // The no-selection page of the first render, before anything is timed.
        QEventLoop loop;
        QObject::connect(&view.page, &HtmlPage::loadFinished, &loop, &QEventLoop::quit);
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        if (view.page.isLoading())
            loop.exec();
    }
    QString lastError;
    QObject::connect(&view.page, &HtmlPage::loadFailed, &view.page,
                     [&lastError](const QString& error) { lastError = error; });

    std::vector<double> samples;
    int next = 0;
    int failed = 0;
    for (auto _ : state) {
        ManagedObject* recipe = lib.recipes.at(next++ % lib.recipes.size());
        QEventLoop loop;
        bool finished = false;
        QObject::connect(&view.page, &HtmlPage::loadFinished, &loop, [&](bool ok) {
            failed += ok ? 0 : 1;
            finished = true;
            loop.quit();
        });
        QElapsedTimer timer;
        timer.start();
        list.setSelectedObjects({recipe});
        if (!finished)
            loop.exec();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        samples.push_back(ms);
    }
    std::sort(samples.begin(), samples.end());
    if (!samples.empty())
        state.counters["median_ms"] = samples[samples.size() / 2];
    if (failed)
        state.SkipWithError(
            qPrintable(QStringLiteral("%1 page loads failed: %2").arg(failed).arg(lastError)));
}
BENCHMARK(BM_SelectionToPageLoaded)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(60);

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
