// Exchange files: export 5,000 recipes with one 60 KB picture each, then import that file
// into an empty library. Goals: export in at most 5 s, import in at most 10 s, with memory
// that does not grow with the file (the peak is reported beside each time).
#include "BenchSupport.h"

#include "library/LibraryStore.h"
#include "library/RecipesManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "share/VersionTwoImporterExporter.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int kRecipes = 5000;
constexpr qsizetype kPictureBytes = 60 * 1024;

// A JPEG of coloured noise of about 60 KB (noise does not compress, so its size is honest).
QByteArray noisyPicture() {
    QRandomGenerator random(42);
    for (int side = 96;; side += 4) {
        QImage image(side, side, QImage::Format_RGB32);
        for (int y = 0; y < side; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < side; ++x)
                line[x] = random.generate() | 0xFF000000u;
        }
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 85);
        if (buffer.data().size() >= kPictureBytes)
            return buffer.data();
    }
}

struct Fixture {
    QTemporaryDir scratch;
    QString library;
    QString exchangeFile;
};

// The library of 5,000 recipes with a picture each, made once per run.
Fixture& fixture() {
    static Fixture f;
    if (!f.library.isEmpty())
        return f;
    f.library = bench::scratchCopyOfLibrary(kRecipes);
    f.exchangeFile = f.scratch.filePath(QStringLiteral("5000 recipes.lsr"));
    QString error;
    bench::OpenLibrary library(f.library, false);
    ObjectContext* context = library.context();
    const QByteArray picture = noisyPicture();
    for (ManagedObject* recipe : context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")))) {
        auto* record = dynamic_cast<RecipesManagedObject*>(recipe);
        if (!record || !record->saveImage(picture, 1, &error))
            qFatal("bench: %s", qPrintable(error));
    }
    // The file the import and read benchmarks start from.
    VersionTwoImporterExporter exporter(library.session());
    if (!exporter.exportRecipes(context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))),
                                f.exchangeFile, &error))
        qFatal("bench: %s", qPrintable(error));
    return f;
}

void BM_ExportRecipesWithPictures(benchmark::State& state) {
    Fixture& f = fixture();
    QString error;
    bench::OpenLibrary library(f.library, false);
    const QList<ManagedObject*> recipes = library.context()->executeFetchRequest(
        FetchRequest(QStringLiteral("Recipes"), {}, {{QStringLiteral("name"), true, true}}));
    for (auto _ : state) {
        VersionTwoImporterExporter exporter(library.session());
        if (!exporter.exportRecipes(recipes, f.exchangeFile, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["recipes"] = double(recipes.size());
    state.counters["file_MiB"] = double(QFileInfo(f.exchangeFile).size()) / (1024.0 * 1024.0);
    state.counters["peak_MiB"] = bench::peakMemoryMiB();
}
BENCHMARK(BM_ExportRecipesWithPictures)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ImportRecipesWithPictures(benchmark::State& state) {
    Fixture& f = fixture();
    qsizetype imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = f.scratch.filePath(QStringLiteral("import-target.library"));
        QDir(target).removeRecursively();
        bench::OpenLibrary library(target, true);
        state.ResumeTiming();
        VersionTwoImporterExporter importer(library.session());
        importer.importDataFile(f.exchangeFile);
        imported = importer.importedRecipesArray().size();
        if (imported != kRecipes || !importer.importResult().saveError.isEmpty())
            state.SkipWithError("the import was incomplete");
    }
    state.counters["recipes"] = double(imported);
    state.counters["peak_MiB"] = bench::peakMemoryMiB();
}
BENCHMARK(BM_ImportRecipesWithPictures)->Unit(benchmark::kMillisecond)->Iterations(2);

// Floor: the file read through once, every element decoded, nothing imported.
void BM_ReadExchangeFileOnce(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        int count = 0;
        QString error;
        if (!readPropertyListArrayFile(
                f.exchangeFile, [&count](const QVariant&) { return ++count, true; }, &error))
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_ReadExchangeFileOnce)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
