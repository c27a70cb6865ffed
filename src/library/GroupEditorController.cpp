#include "GroupEditorController.h"

#include "GroupEditorPlatefeeds.h"
#include "GroupTree.h"
#include "GroupsManagedObject.h"
#include "PreferencesController.h"
#include "RecipesArrayController.h"
#include "RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"
#include "platform/Scheduler.h"
#include "platform/UndoManager.h"
#include "platform/UserDefaults.h"
#include "platform/WebDavClient.h"

#include <QCoreApplication>
#include <QDebug>

namespace {

const QString kName = QStringLiteral("name");
const QString kParent = QStringLiteral("parent");
const QString kChildren = QStringLiteral("children");
const QString kIsGroceryList = QStringLiteral("isGroceryList");
const QString kIsGroceryListHeader = QStringLiteral("isGroceryListHeader");
const QString kIsPublished = QStringLiteral("isPublishedPlatefeed");
const QString kIsSubscribed = QStringLiteral("isSubscribedPlatefeed");
const QString kPlatefeedName = QStringLiteral("platefeedName");
const QString kPlatefeedAddress = QStringLiteral("platefeedAddress");

} // namespace

GroupEditorController::GroupEditorController(ObjectContext* context, RecipesArrayController* recipes,
                                             Alerts* alerts, PreferencesController* preferences,
                                             QObject* parent)
    : QObject(parent), m_context(context), m_recipes(recipes), m_alerts(alerts) {
    if (preferences)
        connect(preferences, &PreferencesController::groceryListCollectionRefreshRequested, this,
                &GroupEditorController::collectOrSeperateGroceryListGroups);
}

QString GroupEditorController::pageTitle(Page page) {
    switch (page) {
    case Page::Group:
        return tr("Group");
    case Page::SmartGroup:
        return tr("Smart Group");
    case Page::GroceryList:
        return tr("Grocery List");
    case Page::Platefeed:
        return tr("Platefeed");
    case Page::MyLibrary:
        return tr("My Library");
    case Page::None:
        break;
    }
    return {};
}

QString GroupEditorController::emptyNameNote() {
    return tr("please enter a name for your new group");
}

bool GroupEditorController::validateEntryString(const QString& text, QString* refusal) {
    if (text.isEmpty() || text == QLatin1String(" ") || text == QLatin1String("  ")) {
        if (refusal)
            *refusal = emptyNameNote();
        emit nameRefused(emptyNameNote());
        return false;
    }
    if (text.contains(QLatin1Char(','))) {
        const QString message = tr("Commas are not allowed in Group names at this time.");
        if (refusal)
            *refusal = message;
        if (m_alerts)
            m_alerts->ask(message, QString(), {tr("OK")});
        return false;
    }
    return true;
}

GroupsManagedObject* GroupEditorController::insertGroup(const QString& name) {
    auto* group = dynamic_cast<GroupsManagedObject*>(m_context->insertNewObject(QStringLiteral("Groups")));
    if (!group) {
        qWarning() << "error could not insert a group";
        return nullptr;
    }
    group->setValueForKey(name, kName);
    return group;
}

GroupsManagedObject* GroupEditorController::createNewGroup(const QString& name) {
    return insertGroup(name);
}

GroupsManagedObject* GroupEditorController::createNewSmartGroup(const QString& name,
                                                                const QString& ruleText) {
    GroupsManagedObject* group = insertGroup(name);
    if (group) {
        group->setValueForKey(ruleText, QStringLiteral("predicates"));
        group->setValueForKey(true, QStringLiteral("isSmartGroup"));
    }
    return group;
}

GroupsManagedObject* GroupEditorController::createNewGroceryList(const QString& name) {
    GroupsManagedObject* group = insertGroup(name);
    if (group) {
        group->setValueForKey(true, kIsGroceryList);
        collectOrSeperateGroceryListGroups();
    }
    return group;
}

GroupsManagedObject* GroupEditorController::okButtonForNewAction(Page page, const QString& name,
                                                                 const QString& ruleText) {
    if (page != Page::Group && page != Page::SmartGroup && page != Page::GroceryList) {
        qWarning() << "the group editor cannot create from page" << pageTitle(page);
        return nullptr;
    }
    if (!validateEntryString(name))
        return nullptr;
    GroupsManagedObject* group = nullptr;
    m_context->undoManager()->runAsOneStep(pageUndoName(page, true), [&] {
        group = page == Page::Group        ? createNewGroup(name)
                : page == Page::SmartGroup ? createNewSmartGroup(name, ruleText)
                                           : createNewGroceryList(name);
    });
    closeWindow();
    return group;
}

