#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTimer>

#include <memory>

TEST(Scheduler, ManualTimeRunsDueWorkInOrderIncludingWorkItSchedules) {
    Scheduler& scheduler = Scheduler::instance();
    const QDateTime start = QDateTime::fromString(QStringLiteral("2026-05-01T12:00:00"), Qt::ISODate);
    scheduler.setManualTime(start);
    QStringList ran;
    scheduler.schedule(1.0, [&] { ran << QStringLiteral("1.0"); });
    scheduler.schedule(0.2, [&] {
        ran << QStringLiteral("0.2");
        scheduler.schedule(0.5, [&] { ran << QStringLiteral("0.2+0.5"); });
    });
    const int cancelled = scheduler.schedule(0.1, [&] { ran << QStringLiteral("cancelled"); });
    scheduler.cancel(cancelled);
    auto receiver = std::make_unique<QObject>();
    scheduler.schedule(0.3, [&] { ran << QStringLiteral("receiver gone"); }, receiver.get());
    receiver.reset();

    scheduler.advance(0.6);
    EXPECT_EQ(ran, QStringList{QStringLiteral("0.2")});
    scheduler.advance(0.5);
    EXPECT_EQ(ran, (QStringList{QStringLiteral("0.2"), QStringLiteral("0.2+0.5"), QStringLiteral("1.0")}));
    EXPECT_EQ(scheduler.now(), start.addMSecs(1100));
    EXPECT_EQ(scheduler.pendingCount(), 0);
    scheduler.setAutomaticTime();
}

TEST(Scheduler, AutomaticTimeUsesTheEventLoop) {
    Scheduler& scheduler = Scheduler::instance();
    bool ran = false;
    scheduler.schedule(0.01, [&] { ran = true; });
    EXPECT_FALSE(ran);
    for (int i = 0; i < 200 && !ran; ++i) {
        QTimer pause;
        QSignalSpy spy(&pause, &QTimer::timeout);
        pause.start(10);
        spy.wait(1000);
    }
    EXPECT_TRUE(ran);
}
