#include "platform/Keyring.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <qt6keychain/keychain.h>

bool SecretServiceKeyring::isAvailable() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // The service may also be started on demand by the bus.
    const QString name = QStringLiteral("org.freedesktop.secrets");
    if (bus.interface()->isServiceRegistered(name).value())
        return true;
    const QStringList activatable = bus.interface()->activatableServiceNames().value();
    return activatable.contains(name);
}

void SecretServiceKeyring::readPassword(const QString& service, const QString& account, ReadDone done) {
    auto* job = new QKeychain::ReadPasswordJob(service);
    job->setKey(account);
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, job, [job, done = std::move(done)] {
        if (job->error() == QKeychain::NoError)
            done(true, job->textData(), QString());
        else if (job->error() == QKeychain::EntryNotFound)
            done(false, QString(), QString());
        else
            done(false, QString(), job->errorString());
    });
    job->start();
}

void SecretServiceKeyring::writePassword(const QString& service, const QString& account,
                                         const QString& secret, WriteDone done) {
    auto* job = new QKeychain::WritePasswordJob(service);
    job->setKey(account);
    job->setTextData(secret);
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, job, [job, done = std::move(done)] {
        done(job->error() == QKeychain::NoError,
             job->error() == QKeychain::NoError ? QString() : job->errorString());
    });
    job->start();
}

void SecretServiceKeyring::deletePassword(const QString& service, const QString& account, WriteDone done) {
    auto* job = new QKeychain::DeletePasswordJob(service);
    job->setKey(account);
    job->setAutoDelete(true);
    QObject::connect(job, &QKeychain::Job::finished, job, [job, done = std::move(done)] {
        const bool ok = job->error() == QKeychain::NoError || job->error() == QKeychain::EntryNotFound;
        done(ok, ok ? QString() : job->errorString());
    });
    job->start();
}
