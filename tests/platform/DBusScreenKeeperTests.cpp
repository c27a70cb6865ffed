// The screen kept awake over a real session bus started by the test (dbus-daemon), with the
// desktop's services played by small objects registered on that bus.
#include "platform/DBusScreenKeeper.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include <memory>

namespace {

// The calls a fake service received, as "Inhibit <application> <reason>" and "UnInhibit <cookie>".
class CallLog : public QObject {
    Q_OBJECT
public:
    QStringList calls;
    uint nextCookie = 41;
    void add(const QString& call) {
        calls.append(call);
        emit called();
    }
signals:
    void called();
};

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit FakeScreenSaver(CallLog* log) : m_log(log) {}
public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        m_log->add(QStringLiteral("Inhibit %1 %2").arg(application, reason));
        return ++m_log->nextCookie;
    }
    void UnInhibit(uint cookie) { m_log->add(QStringLiteral("UnInhibit %1").arg(cookie)); }

private:
    CallLog* m_log;
};

class FakePowerManagement : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    explicit FakePowerManagement(CallLog* log) : m_log(log) {}
public slots:
    uint Inhibit(const QString& application, const QString& reason) {
        m_log->add(QStringLiteral("Inhibit %1 %2").arg(application, reason));
        return ++m_log->nextCookie;
    }
    void UnInhibit(uint cookie) { m_log->add(QStringLiteral("UnInhibit %1").arg(cookie)); }

private:
    CallLog* m_log;
};

QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg)
        g_warnings.append(message);
}

class ScreenKeeperBusTest : public ::testing::Test {
protected:
    QProcess m_daemon;
    QString m_address;
    QString m_desktopName;
    CallLog m_log;
    std::unique_ptr<QObject> m_service;

    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--print-address"),
                                QStringLiteral("--nofork")});
        ASSERT_TRUE(m_daemon.waitForStarted());
        ASSERT_TRUE(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        ASSERT_FALSE(m_address.isEmpty());
        static int number = 0;
        m_desktopName = QStringLiteral("fake-desktop-%1").arg(++number);
    }
    void TearDown() override {
        if (!m_desktopName.isEmpty())
            QDBusConnection::disconnectFromBus(m_desktopName);
        m_service.reset();
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }
    // Puts one of the desktop's services on the test's bus.
    template <typename Service> void offer(const QString& name, const QString& path) {
        QDBusConnection desktop = QDBusConnection::connectToBus(m_address, m_desktopName);
        ASSERT_TRUE(desktop.isConnected());
        m_service = std::make_unique<Service>(&m_log);
        ASSERT_TRUE(desktop.registerObject(path, m_service.get(), QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(desktop.registerService(name));
    }
    bool waitForCalls(qsizetype count) {
        QSignalSpy spy(&m_log, &CallLog::called);
        while (m_log.calls.size() < count)
            if (!spy.wait(5000))
                return false;
        return true;
    }
};

// Either service is asked once for a cookie, however often inhibit() is called, and gets it
// back once on release().
TEST_F(ScreenKeeperBusTest, InhibitOnceAndGiveTheCookieBack) {
    const struct { bool screenSaver; } cases[] = {{true}, {false}};
    for (const auto& variant : cases) {
        SCOPED_TRACE(variant.screenSaver ? "screensaver" : "power management");
        m_log.calls.clear();
        if (variant.screenSaver)
            offer<FakeScreenSaver>(DBusScreenKeeper::ScreenSaverService, DBusScreenKeeper::ScreenSaverPath);
        else
            offer<FakePowerManagement>(DBusScreenKeeper::PowerManagementService,
                                       DBusScreenKeeper::PowerManagementPath);
        DBusScreenKeeper keeper(m_address);
        QSignalSpy answered(&keeper, &DBusScreenKeeper::inhibitAnswered);
        keeper.inhibit(QStringLiteral("reading"));
        keeper.inhibit(QStringLiteral("again"));
        ASSERT_TRUE(answered.wait(5000));
        EXPECT_TRUE(answered.first().first().toBool());
        ASSERT_TRUE(keeper.cookie().has_value());
        const uint cookie = *keeper.cookie();
        EXPECT_EQ(m_log.calls,
                  QStringList{QStringLiteral("Inhibit %1 reading").arg(QCoreApplication::applicationName())});

        keeper.release();
        keeper.release();
        EXPECT_FALSE(keeper.isInhibiting());
        ASSERT_TRUE(waitForCalls(2));
        EXPECT_EQ(m_log.calls.last(), QStringLiteral("UnInhibit %1").arg(cookie));
        EXPECT_FALSE(keeper.cookie().has_value());
        QDBusConnection::disconnectFromBus(m_desktopName);
    }
}

// A release while the desktop has not answered yet, and a keeper destroyed while inhibiting,
// still hand the cookie back: no cookie outlives the keeper's wish.
TEST_F(ScreenKeeperBusTest, CookieComesBackOnEveryWayOut) {
    offer<FakeScreenSaver>(DBusScreenKeeper::ScreenSaverService, DBusScreenKeeper::ScreenSaverPath);
    {
        DBusScreenKeeper keeper(m_address);
        keeper.inhibit(QStringLiteral("early"));
        ASSERT_TRUE(keeper.isWaiting());
        keeper.release();
        ASSERT_TRUE(waitForCalls(2));
        EXPECT_EQ(m_log.calls.last(), QStringLiteral("UnInhibit 42"));
    }
    {
        auto keeper = std::make_unique<DBusScreenKeeper>(m_address);
        QSignalSpy answered(keeper.get(), &DBusScreenKeeper::inhibitAnswered);
        keeper->inhibit(QStringLiteral("destroyed"));
        ASSERT_TRUE(answered.wait(5000));
        keeper.reset();
        ASSERT_TRUE(waitForCalls(4));
        EXPECT_EQ(m_log.calls.last(), QStringLiteral("UnInhibit 43"));
    }
}

// No bus, or a bus without either service: the view works on, and the log says so once.
TEST_F(ScreenKeeperBusTest, MissingBusOrServiceIsLoggedOnce) {
    const struct {
        const char* name;
        QString address;
    } cases[] = {{"no bus", QStringLiteral("unix:path=/nonexistent/larkspoon-bus")},
                 {"no service", m_address}};
    for (const auto& variant : cases) {
        SCOPED_TRACE(variant.name);
        g_warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
        {
            DBusScreenKeeper keeper(variant.address);
            QSignalSpy answered(&keeper, &DBusScreenKeeper::inhibitAnswered);
            for (int round = 0; round < 2; ++round) {
                keeper.inhibit(QStringLiteral("reading"));
                EXPECT_TRUE(keeper.isInhibiting());
                if (keeper.isWaiting()) {
                    EXPECT_TRUE(answered.wait(5000));
                }
                EXPECT_FALSE(keeper.cookie().has_value());
                keeper.release();
                EXPECT_FALSE(keeper.isInhibiting());
            }
        }
        qInstallMessageHandler(previous);
        ASSERT_EQ(g_warnings.size(), 1) << g_warnings.join(QLatin1Char('\n')).toStdString();
        EXPECT_TRUE(
            g_warnings.first().startsWith(QStringLiteral("the screen may go to sleep during full screen")));
    }
}

} // namespace

#include "DBusScreenKeeperTests.moc"
