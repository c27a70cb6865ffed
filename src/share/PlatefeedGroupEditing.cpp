// What the group editor asks of platefeeds: the published address, a new title, withdrawing,
// and a subscribed platefeed's published name.
#include "share/PlatefeedGroupEditing.h"

#include "library/GroupsManagedObject.h"
#include "share/PlatefeedKeys.h"
#include "share/PlatefeedManager.h"

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
