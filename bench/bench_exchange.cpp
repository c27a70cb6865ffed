// Exchange files: export 5,000 recipes with one 64 KB picture each (a file of about 440 MB),
// then import that file into an empty library. Goals: export in at most 5 s, import in at
// most 3 s with at most 250 MB of memory (the peak of the import alone, import_peak_MiB).
//
// Then 2,000 recipes into a library of 20,000, the way the command-line tool imports (in
// one go) and the way the window does (in batches from the event loop, with the recipe list
// and the sidebar attached to the library): the window's goal is at most 1.5 times the
// command line's time.
#include "BenchSupport.h"

#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/SidebarTreeController.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "share/VersionTwoImporterExporter.h"

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

constexpr int kRecipes = 5000;
constexpr qsizetype kPictureBytes = 64 * 1024;

// A JPEG of coloured noise of about 64 KB (noise does not compress, so its size is honest).
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

// The peak resident memory from now on: the kernel's high-water mark is reset to what is
// resident now (Linux), so a benchmark reports its own peak, not that of the set-up before.
void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// VmHWM of /proc/self/status, in MiB.
double peakMemorySinceResetMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

void BM_ImportRecipesWithPictures(benchmark::State& state) {
    Fixture& f = fixture();
    qsizetype imported = 0;
    double importPeak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString target = f.scratch.filePath(QStringLiteral("import-target.library"));
        QDir(target).removeRecursively();
        bench::OpenLibrary library(target, true);
        resetPeakMemory();
        state.ResumeTiming();
        VersionTwoImporterExporter importer(library.session());
        importer.importDataFile(f.exchangeFile);
        imported = importer.importedRecipesArray().size();
        importPeak = std::max(importPeak, peakMemorySinceResetMiB());
        if (imported != kRecipes || !importer.importResult().saveError.isEmpty())
            state.SkipWithError("the import was incomplete");
    }
    state.counters["recipes"] = double(imported);
    state.counters["file_MiB"] = double(QFileInfo(f.exchangeFile).size()) / (1024.0 * 1024.0);
    state.counters["import_peak_MiB"] = importPeak;
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

// 2,000 recipes into a library of 20,000.
constexpr int kLargeLibrary = 20000;
constexpr int kIncoming = 2000;

struct LargeLibraryFixture {
    QTemporaryDir scratch;
    QString source;       // the library of 20,000, left as it is
    QString exchangeFile; // 2,000 recipes without pictures
};

LargeLibraryFixture& largeLibraryFixture() {
    static LargeLibraryFixture f;
    if (!f.source.isEmpty())
        return f;
    f.source = bench::libraryWithRecipes(kLargeLibrary);
    f.exchangeFile = f.scratch.filePath(QStringLiteral("2000 recipes.lsr"));
    bench::OpenLibrary library(bench::libraryWithRecipes(kIncoming), false);
    VersionTwoImporterExporter exporter(library.session());
    QString error;
    if (!exporter.exportRecipes(
            library.context()->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"))), f.exchangeFile,
            &error))
        qFatal("bench: %s", qPrintable(error));
    return f;
}

// A fresh copy of the library of 20,000 to import into.
QString largeLibraryCopy(LargeLibraryFixture& f) {
    const QString target = f.scratch.filePath(QStringLiteral("target.library"));
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    if (!QFile::copy(libraryStorePath(f.source), libraryStorePath(target)))
        qFatal("bench: the library could not be copied");
    return target;
}

void BM_ImportIntoLargeLibraryCommandLine(benchmark::State& state) {
    LargeLibraryFixture& f = largeLibraryFixture();
    qsizetype imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::OpenLibrary library(largeLibraryCopy(f), false);
        library.session()->recipesArrayController().rearrangeObjects();
        state.ResumeTiming();
        VersionTwoImporterExporter importer(library.session());
        importer.importDataFile(f.exchangeFile);
        imported = importer.importedRecipesArray().size();
        if (imported != kIncoming || !importer.importResult().saveError.isEmpty())
            state.SkipWithError("the import was incomplete");
    }
    state.counters["recipes"] = double(imported);
}
BENCHMARK(BM_ImportIntoLargeLibraryCommandLine)->Unit(benchmark::kMillisecond)->Iterations(2);

// The window's import: the operation's batches from the event loop, with the recipe list
// (the session's) and the sidebar reacting to every change as they do in the window, until
// the operation has finished and the list shows the imported recipes.
void BM_ImportIntoLargeLibraryWindow(benchmark::State& state) {
    LargeLibraryFixture& f = largeLibraryFixture();
    qsizetype listed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench::OpenLibrary library(largeLibraryCopy(f), false);
        RecipesArrayController& list = library.session()->recipesArrayController();
        list.rearrangeObjects();
        SidebarTreeController sidebar(library.session());
        state.ResumeTiming();
        QEventLoop loop;
        bool wholeFile = false;
        ExchangeImportOperation* operation =
            ExchangeImportOperation::start(*library.session(), f.exchangeFile, false, nullptr);
        QObject::connect(operation, &ExchangeImportOperation::finished, &loop, [&](bool whole) {
            wholeFile = whole;
            loop.quit();
        });
        loop.exec();
        listed = list.rowCount();
        if (!wholeFile || listed != kLargeLibrary + kIncoming)
            state.SkipWithError("the import was incomplete");
        state.PauseTiming();
        // The operation deletes itself at the next turn of the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["listed"] = double(listed);
}
BENCHMARK(BM_ImportIntoLargeLibraryWindow)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
