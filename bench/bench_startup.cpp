// Start-up of the desktop application on a library of 20,000 recipes, end to end: the
// executable is launched offscreen with --quit-when-shown, which exits as soon as the
// main window shows the sorted recipe list. Figures: wall time from launch until the
// program reports the list shown, and until the process has exited.
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

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