GroupEditorController::Page GroupEditorController::editGroup(GroupsManagedObject* group) {
    m_editedGroup = group;
    m_editedPage = Page::None;
    if (!group || group->isDeleted())
        m_editedPage = Page::None;
    else if (!group->canBeDeleted())
        m_editedPage = group->boolValue(QStringLiteral("isLocalLibrary")) && group->boolValue(kIsPublished)
                           ? Page::MyLibrary
                           : Page::None;
    else if (group->boolValue(QStringLiteral("isSmartGroup")))
        m_editedPage = Page::SmartGroup;
    else if (group->boolValue(kIsGroceryList))
        m_editedPage = Page::GroceryList;
    else if (group->boolValue(kIsSubscribed))
        m_editedPage = Page::Platefeed;
    else
        m_editedPage = Page::Group;
    if (m_editedPage == Page::None)
        m_editedGroup = nullptr;
    return m_editedPage;
}

GroupsManagedObject* GroupEditorController::editedGroup() const {
    if (!m_editedGroup || m_editedGroup->isDeleted())
        return nullptr;
    return static_cast<GroupsManagedObject*>(m_editedGroup);
}

bool GroupEditorController::isEditedGroupPublished() const {
    GroupsManagedObject* group = editedGroup();
    return group && m_editedPage != Page::Platefeed && group->boolValue(kIsPublished);
}

QString GroupEditorController::editedPlatefeedTitle() const {
    GroupsManagedObject* group = editedGroup();
    if (!group)
        return {};
    const QString title = group->stringValue(kPlatefeedName);
    return title.isEmpty() ? group->stringValue(kName) : title;
}

QString GroupEditorController::editedPlatefeedAddress() const {
    GroupsManagedObject* group = editedGroup();
    if (!group)
        return {};
    if (m_editedPage == Page::Platefeed)
        return group->stringValue(kPlatefeedAddress);
    return isEditedGroupPublished() && m_platefeeds ? m_platefeeds->publishedAddress(group) : QString();
}

bool GroupEditorController::okButtonForEditAction(const QString& name, const QString& ruleText,
                                                  const std::optional<QString>& platefeedTitle) {
    GroupsManagedObject* group = editedGroup();
    if (!group || m_busy)
        return false;
    if (m_editedPage == Page::None) {
        qWarning() << "the group editor cannot save page" << pageTitle(m_editedPage);
        return false;
    }
    const bool published = group->boolValue(kIsPublished);
    const bool storesTitle = published && platefeedTitle.has_value() &&
                             (m_editedPage == Page::Group || m_editedPage == Page::SmartGroup);
    if (!validateEntryString(name) || (storesTitle && !validateEntryString(*platefeedTitle)))
        return false;
    if (m_editedPage == Page::Platefeed) {
        setAlternateTitle(name, group, [this] { finishEdit(); });
        return true;
    }
    // The name, the rule and the members' keywords undo as one step, although the keyword
    // question runs an event loop in the middle.
    m_context->undoManager()->runAsOneStep(pageUndoName(m_editedPage, false), [&] {
        if (m_editedPage == Page::MyLibrary)
            group->setValueForKey(name, kPlatefeedName);
        else if (m_editedPage == Page::Group)
            renameGroup(group, name);
        else
            group->setValueForKey(name, kName); // a grocery list's members do not depend on it
        if (m_editedPage == Page::SmartGroup)
            group->setValueForKey(ruleText, QStringLiteral("predicates"));
        if (storesTitle)
            group->setValueForKey(*platefeedTitle, kPlatefeedName);
    });
    if (published && (storesTitle || m_editedPage == Page::MyLibrary) && m_platefeeds)
        m_platefeeds->justUpdateTitleForPublishedPlatefeed(group);
    finishEdit();
    return true;
}

void GroupEditorController::finishEdit() {
    closeWindow();
    if (m_recipes)
        m_recipes->rearrangeObjects();
}

void GroupEditorController::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

