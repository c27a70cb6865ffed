#pragma once

#include "platform/ObjectContext.h"
#include "platform/Predicate.h"

#include <QHash>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class KeyValueSource;
class ManagedObject;

// Counts, per group, the recipes marked as new, on a worker thread while the user goes on
// working. At most one count runs at a time; requests made during a run collapse into one
// more run. A repeating 0.5 s check on the main thread notices the end of a run; it is
// scheduled again on every tick through the Scheduler, so manual time drives it.
//
// The worker never sees the object context. When a run starts, the main thread takes a
// snapshot: every group with its filter (filters are immutable and safe to evaluate on
// any thread) and a copy of the values of the recipes marked as new, unsaved edits
// included. The worker evaluates the filters against that copy.
//
// Counts are kept here, by group, and not written into the groups' counterValue: that
// value means nothing on disk, and writing it would mark the library as changed (and
// announce a change of records) after every count. The sidebar model reads counterValue().
class GroupsCounterUpdater : public QObject {
    Q_OBJECT
public:
    explicit GroupsCounterUpdater(ObjectContext* context, QObject* parent = nullptr);
    // Waits for a running count to end.
    ~GroupsCounterUpdater() override;

    // Starts a count, or, while one runs, asks for one more when it has ended.
    void queUpdateCounterValues();
    // Starts a count now and the check timer when it is not running.
    void updateCounterValues();
    // The timer's work: when the count has ended, keeps its results, then starts the
    // requested repeat or stops the timer.
    void checkThread();
    // Blocks until the worker of the running count has ended (its results are kept by
    // the next check). For tests and command-line tools.
    void waitForWorker();

    bool isCounting() const;
    bool needToUpdateAgain() const { return m_needToUpdateAgain; }
    bool isCheckTimerActive() const { return m_checkTimerActive; }
    static constexpr double kCheckIntervalSeconds = 0.5;
    int runsStarted() const { return m_runsStarted; }

    // The last count of the group; 0 before the first one ended.
    int counterValue(const ManagedObject* group) const { return m_counts.value(group, 0); }

    // What one run works on, taken on the main thread.
    struct Snapshot {
        bool countMarkedAsNew = false;            // the showMarkedAsNewCounter preference
        std::vector<const ManagedObject*> groups; // handed back with the counts, never read by the worker
        std::vector<PredicatePtr> filters;        // one per group; null counts 0
        std::vector<std::shared_ptr<const KeyValueSource>> recipes; // the recipes marked as new
    };
    static Snapshot takeSnapshot(ObjectContext* context);
    // The worker's part: the count of each group of the snapshot, in its order. With the
    // preference off every count is 0 and nothing is evaluated.
    static std::vector<int> threadedUpdate(const Snapshot& snapshot);

    // Tests: runs on the worker thread at the start of each count (e.g. to hold it).
    void setWorkerStartHookForTesting(std::function<void()> hook) { m_workerStartHook = std::move(hook); }

signals:
    // New counts were kept: the sidebar redraws its badges.
    void countersUpdated();

private:
    struct Run;
    void finishRun();
    void startCheckTimer();
    void stopCheckTimer();
    void scheduleCheck();

    QPointer<ObjectContext> m_context;
    std::shared_ptr<Run> m_run;
    std::thread m_worker;
    bool m_checkTimerActive = false;
    int m_checkTick = 0; // the Scheduler id of the next check; 0 when none is pending
    bool m_needToUpdateAgain = false;
    int m_runsStarted = 0;
    QHash<const ManagedObject*, int> m_counts;
    std::function<void()> m_workerStartHook;
};
