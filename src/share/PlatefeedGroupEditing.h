#pragma once

#include "library/GroupEditorPlatefeeds.h"

class PlatefeedManager;

// The platefeed manager as the group editor sees it: the published address of a group, a
// published group's new title, and a subscribed platefeed's published name.
class PlatefeedGroupEditing final : public GroupEditorPlatefeeds {
public:
    explicit PlatefeedGroupEditing(PlatefeedManager& manager) : m_manager(manager) {}

    QString publishedAddress(GroupsManagedObject* group) const override;
    void justUpdateTitleForPublishedPlatefeed(GroupsManagedObject* group) override;
    void stopPublishingPlatefeed(GroupsManagedObject* group, std::function<void(bool ok)> done) override;
    void publishedNameForSubscribedPlatefeed(GroupsManagedObject* group, NameDone done) override;

private:
    PlatefeedManager& m_manager;
};
