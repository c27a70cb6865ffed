#include "RecipeImportOperation.h"

#include "DialogWithProgressbarController.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

#include <algorithm>

RecipeImportOperation::RecipeImportOperation(LibrarySession& session)
    : QObject(&session), m_session(session) {
    connect(&m_readWatcher, &QFutureWatcherBase::finished, this, &RecipeImportOperation::runBatch);
}

RecipeImportOperation::~RecipeImportOperation() {
    if (!m_ended)
        m_session.endOperation(this);
}

void RecipeImportOperation::run(DialogWithProgressbarController& dialog, BatchedImport& import, bool began) {
    m_import = &import;
    m_session.beginOperation(this);
    if (began) {
        dialog.setCancelHandler([guard = QPointer<RecipeImportOperation>(this)] {
            if (guard)
                guard->stop();
        });
        scheduleBatch(false);
    } else
        QTimer::singleShot(0, this, [this] { end(); });
}

// The next batch runs at the next turn of the event loop; a batch that found nothing
// decoded yet waits a moment for the worker instead of spinning.
void RecipeImportOperation::scheduleBatch(bool tookNothing) {
    QTimer::singleShot(tookNothing ? 5 : 0, this, [this] { runBatch(); });
}

void RecipeImportOperation::runBatch() {
    if (m_stopped || m_inBatch)
        return;
    // While the importer still reads its file on a worker, the window stays free: the batch
    // runs once the read has ended (the watcher reports an end that came meanwhile too).
    const QFuture<void> read = m_import->pendingRead();
    if (!read.isFinished()) {
        m_readWatcher.setFuture(read);
        return;
    }
    m_inBatch = true;
    const int seen = m_import->entriesSeen();
    QElapsedTimer timer;
    timer.start();
    const bool more = m_import->importNextBatch(m_batchSize, true);
    // A batch done well within the time the window may stay busy lets the next one be
    // twice as large: fewer updates of the list for a large file.
    if (timer.elapsed() < kWindowBatchMilliseconds / 2)
        m_batchSize = std::min(m_batchSize * 2, kWindowBatchMaximum);
    m_inBatch = false;
    if (m_import->entriesSeen() != seen)
        emit progressed(m_import->entriesSeen());
    if (more && !m_stopped)
        scheduleBatch(m_import->entriesSeen() == seen);
    else if (!m_import->isImporting())
        end();
}

void RecipeImportOperation::stop() {
    if (m_stopped || m_ended)
        return;
    m_stopped = true;
    m_import->requestStop();
    // Stopped from inside a batch (an alert it showed), the batch ends it when it returns.
    if (!m_inBatch && !m_import->isImporting())
        end();
}

void RecipeImportOperation::end() {
    if (m_ended)
        return;
    m_ended = true;
    const QString readError = m_import->readErrorText();
    if (!readError.isEmpty())
        qWarning("the recipe file could not be imported: %s", qPrintable(readError));
    const bool wholeFile = !m_stopped && readError.isEmpty() && !m_import->endedEarly();
    m_session.endOperation(this);
    emit finished(wholeFile);
    deleteLater();
}

bool ReadEntriesImport::importNextBatch(int maximum, bool waiting) {
    if (!isImporting() || m_inBatch)
        return isImporting();
    if (isReading()) {
        if (!waiting && !m_reading.isFinished())
            return true;
        m_inBatch = true;
        const bool entries = takeRead();
        m_inBatch = false;
        if (!entries) {
            m_stopRequested = false;
            return false;
        }
    }
    m_inBatch = true;
    const qsizetype total = entriesToImport();
    for (int taken = 0; taken < maximum && m_next < total && !m_stopRequested; ++taken)
        importEntry(m_next++);
    m_inBatch = false;
    if (m_stopRequested) {
        m_stopRequested = false;
        setCancelled(m_next < total);
        finishImport();
        return false;
    }
    if (m_next < total)
        return true;
    finishImport();
    return false;
}

void ReadEntriesImport::requestStop() {
    if (!isImporting())
        return;
    if (m_inBatch) {
        m_stopRequested = true;
        return;
    }
    if (isReading()) {
        // Stopped before a single entry could be imported.
        dropRead();
        setCancelled(true);
        finishImport();
        return;
    }
    setCancelled(m_next < entriesToImport());
    finishImport();
}

bool ReadEntriesImport::takeRead() {
    std::function<bool()> take = std::move(m_take);
    dropRead();
    return take();
}

void ReadEntriesImport::dropRead() {
    m_take = nullptr;
    m_reading = QFuture<void>();
}
