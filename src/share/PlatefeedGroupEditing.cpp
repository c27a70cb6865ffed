// What the group editor asks of platefeeds: the published address, a new title, a subscribed
// platefeed's published name; and signing out of the publishing space.
#include "share/PlatefeedGroupEditing.h"

#include "library/GroupsManagedObject.h"
#include "platform/Keyring.h"
#include "platform/PropertyList.h"
#include "platform/WebDavClient.h"
#include "share/PlatefeedKeys.h"
#include "share/PlatefeedManager.h"

#include <QFile>

using namespace platefeedkeys;

QString PlatefeedGroupEditing::publishedAddress(GroupsManagedObject* group) const {
    const QString folder = group ? group->stringValue(kAddress) : QString();
    if (folder.isEmpty() || !group->boolValue(QStringLiteral("isPublishedPlatefeed")) ||
        m_manager.account().publicAddress.isEmpty())
        return {};
    return m_manager.publicFolderUrl(folder).toString();
}

void PlatefeedGroupEditing::justUpdateTitleForPublishedPlatefeed(GroupsManagedObject* group) {
    m_manager.justUpdateTitleForPublishedPlatefeed(group, [](bool ok) {
        if (!ok)
            qWarning("PlatefeedManager: the platefeed's new title could not be published");
    });
}

void PlatefeedGroupEditing::stopPublishingPlatefeed(GroupsManagedObject* group,
                                                    std::function<void(bool ok)> done) {
    m_manager.stopPublishingPlatefeed(group, std::move(done));
}

void PlatefeedGroupEditing::publishedNameForSubscribedPlatefeed(GroupsManagedObject* group, NameDone done) {
    m_manager.publishedNameForSubscribedPlatefeed(group, std::move(done));
}

void PlatefeedManager::publishedNameForSubscribedPlatefeed(
    GroupsManagedObject* group, std::function<void(bool found, const QString& name)> done) {
    // The name the last check kept with the publisher's index.
    const QString kept = [this, group] {
        const QString path = bookkeepingPath(group->stringValue(kKey), QString());
        if (path.isEmpty() || !QFile::exists(path))
            return QString();
        const PropertyListResult read = readPropertyListFile(path);
        return read.ok() ? read.value.toMap().value(kName).toString() : QString();
    }();
    QString address = group->stringValue(kAddress).trimmed();
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    const QUrl version(address + QStringLiteral("/version.plist"));
    if (!WebDavClient::isWebAddress(version)) {
        done(!kept.isEmpty(), kept);
        return;
    }
    fetchPropertyList(m_subscriber, version, versionMaxBytes,
                      [kept, done](bool ok, const QVariant& value, const QString& error) {
                          const QString name = ok ? value.toMap().value(kName).toString() : QString();
                          if (!ok)
                              qWarning("PlatefeedManager: %s", qPrintable(error));
                          if (!name.isEmpty())
                              done(true, name);
                          else
                              done(!kept.isEmpty(), kept);
                      });
}

void PlatefeedManager::signOutMobileMe(Keyring& keyring, std::function<void(bool ok)> done) {
    // Disconnecting redraws the sidebar (its published marks go); otherwise it is redrawn here.
    const bool redrawn = m_connected;
    unmountMobileMe();
    PlatefeedAccount account = m_account;
    account.password.clear();
    setAccount(account);
    QPointer<PlatefeedManager> self(this);
    forgetCredentials(keyring, [self, done, redrawn](bool ok) {
        if (!ok)
            qWarning("PlatefeedManager: the credentials could not be removed from the password store");
        if (self && !redrawn)
            emit self->sidebarChanged();
        if (done)
            done(ok);
    });
}
