#pragma once

#include "library/LibrarySession.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QString>
#include <QThreadPool>

#include <exception>
#include <functional>
#include <memory>

class DialogWithProgressbarController;
class ProgressView;

// An entry of an imported file that did not become a recipe: its position among the file's
// entries (from 0) and why.
struct SkippedEntry {
    int index = 0;
    QString reason;
};

// An import that can run in steps: each step makes at most a given number of recipes, and
// the import saves, selects and closes its dialog itself when its input ends or it is
// stopped. The exchange importer and the importers of other programs' files implement it,
// so the application drives them all the same way (RecipeImportOperation).
class BatchedImport {
public:
    virtual ~BatchedImport() = default;
    // Imports up to maximum recipes; waiting, it waits for input still being read. True while
    // entries remain; false once the import has ended (saved, dialog closing).
    virtual bool importNextBatch(int maximum, bool waiting) = 0;
    // Ends the import now with what was imported so far; during a batch, once it is done.
    virtual void requestStop() = 0;
    virtual bool isImporting() const = 0;
    // Entries of the file taken so far (recipes or not).
    virtual int entriesSeen() const = 0;
    // Why the file could not be imported at all; empty when it was read.
    virtual QString readErrorText() const = 0;
    // The import ended early for a reason of its own (an alert stopped it).
    virtual bool endedEarly() const { return false; }
    // The read of the file while it still runs on a worker, before the first entry can be
    // imported; a finished future when there is none. A waiting batch blocks until it ends.
    virtual QFuture<void> pendingRead() const { return {}; }
};

// A batched import of entries that are all read before the first one is imported: the read
// on a worker, and the batch, stop and cancel rules such importers share. The subclass starts
// the read (startReading), imports one entry at a time and ends the import (saves, reports)
// in finishImport.
//
// While the read runs, a waiting batch blocks until it ends (the command line, importDataFile);
// one not waiting returns at once with nothing done, so the event loop keeps turning. A stop
// meanwhile ends the import with nothing imported; the worker's outcome is then dropped.
class ReadEntriesImport : public BatchedImport {
public:
    bool importNextBatch(int maximum, bool waiting) override;
    void requestStop() override;
    int entriesSeen() const override { return m_next; }
    QFuture<void> pendingRead() const override { return m_reading; }

protected:
    // Runs read on a worker of the thread pool. read must hold everything it needs by value:
    // it touches no record and nothing of this importer, which may be gone before it ends.
    // take gets the outcome on this thread at the first batch after the read has ended and
    // answers whether entries are to be imported; false ends the import (the file could not
    // be read: take has reported it). take is dropped unrun when the import stops first.
    template <typename Outcome>
    void startReading(std::function<Outcome()> read, std::function<bool(Outcome)> take);
    // The file is still being read, or its outcome is not taken yet.
    bool isReading() const { return bool(m_take); }

    // Entries read from the file; 0 when no file is being imported.
    virtual qsizetype entriesToImport() const = 0;
    virtual void importEntry(int index) = 0;
    virtual void finishImport() = 0;
    // Sets whether the import ended before its last entry.
    virtual void setCancelled(bool cancelled) = 0;
    void restartEntries() {
        m_next = 0;
        m_stopRequested = false;
        dropRead();
    }

private:
    // Hands the read's outcome to the subclass (waiting for it); false when the import ended.
    bool takeRead();
    // Forgets the read: the worker finishes alone and its outcome goes with the future.
    void dropRead();

    int m_next = 0;
    bool m_inBatch = false;
    bool m_stopRequested = false;
    QFuture<void> m_reading;
    std::function<bool()> m_take;
};

template <typename Outcome>
void ReadEntriesImport::startReading(std::function<Outcome()> read, std::function<bool(Outcome)> take) {
    // The worker holds only the promise and read, never this importer: a destroyed importer
    // leaves a future that nobody reads.
    auto promise = std::make_shared<QPromise<Outcome>>();
    QFuture<Outcome> future = promise->future();
    promise->start();
    m_reading = QFuture<void>(future);
    m_take = [future, take = std::move(take)]() mutable { return take(future.takeResult()); };
    QThreadPool::globalInstance()->start([promise, read = std::move(read)] {
        // A fault of the reader reaches the thread that takes the outcome, as if it had read
        // there.
        try {
            promise->addResult(read());
        } catch (...) {
            promise->setException(std::current_exception());
        }
        promise->finish();
    });
}

// An import of the application, in batches from the event loop: one batch per turn, so the
// progress dialog paints and a document handed over meanwhile waits in the session
// (whenIdle) instead of starting inside this import. It registers itself with the session
// while it runs and deletes itself when done. Subclasses own the importer and hand it over
// with run().
class RecipeImportOperation : public QObject, public LibrarySession::Operation {
    Q_OBJECT
public:
    ~RecipeImportOperation() override;

    // Takes no further batch: ends with what was imported so far, saved.
    void stop() override;

signals:
    // A batch was imported (the count of entries taken so far).
    void progressed(int entriesSeen);
    // wholeFile: the whole file was imported (false when it could not be read, an alert
    // stopped it, or it was stopped).
    void finished(bool wholeFile);

protected:
    explicit RecipeImportOperation(LibrarySession& session);
    // Registers with the session and schedules the first batch when began (the importer
    // accepted the file), else ends at the next turn of the event loop. While it runs, the
    // dialog's Cancel stops it: the recipes of the batches imported so far are kept and saved.
    void run(DialogWithProgressbarController& dialog, BatchedImport& import, bool began);

    LibrarySession& m_session;

private:
    // Recipes per batch in the window. Each batch ends with one update of the recipe list,
    // the sidebar and the page (the record changes are announced once per turn of the event
    // loop), so batches are as large as keeps the window answering: the first takes
    // kWindowBatchSize, and each one done in less than half of kWindowBatchMilliseconds
    // doubles the next, up to kWindowBatchMaximum. A batch waits for the worker rather than
    // ending at the first entry not yet decoded.
    static constexpr int kWindowBatchSize = 100;
    static constexpr int kWindowBatchMaximum = 3200;
    static constexpr qint64 kWindowBatchMilliseconds = 150;
    int m_batchSize = kWindowBatchSize;

    void scheduleBatch(bool tookNothing);
    void runBatch();
    void end();

    BatchedImport* m_import = nullptr;
    // Runs the first batch when the importer's read on a worker has ended; meanwhile the
    // event loop turns freely.
    QFutureWatcher<void> m_readWatcher;
    bool m_stopped = false;
    bool m_inBatch = false;
    bool m_ended = false;
};
