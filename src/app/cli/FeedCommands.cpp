// The platefeed commands: publishing groups to the user's WebDAV space and subscribing to
// other people's platefeeds.
#include "CliCommand.h"

#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/SidebarTreeController.h"
#include "platform/Alerts.h"
#include "platform/Keyring.h"
#include "platform/ObjectContext.h"
#include "platform/UserDefaults.h"
#include "share/PlatefeedManager.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

namespace {

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

const QString kUsage = QStringLiteral(
    "usage: feed publish GROUP --folder NAME [--title TEXT] | feed check-published | feed unpublish GROUP | "
    "feed subscribe URL | feed check-subscribed [--update-copies yes|no|never] | feed reset GROUP | feed "
    "list\n"
    "  publishing options: --webdav URL --public URL --user NAME (password on standard input)");

// Answers the questions of a headless run: the update question of own copies as told (for
// all of them), everything else with its default button; keeps the messages for the output.
class FeedAlerts final : public Alerts {
public:
    int copyAnswer = 2; // "No": an own copy is not changed unless asked for
    QStringList messages;
    AlertResponse runModal(const AlertRequest& request) override {
        messages.append(request.messageText);
        AlertResponse response;
        if (!request.checkBoxTitle.isEmpty()) {
            response.button = copyAnswer;
            response.checkBoxState = true;
        }
        return response;
    }
};

// Runs the event loop until finish is called (by the operation started in start).
void runUntilDone(const std::function<void(std::function<void()> finish)>& start) {
    QEventLoop loop;
    bool done = false;
    start([&] {
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
}

void runCheck(PlatefeedManager& manager, bool published) {
    runUntilDone([&](std::function<void()> finish) {
        if (published) {
            QObject::connect(&manager, &PlatefeedManager::publishedCheckFinished, &manager, finish);
            manager.checkPublishedPlatefeeds();
        } else {
            QObject::connect(&manager, &PlatefeedManager::subscribedCheckFinished, &manager, finish);
            manager.checkSubscribedPlatefeeds();
        }
    });
}

QJsonArray reportsJson(const QList<PlatefeedReport>& reports, bool published) {
    QJsonArray array;
    for (const PlatefeedReport& report : reports) {
        QJsonObject object{{QStringLiteral("group"), report.group},
                           {QStringLiteral("address"), report.address}};
        if (published) {
            object.insert(QStringLiteral("written"), QJsonArray::fromStringList(report.written));
        } else {
            object.insert(QStringLiteral("imported"), report.imported);
            object.insert(QStringLiteral("removed"), report.removed);
            object.insert(QStringLiteral("deactivated"), report.deactivated);
        }
        if (!report.error.isEmpty())
            object.insert(QStringLiteral("error"), report.error);
        array.append(object);
    }
    return array;
}

// The first error of the reports, empty when none.
QString firstError(const QList<PlatefeedReport>& reports) {
    for (const PlatefeedReport& report : reports)
        if (!report.error.isEmpty())
            return report.error;
    return QString();
}

GroupsManagedObject* groupNamed(LibrarySession* library, const QString& name) {
    SidebarTreeController tree(library);
    for (GroupsManagedObject* group : tree.allGroupsInDisplayOrder())
        if (group->stringValue(QStringLiteral("name")) == name)
            return group;
    return nullptr;
}

// The password goes with every request to the WebDAV space.
void warnOfPlainTextPassword(const QUrl& address) {
    if (PlatefeedManager::sendsPasswordInPlainText(address))
        CliSession::printError(QStringLiteral("warning: %1 is plain http: the password is sent unencrypted. "
                                              "Use an https address if the server offers one.")
                                   .arg(address.toDisplayString()));
}

// The account from the options (password on standard input) or from the settings and the
// password store, as the application uses them. False after printing why.
bool resolveAccount(PlatefeedManager& manager, const CliOptions& options) {
    if (options.has(QStringLiteral("webdav"))) {
        if (!options.has(QStringLiteral("public")) || !options.has(QStringLiteral("user"))) {
            CliSession::printError(QStringLiteral("--webdav needs --public and --user"));
            return false;
        }
        QTextStream in(stdin);
        PlatefeedAccount account;
        account.webdavAddress = QUrl(options.value(QStringLiteral("webdav")));
        account.publicAddress = QUrl(options.value(QStringLiteral("public")));
        account.user = options.value(QStringLiteral("user"));
        account.password = in.readLine();
        if (!account.isComplete()) {
            CliSession::printError(QStringLiteral("The WebDAV and public addresses must be http or https, "
                                                  "and the password must not be empty."));
            return false;
        }
        manager.setAccount(account);
        warnOfPlainTextPassword(account.webdavAddress);
        return true;
    }
    SecretServiceKeyring keyring;
    bool complete = false;
    runUntilDone([&](std::function<void()> finish) {
        manager.loadAccount(keyring, [&complete, finish](bool ok) {
            complete = ok;
            finish();
        });
    });
    if (!complete) {
        CliSession::printError(
            keyring.isAvailable()
                ? QStringLiteral("No WebDAV account is set up; give --webdav, --public and --user.")
                : QStringLiteral("No password store (Secret Service) is running; give --webdav, "
                                 "--public and --user."));
        return false;
    }
    warnOfPlainTextPassword(manager.account().webdavAddress);
    return true;
}

QJsonObject feedJson(PlatefeedManager& manager, GroupsManagedObject* group, bool published) {
    const QString key = group->stringValue(QStringLiteral("platefeedPredicateKey"));
    QJsonObject object{{QStringLiteral("name"), group->stringValue(QStringLiteral("name"))},
                       {QStringLiteral("key"), key}};
    if (published) {
        const QString folder = group->stringValue(QStringLiteral("platefeedAddress"));
        object.insert(QStringLiteral("folder"), folder);
        object.insert(QStringLiteral("title"), group->stringValue(QStringLiteral("platefeedName")));
        if (manager.account().publicAddress.isValid()) {
            object.insert(QStringLiteral("address"), manager.publicFolderUrl(folder).toString());
            object.insert(QStringLiteral("link"), manager.subscriptionLink(folder));
        }
        const int count =
            int(group->managedObjectContext()
                    ->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), group->predicate()))
                    .size());
        object.insert(QStringLiteral("recipes"), count);
    } else {
        object.insert(QStringLiteral("address"), group->stringValue(QStringLiteral("platefeedAddress")));
        object.insert(QStringLiteral("recipes"), int(manager.subscribedRecipes(key).size()));
        object.insert(QStringLiteral("removed"), QJsonArray::fromStringList(manager.removedIDs(key)));
        object.insert(QStringLiteral("linked"), QJsonArray::fromStringList(manager.linkedIDs(key)));
    }
    return object;
}

