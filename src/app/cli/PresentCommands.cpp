// The recipe page command: render.
#include "CliCommand.h"

#include "library/AppController.h"
#include "platform/DataModel.h"
#include "platform/ObjectContext.h"
#include "platform/UserDefaults.h"
#include "present/RecipeDisplayController.h"

#include <cstdio>

namespace {

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

int renderCommand(CliSession& session, const QStringList& args) {
    static const QString synopsis = QStringLiteral(
        "usage: render UNIQUEID [--theme NAME] [--alternate] [--mode \"Recipe View\"|\"Full Screen\"] "
        "[--height N]");
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("theme"), QStringLiteral("mode"), QStringLiteral("height")},
                         {QStringLiteral("alternate")}, &options, &error))
        return usage(error);
    if (options.positional.size() != 1)
        return usage(synopsis);
    const QString mode = options.has(QStringLiteral("mode")) ? options.value(QStringLiteral("mode"))
                                                             : RecipeDisplayController::RecipeViewMode;
    if (mode != RecipeDisplayController::RecipeViewMode && mode != RecipeDisplayController::FullScreenMode)
        return usage(synopsis);
    int height = 600;
    if (options.has(QStringLiteral("height"))) {
        bool ok = false;
        height = options.value(QStringLiteral("height")).toInt(&ok);
        if (!ok)
            return usage(QStringLiteral("--height needs a whole number"));
    }

    ObjectContext* context = session.context();
    if (!context)
        return CliNoLibrary;
    const QList<ManagedObject*> recipes =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")), &error);
    if (!error.isEmpty()) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    const QString uniqueID = options.positional.first();
    ManagedObject* recipe = nullptr;
    for (ManagedObject* candidate : recipes) {
        if (candidate->stringValue(QStringLiteral("uniqueID")) == uniqueID) {
            recipe = candidate;
            break;
        }
    }
    if (!recipe)
        return usage(QStringLiteral("There is no recipe with uniqueID %1.").arg(uniqueID));

    QString theme = options.value(QStringLiteral("theme"));
    if (theme.isEmpty())
        theme = UserDefaults::stringForKey(QStringLiteral("selectedTheme"));
    if (theme.isEmpty())
        theme = QStringLiteral("Sky");
    const bool alternate = options.has(QStringLiteral("alternate")) ||
                           UserDefaults::boolForKey(QStringLiteral("enableAlternateTheme"));
    const std::optional<ThemeTemplate> found = RecipeDisplayController::templateForTheme(
        resourcesPath(), AppController::applicationSupportFolder(), theme, mode, alternate);
    if (!found) {
        CliSession::printError(RecipeDisplayController::incompatibleThemeMessage() + QLatin1Char(' ') +
                               RecipeDisplayController::incompatibleThemeInformativeText());
        return CliNoLibrary;
    }
    const QByteArray page = RecipeDisplayController::filledPage(recipe, found->text, found->basePath, height,
                                                                RenderSettings::fromUserDefaults())
                                .toUtf8();
    std::fwrite(page.constData(), 1, size_t(page.size()), stdout);
    std::fflush(stdout);
    return CliOK;
}

const CliCommandRegistration renderRegistration(
    QStringLiteral("render"),
    QStringLiteral(
        "UNIQUEID [--theme NAME] [--alternate] [--mode \"Recipe View\"|\"Full Screen\"] [--height N]"),
    renderCommand);

} // namespace
