#include "platform/Scheduler.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <memory>

TEST(Scheduler, ManualTimeRunsDueWorkInOrderIncludingWorkItSchedules) {
    Scheduler& scheduler = Scheduler::instance();
    const QDateTime start = QDateTime::fromString(QStringLiteral("2026-05-01T12:00:00"), Qt::ISODate);
    scheduler.setManualTime(start);
    QStringList ran;
    QObject owner;
    scheduler.schedule(
        1.0, [&] { ran << QStringLiteral("1.0"); }, &owner);
    scheduler.schedule(
        0.2,
        [&] {
            ran << QStringLiteral("0.2");
            scheduler.schedule(
                0.5, [&] { ran << QStringLiteral("0.2+0.5"); }, &owner);
        },
        &owner);
    const int cancelled = scheduler.schedule(
        0.1, [&] { ran << QStringLiteral("cancelled"); }, &owner);
    scheduler.cancel(cancelled);
    auto receiver = std::make_unique<QObject>();
    scheduler.schedule(
        0.3, [&] { ran << QStringLiteral("receiver gone"); }, receiver.get());
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
    QObject owner;
    auto gone = std::make_unique<QObject>();
    QEventLoop loop;
    QStringList ran;
    scheduler.schedule(
        0.01, [&] { ran << QStringLiteral("receiver gone"); }, gone.get());
    scheduler.schedule(
        0.02,
        [&] {
            ran << QStringLiteral("owned");
            loop.quit();
        },
        &owner);
    gone.reset();
    EXPECT_TRUE(ran.isEmpty());                          // nothing runs before the event loop does
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // a broken scheduler fails instead of hanging
    loop.exec();
    EXPECT_EQ(ran, QStringList{QStringLiteral("owned")});
    EXPECT_EQ(scheduler.pendingCount(), 0);
}
