// The sidebar's commands: groups (the tree as the sidebar shows it) and drop (recipes
// dropped on a group).
#include "CliCommand.h"

#include "library/GroupsCounterUpdater.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

QJsonArray groupsJson(const SidebarTreeController& tree, const ManagedObject* parent,
                      const QHash<const ManagedObject*, int>& counts) {
    QJsonArray array;
    for (GroupsManagedObject* group : tree.childGroups(parent)) {
        array.append(QJsonObject{
            {QStringLiteral("name"), group->stringValue(QStringLiteral("name"))},
            {QStringLiteral("kind"),
             SidebarTreeController::kindName(SidebarTreeController::kindOfGroup(group))},
            {QStringLiteral("objectID"), group->objectID().uriRepresentation()},
            {QStringLiteral("counterValue"), counts.value(group, 0)},
            {QStringLiteral("children"), groupsJson(tree, group, counts)},
        });
    }
    return array;
}

int groupsCommand(CliSession& session, const QStringList& args) {
    if (!args.isEmpty())
        return usage(QStringLiteral("usage: groups"));
    DefaultButtonAlerts alerts;
    LibrarySession* library = session.library(alerts);
    if (!library)
        return CliNoLibrary;
    ObjectContext* context = library->context();
    SidebarTreeController tree(library);
    // The same count the sidebar's worker makes, here on this thread.
    const GroupsCounterUpdater::Snapshot snapshot = GroupsCounterUpdater::takeSnapshot(context);
    const std::vector<int> counted = GroupsCounterUpdater::threadedUpdate(snapshot);
    // A store that could not be read gives an incomplete tree: an error, not a list.
    if (!context->readFailure().isEmpty()) {
        CliSession::printError(context->readFailure());
        return CliNoLibrary;
    }
    QHash<const ManagedObject*, int> counts;
    for (size_t i = 0; i < snapshot.groups.size() && i < counted.size(); ++i)
        counts.insert(snapshot.groups.at(i), counted.at(i));
    CliSession::printJson(groupsJson(tree, nullptr, counts));
    return CliOK;
}

int dropCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("on")}, {QStringLiteral("remove")}, &options, &error))
        return usage(error);
    if (options.positional.size() != 1 || !options.has(QStringLiteral("on")))
        return usage(QStringLiteral("usage: drop RECIPE_IDS --on GROUP [--remove]"));
    QStringList ids = options.positional.first().split(QLatin1Char(','), Qt::SkipEmptyParts);
    ids.removeDuplicates();
    if (ids.isEmpty())
        return usage(QStringLiteral("No recipe uniqueIDs were given."));
    const QString groupName = options.value(QStringLiteral("on"));
    const bool remove = options.has(QStringLiteral("remove"));

    DefaultButtonAlerts alerts;
    LibrarySession* library = session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    ObjectContext* context = library->context();
    SidebarTreeController tree(library);
    GroupsManagedObject* target = nullptr;
    for (GroupsManagedObject* group : tree.allGroupsInDisplayOrder()) {
        if (group->stringValue(QStringLiteral("name")) == groupName) {
            target = group;
            break;
        }
    }
    if (!target)
        return usage(QStringLiteral("There is no group named \"%1\".").arg(groupName));

    // Every uniqueID must name a recipe; otherwise nothing is dropped.
    const PredicateParseResult filter = Predicate::parse(QStringLiteral("uniqueID IN %@"), {QVariant(ids)});
    QSet<QString> found;
    for (ManagedObject* recipe :
         context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter.predicate)))
        found.insert(recipe->stringValue(QStringLiteral("uniqueID")));
    for (const QString& id : std::as_const(ids))
        if (!found.contains(id))
            return usage(QStringLiteral("There is no recipe with the uniqueID \"%1\".").arg(id));

    SideBarDragController drag(&tree);
    const SideBarDragController::DropDecision decision =
        drag.validateRecipeDrop(target, SideBarDragController::kDropOnItem, remove);
    if (decision.operation == SideBarDragController::DropOperation::None)
        return usage(QStringLiteral("The recipes cannot be dropped: %1.").arg(decision.reason));
    if (!drag.dropRecipes(ids, target, decision.remove))
        return usage(QStringLiteral("The recipes cannot be dropped on \"%1\".").arg(groupName));
    if (!context->save(&error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    QJsonObject result{{QStringLiteral("group"), groupName},
                       {QStringLiteral("objectID"), target->objectID().uriRepresentation()},
                       {QStringLiteral("remove"), decision.remove},
                       {QStringLiteral("recipes"), int(ids.size())}};
    if (target->boolValue(QStringLiteral("isGroceryList")))
        result.insert(QStringLiteral("groceryList"),
                      QJsonArray::fromStringList(target->groceryListRecipeIDs()));
    CliSession::printJson(result);
    return CliOK;
}

const CliCommandRegistration groupsRegistration(QStringLiteral("groups"), QString(), groupsCommand);
const CliCommandRegistration
    dropRegistration(QStringLiteral("drop"), QStringLiteral("RECIPE_IDS --on GROUP [--remove]"), dropCommand);

} // namespace
