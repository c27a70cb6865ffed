#pragma once

#include <QString>

#include <functional>

class GroupsManagedObject;

// What the group editor asks of the platefeed subsystem when it edits a published group or a
// subscribed platefeed. The platefeed subsystem implements it once a library is open; until
// then the editor has none and shows no platefeed fields. Answers come on the main thread.
class GroupEditorPlatefeeds {
public:
    virtual ~GroupEditorPlatefeeds() = default;

    // The address others subscribe to the published group at (empty when there is none).
    virtual QString publishedAddress(GroupsManagedObject* group) const = 0;
    // The published group's platefeedName changed: its index and page take the new title.
    virtual void justUpdateTitleForPublishedPlatefeed(GroupsManagedObject* group) = 0;
    // Marks the published group's platefeed withdrawn; done(ok) once the space has answered.
    virtual void stopPublishingPlatefeed(GroupsManagedObject* group, std::function<void(bool ok)> done) = 0;
    // The name the publisher gives a subscribed platefeed. found is false when it cannot be
    // read from the publisher nor from what the last check kept.
    using NameDone = std::function<void(bool found, const QString& name)>;
    virtual void publishedNameForSubscribedPlatefeed(GroupsManagedObject* group, NameDone done) = 0;
};