void GroupEditorController::setAlternateTitle(const QString& title,
                                              GroupsManagedObject* forSubscribedPlatefeed,
                                              std::function<void()> done) {
    GroupsManagedObject* group = forSubscribedPlatefeed;
    const auto store = [this, title, group, done](bool found, const QString& published) {
        // A group deleted meanwhile has nothing to store.
        if (group->isDeleted()) {
            if (done)
                done();
            return;
        }
        m_context->undoManager()->runAsOneStep(pageUndoName(Page::Platefeed, false), [&] {
            // Without the published name the title is kept as the user's own: it is never
            // lost, only no longer follows the publisher's renames.
            if (found && title == published)
                group->setValueForKey(QVariant(), kPlatefeedName);
            else
                group->setValueForKey(title, kPlatefeedName);
            group->setValueForKey(title, kName);
        });
        if (done)
            done();
    };
    if (!m_platefeeds) {
        store(false, QString());
        return;
    }
    // Closing the sheet meanwhile drops the edit.
    readPublishedName(group, store);
}

void GroupEditorController::resetSubscribedPlatefeedName(std::function<void(const QString& name)> done) {
    GroupsManagedObject* group = editedGroup();
    if (!group || m_editedPage != Page::Platefeed || !m_platefeeds || m_busy)
        return;
    readPublishedName(group, [this, done](bool found, const QString& name) {
        if (found) {
            done(name);
            return;
        }
        if (m_alerts)
            m_alerts->ask(tr("The platefeed's published name cannot be read."),
                          tr("Check your connection to the Internet and try again."), {tr("OK")});
    });
}

void GroupEditorController::readPublishedName(GroupsManagedObject* group,
                                              std::function<void(bool found, const QString& name)> answer) {
    setBusy(true);
    QPointer<GroupEditorController> self(this);
    const int serial = m_readSerial;
    m_platefeeds->publishedNameForSubscribedPlatefeed(
        group, [self, serial, answer](bool found, const QString& name) {
            if (!self || serial != self->m_readSerial)
                return;
            self->setBusy(false);
            answer(found, name);
        });
}

bool GroupEditorController::unpublishPlatefeed(GroupsManagedObject* group) {
    if (!group || group->isDeleted() || !group->boolValue(kIsPublished) || !m_platefeeds)
        return false;
    const int answer =
        m_alerts
            ? m_alerts->ask(
                  tr("Are you sure you would like to stop publishing “%1”?").arg(group->stringValue(kName)),
                  tr("Users that subscribe to this platefeed will be notified that it's no "
                     "longer being published."),
                  {tr("Unpublish"), tr("Cancel")})
            : 0;
    if (answer != 0)
        return false;
    if (m_editedGroup == group)
        closeWindow();
    // The group stays published until the space has taken the mark: offline, the user can
    // try again.
    QPointer<GroupEditorController> self(this);
    m_platefeeds->stopPublishingPlatefeed(group, [self, group](bool ok) {
        if (!self || group->isDeleted())
            return;
        if (!ok) {
            if (self->m_alerts)
                self->m_alerts->ask(
                    tr("The platefeed “%1” could not be withdrawn.").arg(group->stringValue(kName)),
                    tr("Your WebDAV space did not answer. The group stays published; try again "
                       "when the space can be reached."),
                    {tr("OK")});
            return;
        }
        group->setValueForKey(false, kIsPublished);
        emit self->platefeedUnpublished(group);
    });
    return true;
}

QUrl GroupEditorController::platefeedAddressLink(const QString& title) {
    const QUrl url(title.trimmed(), QUrl::StrictMode);
    return WebDavClient::isWebAddress(url) ? url : QUrl();
}

bool GroupEditorController::openPlatefeedAddressLink(const QString& title) {
    const QUrl url = platefeedAddressLink(title);
    if (url.isValid())
        emit openAddressRequested(url);
    closeWindow();
    return url.isValid();
}

QString GroupEditorController::pageUndoName(Page page, bool created) {
    switch (page) {
    case Page::SmartGroup:
        return created ? tr("New Smart Group") : tr("Edit Smart Group");
    case Page::GroceryList:
        return created ? tr("New Grocery List") : tr("Edit Grocery List");
    default:
        return created ? tr("New Group") : tr("Edit Group");
    }
}

void GroupEditorController::renameGroup(GroupsManagedObject* group, const QString& name) {
    const QString oldName = group->stringValue(kName);
    if (name != oldName && m_alerts) {
        const int answer = m_alerts->ask(tr("Would you like to change the keywords of the recipes in this "
                                            "group to match the new group's name?"),
                                         tr("If you choose not to do this the group name will change but the "
                                            "recipes that were contained in it may "
                                            "no longer be associated with this group."),
                                         {tr("Yes"), tr("No")});
        if (answer == 0) {
            // The recipes the group shows with its subgroups, fetched rather than taken from
            // the recipe list: the list may be narrowed by a search or show another group
            // when the edit was opened from the context menu.
            const QList<ManagedObject*> recipes = m_context->executeFetchRequest(
                FetchRequest(QStringLiteral("Recipes"), group->filterPredicate()));
            for (ManagedObject* object : recipes) {
                auto* recipe = dynamic_cast<RecipesManagedObject*>(object);
                if (!recipe)
                    continue;
                recipe->removeKeyword(oldName);
                recipe->addKeyword(name);
            }
        }
    }
    group->setValueForKey(name, kName);
}

