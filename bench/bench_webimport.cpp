// Web import: reading a recipe out of a downloaded page. The figures are for the largest real
// page kept outside the project (about 700 KB, read by the schema.org reader), for a site
// extractor on its saved page grown to the same size, and for `larkspoon-cli web-extract`
// over every real page (whole runs of the program, start-up included). Goal: each
// extraction within 30 ms.
#include "BenchSupport.h"

#include "import/WebRecipeExtraction.h"

#include <benchmark/benchmark.h>

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace {

QStringList realPages() {
    QStringList pages;
    QDirIterator it(QStringLiteral(LARKSPOON_REALDATA_DIR "/jsonld"), {QStringLiteral("*.html")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        pages.append(it.next());
    return pages;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void BM_SchemaOrgLargestRealPage(benchmark::State& state) {
    QString largest;
    for (const QString& page : realPages())
        if (largest.isEmpty() || QFileInfo(page).size() > QFileInfo(largest).size())
            largest = page;
    if (largest.isEmpty()) {
        state.SkipWithError("no real pages");
        return;
    }
    const QByteArray page = readFile(largest);
    const QUrl url(QStringLiteral("https://pages.example/recipe"));
    for (auto _ : state) {
        auto found = webimport::extractRecipe(page, url);
        if (state.range(0) && found)
            benchmark::DoNotOptimize(webimport::recordValues(*found, nullptr, QString()));
        benchmark::DoNotOptimize(found);
    }
    state.counters["pageKB"] = double(page.size()) / 1024;
}
// Arg 0: the extraction alone; 1: with the ingredient parser and the directions conversion.
BENCHMARK(BM_SchemaOrgLargestRealPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SiteExtractorFixture(benchmark::State& state) {
    QByteArray page = readFile(QStringLiteral(LARKSPOON_TEST_DATA_DIR "/import/BBCGoodFoodImporter.html"));
    // A real site page carries its recipe among navigation, scripts and adverts.
    QByteArray filler;
    for (int row = 0; filler.size() < state.range(0); ++row)
        filler += "<div class=\"nav\"><a href=\"/r/" + QByteArray::number(row) +
                  "\">Another recipe</a><script>var x = '<p>';</script></div>\n";
    page.replace(QByteArray("<div id=\"ingredients\">"), QByteArray(filler + "<div id=\"ingredients\">"));
    const QUrl url(QStringLiteral("http://www.bbcgoodfood.com/recipes/1"));
    for (auto _ : state)
        benchmark::DoNotOptimize(webimport::extractRecipe(page, url));
    state.counters["pageKB"] = double(page.size()) / 1024;
}
BENCHMARK(BM_SiteExtractorFixture)->Arg(0)->Arg(700'000)->Unit(benchmark::kMillisecond);

void BM_WebExtractCommandAllRealPages(benchmark::State& state) {
    const QStringList pages = realPages();
    if (pages.isEmpty()) {
        state.SkipWithError("no real pages");
        return;
    }
    int failures = 0;
    for (auto _ : state) {
        for (const QString& page : pages) {
            QProcess cli;
            cli.start(QStringLiteral(LARKSPOON_CLI_PATH),
                      {QStringLiteral("--library"), QStringLiteral("/nonexistent/Bench.library"),
                       QStringLiteral("web-extract"), page, QStringLiteral("--url"),
                       QStringLiteral("https://pages.example/recipe")});
            cli.waitForFinished(60000);
            failures += cli.exitCode() != 0;
        }
    }
    state.counters["pages"] = double(pages.size());
    state.counters["failures"] = failures;
}
BENCHMARK(BM_WebExtractCommandAllRealPages)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
