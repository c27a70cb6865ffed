// The themes command: the theme selector's list as JSON.
#include "CliCommand.h"

#include "present/ThemeController.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

int themesCommand(CliSession&, const QStringList& args) {
    if (!args.isEmpty()) {
        CliSession::printError(QStringLiteral("usage: themes"));
        return CliUsage;
    }
    QJsonArray themes;
    const QList<ThemeRow> rows = ThemeController::themeList(ThemeController::defaultResourcesRoot(),
                                                            ThemeController::defaultDevelopmentRoot());
    for (const ThemeRow& row : rows) {
        themes.append(QJsonObject{
            {QStringLiteral("name"), row.name},
            {QStringLiteral("root"), row.root == ThemeRow::Root::Resources ? QStringLiteral("resources")
                                                                           : QStringLiteral("development")},
            {QStringLiteral("thumb"), row.thumbnailPath},
        });
    }
    CliSession::printJson(themes);
    return CliOK;
}

const CliCommandRegistration themesRegistration(QStringLiteral("themes"), QString(), themesCommand);

} // namespace
