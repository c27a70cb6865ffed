#include "DBusScreenKeeper.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <atomic>

namespace {

// A desktop that does not answer within this time is taken as absent.
constexpr int kCallTimeoutMs = 2000;

QString privateConnectionName() {
    static std::atomic<int> next{0};
    return QStringLiteral("larkspoon-screen-keeper-%1").arg(++next);
}

} // namespace

DBusScreenKeeper::DBusScreenKeeper(const QString& busAddress, QObject* parent)
    : QObject(parent),
      m_bus(busAddress.isEmpty() ? QDBusConnection::sessionBus()
                                 : QDBusConnection::connectToBus(busAddress, privateConnectionName())) {
    if (!busAddress.isEmpty())
        m_connectionName = m_bus.name();
}

DBusScreenKeeper::~DBusScreenKeeper() {
    m_wanted = false;
    // An inhibit still on its way would leave the screen awake after we are gone: its
    // answer is awaited (bounded by the call's timeout) and its cookie handed back.
    if (m_pending) {
        m_pending->waitForFinished();
        QDBusPendingReply<uint> reply = *m_pending;
        if (!reply.isError()) {
            m_cookie = reply.value();
            m_cookieService = m_askedService;
        }
        delete m_pending.data();
    }
    giveBack();
}

void DBusScreenKeeper::inhibit(const QString& reason) {
    if (m_wanted)
        return;
    m_wanted = true;
    m_reason = reason;
    if (m_cookie || m_pending) // still held, or an answer is on its way
        return;
    if (!m_bus.isConnected()) {
        warnOnce(QStringLiteral("no session bus (%1)").arg(m_bus.lastError().message()));
        return;
    }
    ask(Service::ScreenSaver);
}

void DBusScreenKeeper::release() {
    if (!m_wanted)
        return;
    m_wanted = false;
    // A pending inhibit is handed back when its answer arrives.
    if (!m_pending)
        giveBack();
}

QDBusMessage DBusScreenKeeper::methodCall(Service service, const QString& method) {
    return service == Service::ScreenSaver
               ? QDBusMessage::createMethodCall(ScreenSaverService, ScreenSaverPath, ScreenSaverService,
                                                method)
               : QDBusMessage::createMethodCall(PowerManagementService, PowerManagementPath,
                                                PowerManagementInterface, method);
}

void DBusScreenKeeper::ask(Service service) {
    m_askedService = service;
    QDBusMessage call = methodCall(service, QStringLiteral("Inhibit"));
    call << QCoreApplication::applicationName() << m_reason;
    m_pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(m_pending, &QDBusPendingCallWatcher::finished, this, &DBusScreenKeeper::answered);
}

void DBusScreenKeeper::answered(QDBusPendingCallWatcher* watcher) {
    watcher->deleteLater();
    if (watcher != m_pending)
        return;
    m_pending = nullptr;
    QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        if (m_askedService == Service::ScreenSaver && m_wanted) {
            ask(Service::PowerManagement);
            return;
        }
        if (m_wanted)
            warnOnce(reply.error().message());
        emit inhibitAnswered(false);
        return;
    }
    m_cookie = reply.value();
    m_cookieService = m_askedService;
    emit inhibitAnswered(true);
    if (!m_wanted) // released while the answer was on its way
        giveBack();
}

void DBusScreenKeeper::giveBack() {
    if (!m_cookie)
        return;
    const uint cookie = *m_cookie;
    m_cookie.reset();
    QDBusMessage call = methodCall(m_cookieService, QStringLiteral("UnInhibit"));
    call << cookie;
    // Nothing waits for the answer: the desktop forgets the cookie either way.
    m_bus.send(call);
    emit released();
}

void DBusScreenKeeper::warnOnce(const QString& why) {
    if (m_warned)
        return;
    m_warned = true;
    qWarning("the screen may go to sleep during full screen: %s", qPrintable(why));
}
