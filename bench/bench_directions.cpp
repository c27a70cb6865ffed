// Directions pasted into the recipe editor go through the stored fragment form: foreign HTML
// sanitized, read as styled text and written back. The figure is for a 5 MB web page of
// paragraphs, tables, scripts, style elements, pictures and font tags, and for a typical
// page of directions (about 3 KB). Goal: a typical paste well under 50 ms; the 5 MB page
// finishes in a few seconds.
#include "BenchSupport.h"

#include "present/HTMLTextWrapper.h"

#include <benchmark/benchmark.h>

namespace {

QString webPage(qsizetype size) {
    QString page = QStringLiteral("<html><head><style>p{margin:0}</style></head><body>");
    for (int row = 0; page.size() < size; ++row)
        page +=
            QStringLiteral("<script>var a%1 = '<b>';</script><table><tr><td>Step %1 <font face=\"Arial\" "
                           "size=\"2\">stir</font></td></tr></table><img src=\"https://cdn.example/%1.jpg\">"
                           "<p>Whisk the <b>eggs</b> with the <i>sugar</i> until pale [%2].</p>\n\n")
                .arg(row)
                .arg(row % 12 + 1);
    return page + QStringLiteral("</body></html>");
}

void BM_NormalizePastedPage(benchmark::State& state) {
    const QString page = webPage(state.range(0));
    qsizetype written = 0;
    for (auto _ : state) {
        written = HTMLTextWrapper::normalizedHTMLString(page).size();
        benchmark::DoNotOptimize(written);
    }
    state.counters["inputKB"] = double(page.size()) / 1024;
    state.counters["fragmentKB"] = double(written) / 1024;
}
BENCHMARK(BM_NormalizePastedPage)->Arg(3'000)->Arg(5'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
