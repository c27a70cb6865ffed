#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

// The one place for delayed work (the one-shot delays of 0.01 s to 3 s) and for the
// current time. Normally delays are timers on the main event loop and "now" is the
// system clock; a test switches to manual time and advances it, so delayed work runs
// at once, in order, without waiting.
class Scheduler : public QObject {
    Q_OBJECT
public:
    static Scheduler& instance();

    // Runs action once after seconds on the main thread, unless cancelled or unless
    // receiver was destroyed first: every delayed action belongs to the object whose
    // death makes it pointless. Returns an id for cancel(); a null receiver is a
    // programming error and the action is dropped (id 0).
    int schedule(double seconds, std::function<void()> action, QObject* receiver);
    void cancel(int id);
    // Drops every pending action (a test's delayed work must not run in the next test).
    void cancelAll();
    bool isScheduled(int id) const { return m_pending.count(id) != 0; }

    QDateTime now() const;

    // Manual time for tests.
    void setManualTime(const QDateTime& start);
    void advance(double seconds); // runs everything that falls due, in time order
    void setAutomaticTime();
    bool isManual() const { return m_manual; }
    int pendingCount() const { return int(m_pending.size()); }

private:
    struct Pending {
        qint64 dueMs;
        std::function<void()> action;
        QPointer<QObject> receiver;
        QObject* timer;
    };
    Scheduler() = default;
    void fire(int id);

    std::map<int, Pending> m_pending;
    int m_nextId = 1;
    bool m_manual = false;
    QDateTime m_manualNow;
};
