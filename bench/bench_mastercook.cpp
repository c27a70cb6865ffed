// MasterCook import: a generated export of 5,000 realistic recipes through `larkspoon-cli
// import`, end to end (goal: at most 1.5 s, at most 300 MB peak), the reader alone, and every
// real export kept beside the project imported into one library (total time).
#include "BenchSupport.h"

#include "import/ForeignRecipeImporter.h"
#include "import/MasterCookReader.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

constexpr int kRecipes = 5000;

// An export as MasterCook writes it: the invalid declaration, CRLF, a summary of names, and
// per recipe a text copy in CDATA, categories, a dozen ingredient rows (a heading, some with
// preparations, entities), and directions broken with character references.
QByteArray generatedExport(int count) {
    QByteArray out =
        "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"ISO-8859-1\"?>\r\n"
        "<!DOCTYPE mx2 SYSTEM \"mx2.dtd\">\r\n<mx2 source=\"MasterCook\" date=\"May 1, 2004\">\r\n"
        "<Summ>\r\n";
    for (int i = 0; i < count; ++i)
        out += "<Nam>\r\nRecipe " + QByteArray::number(i) + "\r\n</Nam>\r\n";
    out += "</Summ>\r\n";
    static const char* const units[] = {"cup", "cups", "tablespoon", "teaspoon", "ounces", "pound", ""};
    static const char* const foods[] = {"flour", "sugar",         "butter",        "eggs",
                                        "milk",  "salt",          "baking powder", "vanilla extract",
                                        "onion", "garlic cloves", "olive oil",     "Cr&#232;me fra&#238;che"};
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        out += "<RcpE name=\"Grandma&apos;s Recipe " + n + "\" author=\"Cook " + n + "\">\r\n";
        out += "<RTxt>\r\n<![CDATA[* Exported from MasterCook *\r\n  Recipe " + n +
               " <cook@example.org> 1 < 2 & so on\r\n]]>\r\n</RTxt>\r\n";
        out += "<Serv qty=\"" + QByteArray::number(i % 8) + "\"/>\r\n<PrpT elapsed=\"0:45\"/>\r\n<CatS>\r\n";
        out += "<CatT>\r\nDesserts\r\n</CatT>\r\n<CatT>\r\nCategory " + QByteArray::number(i % 40) +
               "\r\n</CatT>\r\n</CatS>\r\n";
        out += "<IngR name=\"=== FILLING ===\" unit=\"\" qty=\"\"></IngR>\r\n";
        for (int row = 0; row < 11; ++row) {
            out += "<IngR name=\"" + QByteArray(foods[(i + row) % 12]) + "\" unit=\"" + units[row % 7] +
                   "\" qty=\"" + QByteArray::number(row % 3 + 1) + " 1/2\">";
            if (row % 3 == 0)
                out += "\r\n<IPrp>\r\nfinely chopped &amp; divided\r\n</IPrp>\r\n";
            out += "</IngR>\r\n";
        }
        out +=
            "<DirS>\r\n<DirT>\r\nHeat the oven to 350&#176;F.&#013;&#010;&#013;&#010;Mix the dry ingredients "
            "in a large bowl, then cut in the butter until the mixture looks like coarse crumbs.&#013;&#010;"
            "Stir in the milk and eggs &quot;just until moistened&quot;.\r\n</DirT>\r\n<DirT>\r\nBake for "
            "30 to 35 minutes, until golden; cool on a rack before slicing.\r\n</DirT>\r\n</DirS>\r\n";
        out += "<Desc>\r\nA family favourite.\r\n</Desc>\r\n<Srce>\r\nThe Family Cookbook\r\n</Srce>\r\n";
        out += "<Note>\r\nKeeps for three days.\r\n</Note>\r\n</RcpE>\r\n";
    }
    return out + "</mx2>\r\n";
}

struct Fixture {
    QTemporaryDir scratch;
    QString exportFile;
};

Fixture& fixture() {
    static Fixture f;
    if (!f.exportFile.isEmpty())
        return f;
    // Kept beside the other temporary files, so the same export can be imported by hand:
    // larkspoon-cli --library L import "/tmp/larkspoon-bench 5000 recipes.mx2".
    f.exportFile = QDir::temp().filePath(QStringLiteral("larkspoon-bench 5000 recipes.mx2"));
    const QByteArray bytes = generatedExport(kRecipes);
    QFile file(f.exportFile);
    if (QFileInfo(f.exportFile).size() != bytes.size() &&
        (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()))
        qFatal("bench: the export could not be written");
    return f;
}

int runCli(const QStringList& args) {
    QProcess cli;
    cli.start(QStringLiteral(LARKSPOON_CLI_PATH), args);
    cli.waitForFinished(120000);
    return cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
}

// The largest resident size of the waited-for children so far, in MiB.
double childrenPeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_MasterCookImportCommandLine(benchmark::State& state) {
    Fixture& f = fixture();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString library = f.scratch.filePath(QStringLiteral("cli-%1.library").arg(++round));
        if (runCli({QStringLiteral("--library"), library, QStringLiteral("create")}) != 0)
            state.SkipWithError("the library could not be created");
        state.ResumeTiming();
        if (runCli({QStringLiteral("--library"), library, QStringLiteral("import"), f.exportFile}) != 0)
            state.SkipWithError("the import failed");
    }
    state.counters["recipes"] = kRecipes;
    state.counters["fileMiB"] = double(QFileInfo(f.exportFile).size()) / (1024 * 1024);
    state.counters["cli_peak_MiB"] = childrenPeakMiB();
}
BENCHMARK(BM_MasterCookImportCommandLine)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MasterCookReadGenerated(benchmark::State& state) {
    QFile file(fixture().exportFile);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    qsizetype recipes = 0;
    for (auto _ : state)
        recipes = MasterCookReader::read(bytes).recipes.size();
    state.counters["recipes"] = double(recipes);
}
BENCHMARK(BM_MasterCookReadGenerated)->Unit(benchmark::kMillisecond);

QStringList realExports() {
    QStringList files;
    QDirIterator it(QStringLiteral(LARKSPOON_REALDATA_DIR "/mx2"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    files.sort();
    return files;
}

// Every real export imported into one new library, one importer per file, each saving.
void BM_MasterCookImportAllRealFiles(benchmark::State& state) {
    const QStringList files = realExports();
    if (files.isEmpty()) {
        state.SkipWithError("no real MasterCook files");
        return;
    }
    qsizetype imported = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir scratch;
        bench::OpenLibrary library(scratch.filePath(QStringLiteral("Real.library")), true);
        state.ResumeTiming();
        imported = 0;
        for (const QString& path : files) {
            MasterCookImporter importer(library.session());
            importer.importDataFile(path);
            imported += importer.importedRecipesArray().size();
        }
    }
    state.counters["files"] = double(files.size());
    state.counters["recipes"] = double(imported);
    state.counters["peak_MiB"] = bench::peakMemoryMiB();
}
BENCHMARK(BM_MasterCookImportAllRealFiles)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
