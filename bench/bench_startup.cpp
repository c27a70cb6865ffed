// Start-up of the desktop application on a library of 20,000 recipes, end to end: the
// executable is launched offscreen with --quit-when-shown, which exits as soon as the
// main window shows the sorted recipe list. Figures: wall time from launch until the
// program reports the list shown, and until the process has exited. A second run reports
// the main process's resident memory (now and peak, MiB) once the list shows and after a
// few searches typed into the search field; the page's web engine runs in processes of
// its own, which are not counted.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

namespace {

constexpr int kRecipes = 20000;

// A home of its own whose preferences point at the library, as after an earlier run.
QProcessEnvironment environmentFor(const QTemporaryDir& home, const QString& library) {
    const QString config = home.path() + QStringLiteral("/.config");
    {
        QSettings settings(config + QStringLiteral("/Larkspoon!/Larkspoon!.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("libraryPath"), library);
        settings.setValue(QStringLiteral("hasLaunchedBefore"), true);
        settings.setValue(QStringLiteral("askedToImportVersionOneDatabase"), true);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

void BM_StartUpUntilRecipeListShown(benchmark::State& state) {
    const QString library = bench::scratchCopyOfLibrary(kRecipes);
    QTemporaryDir home;
    const QProcessEnvironment environment = environmentFor(home, library);
    double shownTotal = 0;
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(LARKSPOON_GUI_PATH), {QStringLiteral("--quit-when-shown")});
        double shownSeconds = -1;
        while (shownSeconds < 0 && process.state() != QProcess::NotRunning && timer.elapsed() < 60000) {
            process.waitForReadyRead(100);
            while (process.canReadLine())
                if (process.readLine().startsWith("shown-ms:"))
                    shownSeconds = double(timer.nsecsElapsed()) / 1e9;
        }
        process.waitForFinished(30000);
        const double exitedSeconds = double(timer.nsecsElapsed()) / 1e9;
        if (shownSeconds < 0 || process.exitCode() != 0) {
            state.SkipWithError("the application did not report its recipe list");
            break;
        }
        shownTotal += shownSeconds;
        state.SetIterationTime(shownSeconds);
        state.counters["exited_s"] = exitedSeconds;
    }
    if (state.iterations() > 0)
        state.counters["shown_s_mean"] = shownTotal / double(state.iterations());
}
BENCHMARK(BM_StartUpUntilRecipeListShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// "chicken" typed letter by letter twice, with the field cleared after each time.
void BM_MemoryAfterStartAndSearches(benchmark::State& state) {
    const QString library = bench::scratchCopyOfLibrary(kRecipes);
    QTemporaryDir home;
    const QProcessEnvironment environment = environmentFor(home, library);
    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(LARKSPOON_GUI_PATH),
                      {QStringLiteral("--quit-when-shown"), QStringLiteral("--type-when-shown"),
                       QStringLiteral("chicken")});
        process.waitForFinished(120000);
        int reports = 0;
        for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
            const qsizetype colon = line.indexOf(':');
            const QList<QByteArray> kib = line.mid(colon + 1).trimmed().split(' ');
            if (colon < 0 || kib.size() != 2)
                continue;
            const QByteArray when = line.startsWith("memory-shown-kib") ? "shown" : "searched";
            state.counters["rss_" + when.toStdString() + "_MiB"] = kib.at(0).toDouble() / 1024.0;
            state.counters["peak_" + when.toStdString() + "_MiB"] = kib.at(1).toDouble() / 1024.0;
            ++reports;
        }
        if (reports != 2 || process.exitCode() != 0) {
            state.SkipWithError("the application did not report its memory");
            break;
        }
    }
}
BENCHMARK(BM_MemoryAfterStartAndSearches)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
