// The group editor's commands: group add, smart, grocery, rename and delete.
#include "CliCommand.h"

#include "library/GroupEditorController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "library/SmartGroupRules.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"

#include <QJsonObject>

#include <functional>

namespace {

const QString kName = QStringLiteral("name");
const QString kSynopsis = QStringLiteral("(add NAME [--parent NAME] | smart NAME --rule TEXT | grocery NAME "
                                         "| rename OLD NEW [--rename-keywords] | "
                                         "delete NAME)");

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

// Answers every question with one button, as the user of the command asked for.
class AnsweringAlerts final : public Alerts {
public:
    explicit AnsweringAlerts(int button) : m_button(button) {}
    AlertResponse runModal(const AlertRequest&) override {
        AlertResponse response;
        response.button = m_button;
        return response;
    }

private:
    int m_button;
};

// The first group of that name in sidebar order.
GroupsManagedObject* groupNamed(const SidebarTreeController& tree, const QString& name) {
    for (GroupsManagedObject* group : tree.allGroupsInDisplayOrder())
        if (group->stringValue(kName) == name)
            return group;
    return nullptr;
}

// Saves, then prints what result gives (identities are permanent only after the save).
int saved(ObjectContext* context, const std::function<QJsonObject()>& result) {
    QString error;
    if (!context->save(&error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    CliSession::printJson(result());
    return CliOK;
}

int descendantCount(const ManagedObject* group) {
    int count = 0;
    for (const ManagedObject* child : group->relatedObjects(QStringLiteral("children")))
        count += 1 + descendantCount(child);
    return count;
}

QJsonObject groupJson(const GroupsManagedObject* group) {
    QJsonObject object{
        {QStringLiteral("name"), group->stringValue(kName)},
        {QStringLiteral("kind"), SidebarTreeController::kindName(SidebarTreeController::kindOfGroup(group))},
        {QStringLiteral("objectID"), group->objectID().uriRepresentation()}};
    if (const ManagedObject* parent = group->relatedObject(QStringLiteral("parent")))
        object.insert(QStringLiteral("parent"), parent->stringValue(kName));
    return object;
}

int groupCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("parent"), QStringLiteral("rule")},
                         {QStringLiteral("rename-keywords")}, &options, &error))
        return usage(error);
    const QStringList& positional = options.positional;
    const QString action = positional.value(0);
    const qsizetype names = action == QLatin1String("rename") ? 3 : 2;
    const bool knownAction =
        QStringList{QStringLiteral("add"), QStringLiteral("smart"), QStringLiteral("grocery"),
                    QStringLiteral("rename"), QStringLiteral("delete")}
            .contains(action);
    if (!knownAction || positional.size() != names ||
        (options.has(QStringLiteral("parent")) && action != QLatin1String("add")) ||
        (options.has(QStringLiteral("rule")) != (action == QLatin1String("smart"))) ||
        (options.has(QStringLiteral("rename-keywords")) && action != QLatin1String("rename")) ||
        options.all(QStringLiteral("parent")).size() > 1 || options.all(QStringLiteral("rule")).size() > 1)
        return usage(QStringLiteral("usage: group %1").arg(kSynopsis));

    // "Yes" to the keyword question only when asked for; deleting has been asked for.
    AnsweringAlerts alerts(
        action == QLatin1String("rename") && !options.has(QStringLiteral("rename-keywords")) ? 1 : 0);
    LibrarySession* library = session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    ObjectContext* context = library->context();
    SidebarTreeController tree(library);
    GroupEditorController editor(context, nullptr, &alerts);
    const QString name = positional.at(1);

    if (action == QLatin1String("add") || action == QLatin1String("smart") ||
        action == QLatin1String("grocery")) {
        QString refusal;
        if (!editor.validateEntryString(name, &refusal))
            return usage(refusal);
        GroupsManagedObject* parent = nullptr;
        if (options.has(QStringLiteral("parent"))) {
            parent = groupNamed(tree, options.value(QStringLiteral("parent")));
            if (!parent)
                return usage(QStringLiteral("There is no group named \"%1\".")
                                 .arg(options.value(QStringLiteral("parent"))));
        }
        QString ruleText;
        if (action == QLatin1String("smart")) {
            SmartGroupRules rules;
            if (!rules.fromRuleText(options.value(QStringLiteral("rule")), &error))
                return usage(QStringLiteral("The rule cannot be read: %1.").arg(error));
            ruleText = rules.toRuleText();
        }
        GroupsManagedObject* group = action == QLatin1String("add") ? editor.createNewGroup(name)
                                     : action == QLatin1String("smart")
                                         ? editor.createNewSmartGroup(name, ruleText)
                                         : editor.createNewGroceryList(name);
        if (!group)
            return usage(QStringLiteral("The group could not be created."));
        if (parent) {
            // As if the new group were dropped onto the parent in the sidebar. Nothing is
            // saved when that is refused.
            SideBarDragController drag(&tree);
            const SideBarDragController::DropDecision decision =
                drag.validateGroupMove(group, parent, SideBarDragController::kDropOnItem);
            if (decision.operation == SideBarDragController::DropOperation::None)
                return usage(QStringLiteral("The group cannot be put into \"%1\": %2.")
                                 .arg(parent->stringValue(kName), decision.reason));
            if (!drag.moveGroup(group, parent, SideBarDragController::kDropOnItem))
                return usage(
                    QStringLiteral("The group cannot be put into \"%1\".").arg(parent->stringValue(kName)));
        }
        group->setSelectSelfOnInsert(false);
        return saved(context, [group] { return groupJson(group); });
    }

    GroupsManagedObject* group = groupNamed(tree, name);
    if (!group)
        return usage(QStringLiteral("There is no group named \"%1\".").arg(name));

    if (action == QLatin1String("rename")) {
        const QString newName = positional.at(2);
        const GroupEditorController::Page page = editor.editGroup(group);
        if (page != GroupEditorController::Page::Group && page != GroupEditorController::Page::SmartGroup &&
            page != GroupEditorController::Page::GroceryList)
            return usage(QStringLiteral("\"%1\" cannot be renamed here.").arg(name));
        QString refusal;
        if (!editor.validateEntryString(newName, &refusal))
            return usage(refusal);
        if (!editor.okButtonForEditAction(newName, group->stringValue(QStringLiteral("predicates"))))
            return usage(QStringLiteral("\"%1\" cannot be renamed.").arg(name));
        return saved(context, [group] { return groupJson(group); });
    }

    // delete
    if (!group->canBeDeleted())
        return usage(QStringLiteral("\"%1\" cannot be deleted.").arg(name));
    if (group->boolValue(QStringLiteral("isSubscribedPlatefeed")))
        return usage(QStringLiteral("Subscribed platefeeds cannot be deleted here yet."));
    const int subgroups = descendantCount(group);
    const QString objectID = group->objectID().uriRepresentation();
    if (!editor.deleteGroup(group))
        return usage(QStringLiteral("\"%1\" could not be deleted.").arg(name));
    // The application regroups the grocery lists a moment later; here at once.
    editor.collectOrSeperateGroceryListGroups();
    return saved(context, [&] {
        return QJsonObject{{QStringLiteral("deleted"), name},
                           {QStringLiteral("objectID"), objectID},
                           {QStringLiteral("subgroups"), subgroups}};
    });
}

const CliCommandRegistration groupRegistration(QStringLiteral("group"), kSynopsis, groupCommand);

} // namespace