int feedCommand(CliSession& session, const QStringList& args) {
    if (args.isEmpty())
        return usage(kUsage);
    const QString sub = args.first();
    CliOptions options;
    QString error;
    if (!parseCliOptions(args.mid(1),
                         {QStringLiteral("folder"), QStringLiteral("title"), QStringLiteral("webdav"),
                          QStringLiteral("public"), QStringLiteral("user"), QStringLiteral("update-copies")},
                         {}, &options, &error))
        return usage(error);

    FeedAlerts alerts;
    if (options.has(QStringLiteral("update-copies"))) {
        const QString answer = options.value(QStringLiteral("update-copies"));
        if (answer == QLatin1String("yes"))
            alerts.copyAnswer = 0;
        else if (answer == QLatin1String("never"))
            alerts.copyAnswer = 1;
        else if (answer == QLatin1String("no"))
            alerts.copyAnswer = 2;
        else
            return usage(QStringLiteral("--update-copies takes yes, no or never"));
    }
    const bool writes = sub != QLatin1String("list");
    LibrarySession* library = writes ? session.writableLibrary(alerts) : session.library(alerts);
    if (!library)
        return CliNoLibrary;
    PlatefeedManager manager(*library);
    const QStringList& positional = options.positional;

    if (sub == QLatin1String("publish")) {
        if (positional.size() != 1 || !options.has(QStringLiteral("folder")))
            return usage(kUsage);
        GroupsManagedObject* group = groupNamed(library, positional.first());
        if (!group)
            return usage(QStringLiteral("There is no group named \"%1\".").arg(positional.first()));
        if (group->boolValue(QStringLiteral("isSubscribedPlatefeed")) ||
            SidebarTreeController::isHeader(group) || group->boolValue(QStringLiteral("isGroceryList")))
            return usage(QStringLiteral("\"%1\" cannot be published.").arg(positional.first()));
        // Publishing again would make a new key, and the subscribers would lose the platefeed.
        if (group->boolValue(QStringLiteral("isPublishedPlatefeed")))
            return usage(
                QStringLiteral("\"%1\" is already published (folder \"%2\"); \"feed unpublish\" it "
                               "first to publish it anew.")
                    .arg(positional.first(), group->stringValue(QStringLiteral("platefeedAddress"))));
        const QString folder = options.value(QStringLiteral("folder"));
        if (folder.isEmpty() || folder.contains(QLatin1Char('/')) || folder == QLatin1String("..") ||
            folder == QLatin1String("."))
            return usage(QStringLiteral("The folder must be one name, without \"/\"."));
        if (!resolveAccount(manager, options))
            return CliUsage;
        if (options.has(QStringLiteral("title")))
            group->setValueForKey(options.value(QStringLiteral("title")), QStringLiteral("platefeedName"));
        bool ok = false;
        runUntilDone([&](std::function<void()> finish) {
            QObject::connect(&manager, &PlatefeedManager::publishedCheckFinished, &manager, finish);
            manager.createNewPublishedPlatefeedWithName(folder, group, [&ok, finish](bool created) {
                ok = created;
                if (!created)
                    finish();
            });
        });
        if (!ok) {
            CliSession::printError(firstError(manager.lastReports()).isEmpty()
                                       ? QStringLiteral("The platefeed could not be published.")
                                       : firstError(manager.lastReports()));
            return CliNetwork;
        }
        QJsonObject result = feedJson(manager, group, true);
        result.insert(QStringLiteral("checks"), reportsJson(manager.lastReports(), true));
        CliSession::printJson(result);
        return firstError(manager.lastReports()).isEmpty() ? CliOK : CliNetwork;
    }
    if (sub == QLatin1String("check-published")) {
        if (!positional.isEmpty())
            return usage(kUsage);
        if (manager.publishedGroups().isEmpty()) {
            CliSession::printJson(QJsonArray());
            return CliOK;
        }
        if (!resolveAccount(manager, options))
            return CliUsage;
        runCheck(manager, true);
        CliSession::printJson(reportsJson(manager.lastReports(), true));
        const QString failure = firstError(manager.lastReports());
        if (!failure.isEmpty()) {
            CliSession::printError(failure);
            return CliNetwork;
        }
        return CliOK;
    }
    if (sub == QLatin1String("unpublish")) {
        if (positional.size() != 1)
            return usage(kUsage);
        GroupsManagedObject* group = groupNamed(library, positional.first());
        if (!group || !group->boolValue(QStringLiteral("isPublishedPlatefeed")))
            return usage(QStringLiteral("There is no published group named \"%1\".").arg(positional.first()));
        if (!resolveAccount(manager, options))
            return CliUsage;
        bool ok = false;
        runUntilDone([&](std::function<void()> finish) {
            manager.stopPublishingPlatefeed(group, [&ok, finish](bool stopped) {
                ok = stopped;
                finish();
            });
        });
        if (!ok) {
            CliSession::printError(QStringLiteral("The platefeed could not be withdrawn."));
            return CliNetwork;
        }
        group->setValueForKey(false, QStringLiteral("isPublishedPlatefeed"));
        if (!library->save())
            return CliNoLibrary;
        CliSession::printJson(
            QJsonObject{{QStringLiteral("group"), positional.first()}, {QStringLiteral("withdrawn"), true}});
        return CliOK;
    }
    if (sub == QLatin1String("subscribe")) {
        if (positional.size() != 1)
            return usage(kUsage);
        bool ok = false;
        runUntilDone([&](std::function<void()> finish) {
            QObject::connect(&manager, &PlatefeedManager::subscribedCheckFinished, &manager, finish);
            manager.createNewSubcribedPlatefeedWithAddress(positional.first(),
                                                           [&ok, finish](bool subscribed) {
                                                               ok = subscribed;
                                                               if (!subscribed)
                                                                   finish();
                                                           });
            // Already subscribed: answered at once, and no check follows.
            if (ok && !manager.isImporting())
                finish();
        });
        if (!ok) {
            const QString failure = firstError(manager.lastReports());
            CliSession::printError(
                failure.isEmpty() ? QStringLiteral("Unable to find Platefeed at that address.") : failure);
            return CliNetwork;
        }
        CliSession::printJson(
            QJsonObject{{QStringLiteral("address"), positional.first()},
                        {QStringLiteral("alerts"), QJsonArray::fromStringList(alerts.messages)},
                        {QStringLiteral("checks"), reportsJson(manager.lastReports(), false)}});
        return CliOK;
    }
    if (sub == QLatin1String("check-subscribed")) {
        if (!positional.isEmpty())
            return usage(kUsage);
        runCheck(manager, false);
        CliSession::printJson(
            QJsonObject{{QStringLiteral("alerts"), QJsonArray::fromStringList(alerts.messages)},
                        {QStringLiteral("checks"), reportsJson(manager.lastReports(), false)}});
        const QString failure = firstError(manager.lastReports());
        if (!failure.isEmpty()) {
            CliSession::printError(failure);
            return CliNetwork;
        }
        return CliOK;
    }
    if (sub == QLatin1String("reset")) {
        if (positional.size() != 1)
            return usage(kUsage);
        GroupsManagedObject* group = groupNamed(library, positional.first());
        if (!group || !group->boolValue(QStringLiteral("isSubscribedPlatefeed")))
            return usage(
                QStringLiteral("There is no subscribed platefeed named \"%1\".").arg(positional.first()));
        const int count = int(
            manager.subscribedRecipes(group->stringValue(QStringLiteral("platefeedPredicateKey"))).size());
        manager.resetSubscribedPlatefeed(group);
        if (!library->save())
            return CliNoLibrary;
        CliSession::printJson(
            QJsonObject{{QStringLiteral("group"), positional.first()}, {QStringLiteral("deleted"), count}});
        return CliOK;
    }
    if (sub == QLatin1String("list")) {
        if (!positional.isEmpty())
            return usage(kUsage);
        // Addresses as the application shows them; no password is needed to list.
        const auto address = [&options](const QString& option, const QString& defaultsKey) {
            return QUrl(options.has(option) ? options.value(option)
                                            : UserDefaults::stringForKey(defaultsKey));
        };
        PlatefeedAccount account;
        account.webdavAddress = address(QStringLiteral("webdav"), PlatefeedManager::webdavAddressKey());
        account.publicAddress = address(QStringLiteral("public"), PlatefeedManager::publicAddressKey());
        manager.setAccount(account);
        QJsonArray published;
        for (GroupsManagedObject* group : manager.publishedGroups())
            published.append(feedJson(manager, group, true));
        QJsonArray subscribed;
        for (GroupsManagedObject* group : manager.subscribedGroups())
            subscribed.append(feedJson(manager, group, false));
        CliSession::printJson(QJsonObject{{QStringLiteral("published"), published},
                                          {QStringLiteral("subscribed"), subscribed}});
        return CliOK;
    }
    return usage(kUsage);
}

const CliCommandRegistration feedRegistration(
    QStringLiteral("feed"),
    QStringLiteral(
        "publish GROUP --folder NAME [--title TEXT] | check-published | unpublish GROUP | subscribe URL | "
        "check-subscribed [--update-copies yes|no|never] | reset GROUP | list"),
    feedCommand);

} // namespace
