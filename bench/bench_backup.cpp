// The daily backup of a library of 20,000 recipes: how long the copy takes, and the longest
// the main thread waits during it (a timer ticking every 2 ms on the main thread measures the
// gaps between its ticks while the copy runs on its worker).
#include "BenchSupport.h"

#include "library/LibraryBackups.h"
#include "platform/StoreBackup.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kRecipes = 20000;

void BM_DailyBackupWhileOpen(benchmark::State& state) {
    const QString library = bench::scratchCopyOfLibrary(kRecipes);
    bench::OpenLibrary open(library, false);
    LibraryBackups backups(library);
    double longestCopyMs = 0;
    double longestStallMs = 0;
    for (auto _ : state) {
        QDir(backups.folder()).removeRecursively();
        QEventLoop loop;
        QElapsedTimer sinceTick;
        double stall = 0;
        QTimer ticker;
        ticker.setInterval(2);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            stall = std::max(stall, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        bool ok = false;
        QObject::connect(&backups, &LibraryBackups::backupFinished, &loop, [&](bool finished) {
            ok = finished;
            loop.quit();
        });
        QElapsedTimer copy;
        copy.start();
        sinceTick.start();
        ticker.start();
        backups.didSave(); // what the day's first save does
        stall = std::max(stall, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
        if (backups.isCopying())
            loop.exec();
        ticker.stop();
        const double copyMs = copy.nsecsElapsed() / 1e6;
        if (!ok)
            state.SkipWithError("the backup failed");
        longestCopyMs = std::max(longestCopyMs, copyMs);
        longestStallMs = std::max(longestStallMs, stall);
    }
    state.counters["backup_ms"] = longestCopyMs;
    state.counters["main_thread_stall_ms"] = longestStallMs;
    const QList<LibraryBackups::Entry> made = backups.backups();
    state.counters["recipes_in_copy"] = made.isEmpty() ? 0 : double(made.first().recipes);
}
BENCHMARK(BM_DailyBackupWhileOpen)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same copy made on the calling thread (the command-line tool's "backup").
void BM_BackupNow(benchmark::State& state) {
    const QString library = bench::libraryWithRecipes(kRecipes);
    const QString target = QDir::temp().filePath(QStringLiteral("bench-backup-copy.sqlite"));
    for (auto _ : state) {
        QString error;
        if (!copyStoreFile(library + QStringLiteral("/Library Database.SQL"), target, &error))
            state.SkipWithError("the copy failed");
    }
    QFile::remove(target);
}
BENCHMARK(BM_BackupNow)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
