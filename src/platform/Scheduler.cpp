#include "Scheduler.h"

#include <QCoreApplication>
#include <QTimer>

#include <cmath>

Scheduler& Scheduler::instance() {
    static Scheduler* scheduler = new Scheduler;
    return *scheduler;
}

QDateTime Scheduler::now() const {
    return m_manual ? m_manualNow : QDateTime::currentDateTime();
}

int Scheduler::schedule(double seconds, std::function<void()> action, QObject* receiver) {
    Q_ASSERT_X(receiver, "Scheduler::schedule", "delayed work needs a receiver");
    if (!receiver) {
        qWarning("delayed work without a receiver was dropped");
        return 0;
    }
    const int id = m_nextId++;
    const qint64 delayMs = qint64(std::llround(std::max(0.0, seconds) * 1000.0));
    Pending pending{now().toMSecsSinceEpoch() + delayMs, std::move(action), receiver, nullptr};
    if (!m_manual) {
        auto* timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] { fire(id); });
        timer->start(int(delayMs));
        pending.timer = timer;
    }
    m_pending.emplace(id, std::move(pending));
    return id;
}

void Scheduler::cancel(int id) {
    const auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    if (it->second.timer)
        it->second.timer->deleteLater();
    m_pending.erase(it);
}

void Scheduler::cancelAll() {
    while (!m_pending.empty())
        cancel(m_pending.begin()->first);
}

void Scheduler::fire(int id) {
    const auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    Pending pending = std::move(it->second);
    m_pending.erase(it);
    if (pending.timer)
        pending.timer->deleteLater();
    if (!pending.receiver)
        return;
    pending.action();
}

void Scheduler::setManualTime(const QDateTime& start) {
    for (auto& [id, pending] : m_pending) {
        if (pending.timer) {
            pending.timer->deleteLater();
            pending.timer = nullptr;
        }
    }
    m_manual = true;
    m_manualNow = start;
}

void Scheduler::setAutomaticTime() {
    m_manual = false;
    const qint64 nowMs = now().toMSecsSinceEpoch();
    for (auto& [id, pending] : m_pending) {
        if (!pending.timer) {
            auto* timer = new QTimer(this);
            timer->setSingleShot(true);
            const int key = id;
            connect(timer, &QTimer::timeout, this, [this, key] { fire(key); });
            timer->start(int(std::max<qint64>(0, pending.dueMs - nowMs)));
            pending.timer = timer;
        }
    }
}

void Scheduler::advance(double seconds) {
    if (!m_manual)
        return;
    const qint64 endMs = m_manualNow.toMSecsSinceEpoch() + qint64(std::llround(seconds * 1000.0));
    // Work scheduled by work that runs here is run too when it falls due in the window.
    for (;;) {
        auto next = m_pending.end();
        for (auto it = m_pending.begin(); it != m_pending.end(); ++it)
            if (it->second.dueMs <= endMs &&
                (next == m_pending.end() || it->second.dueMs < next->second.dueMs))
                next = it;
        if (next == m_pending.end())
            break;
        m_manualNow =
            QDateTime::fromMSecsSinceEpoch(std::max(next->second.dueMs, m_manualNow.toMSecsSinceEpoch()));
        fire(next->first);
    }
    m_manualNow = QDateTime::fromMSecsSinceEpoch(endMs);
}
