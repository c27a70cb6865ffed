#pragma once

#include "platform/ScreenKeeper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QPointer>

#include <optional>

// The screen kept awake through the session bus: org.freedesktop.ScreenSaver's Inhibit
// and UnInhibit, and org.freedesktop.PowerManagement.Inhibit where the screensaver service
// is missing. Calls are asynchronous, so the full-screen view never waits for the bus; a
// release that arrives before the desktop has answered hands the cookie back as soon as it
// comes. Without a session bus, or with neither service on it, the screen may sleep: that
// is logged once per keeper and is not an error.
class DBusScreenKeeper : public QObject, public ScreenKeeper {
    Q_OBJECT
public:
    // The bus at busAddress, or the session bus (DBUS_SESSION_BUS_ADDRESS) when it is empty.
    explicit DBusScreenKeeper(const QString& busAddress = QString(), QObject* parent = nullptr);
    ~DBusScreenKeeper() override;

    void inhibit(const QString& reason) override;
    void release() override;
    bool isInhibiting() const override { return m_wanted; }

    // The cookie the desktop handed out and that is still held.
    std::optional<uint> cookie() const { return m_cookie; }
    // Whether a call to the bus is waiting for its answer.
    bool isWaiting() const { return m_pending != nullptr; }

    static inline const QString ScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
    static inline const QString ScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
    static inline const QString PowerManagementService = QStringLiteral("org.freedesktop.PowerManagement");
    static inline const QString PowerManagementPath =
        QStringLiteral("/org/freedesktop/PowerManagement/Inhibit");
    static inline const QString PowerManagementInterface =
        QStringLiteral("org.freedesktop.PowerManagement.Inhibit");

signals:
    // The desktop answered an inhibit (held: a cookie is kept) or took a cookie back.
    void inhibitAnswered(bool held);
    void released();

private:
    enum class Service { ScreenSaver, PowerManagement };
    static QDBusMessage methodCall(Service service, const QString& method);
    void ask(Service service);
    void answered(QDBusPendingCallWatcher* watcher);
    void giveBack();
    void warnOnce(const QString& why);

    QDBusConnection m_bus;
    QString m_connectionName; // a private connection to disconnect, or empty
    QString m_reason;
    bool m_wanted = false;
    bool m_warned = false;
    std::optional<uint> m_cookie;
    Service m_cookieService = Service::ScreenSaver;
    Service m_askedService = Service::ScreenSaver;
    QPointer<QDBusPendingCallWatcher> m_pending;
};