QList<GroupsManagedObject*> GroupEditorController::groups() const {
    QList<GroupsManagedObject*> out;
    for (ManagedObject* object : m_context->executeFetchRequest(FetchRequest(QStringLiteral("Groups"))))
        if (auto* group = dynamic_cast<GroupsManagedObject*>(object))
            out.append(group);
    return out;
}

bool GroupEditorController::deleteGroup(GroupsManagedObject* group) {
    if (!group || group->isDeleted() || !group->canBeDeleted())
        return false;
    const bool hasChildren = !group->relatedObjects(kChildren).isEmpty();
    const int answer =
        m_alerts
            ? m_alerts->ask(tr("Are you sure you want to delete “%1”?").arg(group->stringValue(kName)),
                            hasChildren ? tr("This will also delete this group's subgroups.") : QString(),
                            {tr("Yes"), tr("Cancel")})
            : 0;
    if (answer != 0)
        return false;
    if (group->boolValue(kIsPublished))
        emit stopPublishingRequested(group);
    if (group->boolValue(kIsSubscribed)) {
        emit deleteSubscribedPlatefeedRequested(group);
        return true;
    }
    if (m_editedGroup == group)
        closeWindow();
    // The children relationship cascades: the subgroups go with the group. Recipes keep
    // their keywords.
    m_context->undoManager()->runAsOneStep(tr("Delete Group"), [&] { m_context->deleteObject(group); });
    emit selectMyLibraryGroupRequested();
    // The regrouping belongs to the delete: one undo brings the group back in its place.
    Scheduler::instance().schedule(
        0.01,
        [this] { m_context->undoManager()->joinLastStep([this] { collectOrSeperateGroceryListGroups(); }); },
        this);
    return true;
}

GroupsManagedObject* GroupEditorController::groceryListHeaderGroupCreateIfNeeded(bool create) {
    for (GroupsManagedObject* group : groups())
        if (group->boolValue(kIsGroceryListHeader))
            return group;
    if (!create)
        return nullptr;
    GroupsManagedObject* header = insertGroup(QCoreApplication::translate("Library", "GROCERY LISTS"));
    if (header) {
        header->setSelectSelfOnInsert(false);
        header->setValueForKey(true, kIsGroceryListHeader);
    }
    return header;
}

void GroupEditorController::deleteGroceryListHeaderIfNeeded() {
    GroupsManagedObject* header = groceryListHeaderGroupCreateIfNeeded(false);
    if (header && header->relatedObjects(kChildren).isEmpty())
        m_context->deleteObject(header);
}

void GroupEditorController::collectOrSeperateGroceryListGroups() {
    QList<GroupsManagedObject*> lists;
    for (GroupsManagedObject* group : groups())
        if (group->boolValue(kIsGroceryList))
            lists.append(group);
    if (UserDefaults::boolForKey(QStringLiteral("collectGroceryLists"))) {
        GroupsManagedObject* header = groceryListHeaderGroupCreateIfNeeded(true);
        for (GroupsManagedObject* list : std::as_const(lists))
            if (header && list->relatedObject(kParent) != header)
                list->setRelatedObject(header, kParent);
        if (header)
            GroupTree::resortGroups(m_context, header);
    } else {
        for (GroupsManagedObject* list : std::as_const(lists))
            if (list->relatedObject(kParent))
                list->setRelatedObject(nullptr, kParent);
        if (GroupsManagedObject* header = groceryListHeaderGroupCreateIfNeeded(false))
            for (ManagedObject* child : header->relatedObjects(kChildren))
                child->setRelatedObject(nullptr, kParent);
    }
    GroupTree::resortGroups(m_context, nullptr);
    deleteGroceryListHeaderIfNeeded();
    emit sidebarResortRequested();
}

void GroupEditorController::updateAllCounterValues() {
    emit counterValuesUpdateRequested();
}

void GroupEditorController::closeWindow() {
    ++m_readSerial;
    setBusy(false);
    m_editedGroup = nullptr;
    m_editedPage = Page::None;
    emit sheetClosed();
    updateAllCounterValues();
}
