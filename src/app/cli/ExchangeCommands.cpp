// The exchange-file commands: import, export, list.
#include "CliCommand.h"

#include "import/ForeignRecipeImporter.h"
#include "library/CoreDataController.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "library/SearchBoxMenu.h"
#include "library/SidebarTreeController.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"
#include "platform/Predicate.h"
#include "share/LSVersionOneDataImporter.h"
#include "share/VersionTwoImporterExporter.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kRecipes = QStringLiteral("Recipes");

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

// Alerts are not shown: the command reports what the importer told the user.
class SilentAlerts final : public Alerts {
public:
    AlertResponse runModal(const AlertRequest&) override { return {}; }
};

// Parses a filter of recipes and refuses one naming a key that recipes do not have (see
// checkKnownKeys), before anything is read. An empty text is no filter when emptyIsNone,
// else a bad one. False after printing the reason.
bool parseRecipesFilter(const QString& text, bool emptyIsNone, PredicatePtr* filter, int* exitCode) {
    filter->reset();
    if (text.isEmpty() && emptyIsNone)
        return true;
    const PredicateParseResult parsed = Predicate::parse(text);
    if (!parsed.ok()) {
        *exitCode = usage(QStringLiteral("bad filter: %1").arg(parsed.error));
        return false;
    }
    const EntityDescription* entity = modelEntity(kRecipes, exitCode);
    if (!entity)
        return false;
    if (!checkKnownKeys(*entity, parsed.predicate.get(), {})) {
        *exitCode = CliUsage;
        return false;
    }
    *filter = parsed.predicate;
    return true;
}

// The own library's recipes matching filter (all of them when it is null), sorted by
// name without regard to case. False after printing the reason.
bool ownLibraryRecipes(ObjectContext* context, const PredicatePtr& filter, QList<ManagedObject*>* recipes,
                       int* exitCode) {
    PredicatePtr own = RecipesManagedObject::ownLibraryPredicate();
    FetchRequest request(kRecipes, Predicate::andPredicate({filter, own}),
                         {{QStringLiteral("name"), true, true}});
    QString error;
    *recipes = context->executeFetchRequest(request, &error);
    if (!error.isEmpty()) {
        CliSession::printError(error);
        *exitCode = CliNoLibrary;
        return false;
    }
    return true;
}

QJsonArray uniqueIDs(const QList<ManagedObject*>& recipes) {
    QJsonArray ids;
    for (ManagedObject* recipe : recipes)
        ids.append(recipe->stringValue(QStringLiteral("uniqueID")));
    return ids;
}

QJsonArray skippedEntries(const QList<SkippedEntry>& skipped) {
    QJsonArray entries;
    for (const SkippedEntry& entry : skipped)
        entries.append(
            QJsonObject{{QStringLiteral("index"), entry.index}, {QStringLiteral("reason"), entry.reason}});
    return entries;
}

// The imported recipes the library held already: the copy's uniqueID (null when it was
// skipped) and the recipe it repeats.
QJsonArray duplicateEntries(const QList<DuplicateMatch>& duplicates) {
    QJsonArray entries;
    for (const DuplicateMatch& match : duplicates)
        entries.append(QJsonObject{{QStringLiteral("uniqueID"),
                                    match.uniqueID.isEmpty() ? QJsonValue() : QJsonValue(match.uniqueID)},
                                   {QStringLiteral("existing"), match.existingUniqueID}});
    return entries;
}

// The report of every import: what was imported, what was left out and why, and the
// recipes the library held already.
void printImportReport(const QList<ManagedObject*>& imported, int skippedPictures, int tooLargeRecipes,
                       const QList<SkippedEntry>& skipped, const QList<DuplicateMatch>& duplicates) {
    CliSession::printJson(QJsonObject{{QStringLiteral("imported"), int(imported.size())},
                                      {QStringLiteral("uniqueIDs"), uniqueIDs(imported)},
                                      {QStringLiteral("skippedPictures"), skippedPictures},
                                      {QStringLiteral("tooLargeRecipes"), tooLargeRecipes},
                                      {QStringLiteral("skipped"), skippedEntries(skipped)},
                                      {QStringLiteral("duplicates"), duplicateEntries(duplicates)}});
}

// Another program's file (MasterCook, MealMaster, MacGourmet): read, imported and saved in
// one go.
int importForeignFile(LibrarySession* library, ForeignFormat format, const QString& path,
                      DuplicatePolicy policy) {
    const std::unique_ptr<ForeignRecipeImporter> importer = makeForeignImporter(format, library);
    importer->setDuplicatePolicy(policy);
    importer->importDataFile(path);
    const ForeignImportResult& result = importer->importResult();
    if (!result.readError.isEmpty())
        return usage(result.readError);
    if (!result.saveError.isEmpty()) {
        CliSession::printError(library->store().lastSaveError());
        return CliNoLibrary;
    }
    printImportReport(importer->importedRecipesArray(), result.skippedPictures, 0, result.skipped,
                      result.duplicates);
    return CliOK;
}

// A first-generation export ("Larkspoon!") or whole library ("database"): read, imported
// and saved in one go; a library brings its dates, ratings, prepared flags and groups.
int importVersionOneFile(LibrarySession* library, const QString& path, bool isLibraryFile,
                         DuplicatePolicy policy) {
    LSVersionOneDataImporter importer(library);
    importer.setIsLibraryFile(isLibraryFile);
    importer.setDuplicatePolicy(policy);
    importer.importDataFile(path);
    const VersionOneImportResult& result = importer.importResult();
    if (!result.readError.isEmpty())
        return usage(result.readError);
    if (!result.saveError.isEmpty()) {
        CliSession::printError(library->store().lastSaveError());
        return CliNoLibrary;
    }
    printImportReport(importer.importedRecipesArray(), result.picturesSkipped, 0, result.skipped,
                      result.duplicates);
    return CliOK;
}

int importCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {}, {QStringLiteral("all-details"), QStringLiteral("skip-duplicates")},
                         &options, &error))
        return usage(error);
    if (options.positional.size() != 1)
        return usage(QStringLiteral("usage: import FILE [--all-details] [--skip-duplicates]"));
    const DuplicatePolicy policy = options.has(QStringLiteral("skip-duplicates"))
                                       ? DuplicatePolicy::SkipDuplicates
                                       : DuplicatePolicy::KeepBoth;
    const QString path = options.positional.first();
    if (!checkPathArgument(path, QStringLiteral("import FILE")))
        return CliUsage;
    // By extension, compared exactly as the application's import panel does; "txt" and
    // "xml" files by what they hold.
    const QString extension = QFileInfo(path).suffix();
    const bool sniffed = extension == QLatin1String("txt") || extension == QLatin1String("xml");
    const ForeignFormat format = foreignFormatOfFile(path);
    const bool versionOne =
        extension == QLatin1String("Larkspoon!") || extension == QLatin1String("database");
    if (extension != QLatin1String("lsr") && format == ForeignFormat::None && !versionOne &&
        !(sniffed && !QFileInfo(path).isFile()))
        return usage(
            QStringLiteral("unsupported file type \"%1\": larkspoon-cli imports lsr, Larkspoon!, database, "
                           "mx2, mmf, mm, mgourmet, mgourmet3 and mgourmet4 files, and txt files "
                           "holding MealMaster recipes")
                .arg(extension));
    if (!QFileInfo(path).isFile())
        return usage(QStringLiteral("There is no file at %1.").arg(path));
    SilentAlerts alerts;
    LibrarySession* library = session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    if (format != ForeignFormat::None)
        return importForeignFile(library, format, path, policy);
    if (versionOne)
        return importVersionOneFile(library, path, extension == QLatin1String("database"), policy);
    VersionTwoImporterExporter importer(library);
    importer.setDuplicatePolicy(policy);
    importer.setTransferAllInfo(options.has(QStringLiteral("all-details")));
    importer.importDataFile(path);
    const ExchangeImportResult& result = importer.importResult();
    if (!result.readError.isEmpty())
        return usage(result.readError);
    // An import stopped by the upgrade alert has not saved what it imported before it. The
    // library's own save also moves the staged pictures into place.
    if (!library->save()) {
        CliSession::printError(library->store().lastSaveError());
        return CliNoLibrary;
    }
    printImportReport(importer.importedRecipesArray(), result.skippedPictures(), result.refusedRecipes,
                      result.skipped, result.duplicates);
    if (result.stoppedByUpgradeAlert) {
        CliSession::printError(result.upgradeMessage);
        return CliStopped;
    }
    // Pictures that could not be written are lost to their recipes: the import did not
    // fully succeed.
    if (result.picturesNotWritten > 0) {
        CliSession::printError(QStringLiteral("%1 pictures could not be written to the library.")
                                   .arg(result.picturesNotWritten));
        return CliNoLibrary;
    }
    return CliOK;
}

int exportCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    const QString synopsis =
        QStringLiteral("usage: export OUT.lsr (--all | --ids ID,ID,... | --filter TEXT) [--all-details]");
    if (!parseCliOptions(args, {QStringLiteral("ids"), QStringLiteral("filter")},
                         {QStringLiteral("all"), QStringLiteral("all-details")}, &options, &error))
        return usage(error);
    const int selectors = int(options.has(QStringLiteral("all"))) + int(options.has(QStringLiteral("ids"))) +
                          int(options.has(QStringLiteral("filter")));
    if (options.positional.size() != 1 || selectors != 1 || options.all(QStringLiteral("ids")).size() > 1 ||
        options.all(QStringLiteral("filter")).size() > 1)
        return usage(synopsis);
    const QString path = options.positional.first();
    if (!checkPathArgument(path, QStringLiteral("export OUT.lsr")))
        return CliUsage;
    if (QFileInfo(path).suffix() != QLatin1String("lsr"))
        return usage(QStringLiteral("the exported file needs the extension lsr"));
    int exitCode = CliOK;
    PredicatePtr filter;
    if (options.has(QStringLiteral("filter")) &&
        !parseRecipesFilter(options.value(QStringLiteral("filter")), true, &filter, &exitCode))
        return exitCode;
    ObjectContext* context = session.context();
    if (!context)
        return CliNoLibrary;

    QList<ManagedObject*> recipes;
    if (options.has(QStringLiteral("ids"))) {
        // In the order given; one fetch for all of them.
        const QStringList ids =
            options.value(QStringLiteral("ids")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        // An empty list (an unset shell variable) would write a file of no recipes.
        if (ids.isEmpty())
            return usage(QStringLiteral("No recipe uniqueIDs were given."));
        const QList<ManagedObject*> all = context->executeFetchRequest(FetchRequest(kRecipes), &error);
        if (!error.isEmpty()) {
            CliSession::printError(error);
            return CliNoLibrary;
        }
        QHash<QString, ManagedObject*> byID;
        for (ManagedObject* recipe : all)
            byID.insert(recipe->stringValue(QStringLiteral("uniqueID")), recipe);
        for (const QString& id : ids) {
            ManagedObject* recipe = byID.value(id);
            if (!recipe)
                return usage(QStringLiteral("There is no recipe with uniqueID %1.").arg(id));
            recipes.append(recipe);
        }
    } else if (!ownLibraryRecipes(context, filter, &recipes, &exitCode)) {
        return exitCode;
    }

    SilentAlerts alerts;
    VersionTwoImporterExporter exporter(session.library(alerts));
    exporter.setTransferAllInfo(options.has(QStringLiteral("all-details")));
    if (!exporter.exportRecipes(recipes, path, &error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    CliSession::printJson(
        QJsonObject{{QStringLiteral("exported"), int(recipes.size())},
                    {QStringLiteral("droppedCharacters"), exporter.exportResult().droppedCharacters},
                    {QStringLiteral("skippedPictures"), exporter.exportResult().skippedPictures}});
    return CliOK;
}

// The recipes the recipe list shows with the group selected in the sidebar (the first of
// that name in sidebar order; none: "My Recipes") and the search typed in the scope, kept
// when they also match filter. False after printing the reason.
bool listedRecipes(LibrarySession& library, const CliOptions& options, const PredicatePtr& filter,
                   QList<ManagedObject*>* recipes, int* exitCode) {
    const int scope = options.has(QStringLiteral("scope"))
                          ? SearchBoxMenu::indexOfScope(options.value(QStringLiteral("scope")))
                          : int(SearchBoxMenu::EntireRecipe);
    if (scope < 0) {
        *exitCode = usage(QStringLiteral("unknown scope \"%1\"").arg(options.value(QStringLiteral("scope"))));
        return false;
    }
    RecipesArrayController& list = library.recipesArrayController();
    if (options.has(QStringLiteral("group"))) {
        const QString name = options.value(QStringLiteral("group"));
        GroupsManagedObject* selected = nullptr;
        for (GroupsManagedObject* group : SidebarTreeController(&library).allGroupsInDisplayOrder())
            if (!selected && !SidebarTreeController::isHeader(group) &&
                group->stringValue(QStringLiteral("name")) == name)
                selected = group;
        if (!selected) {
            *exitCode = usage(QStringLiteral("There is no group named \"%1\".").arg(name));
            return false;
        }
        list.setFilterPredicate(selected->filterPredicate());
    } else {
        list.rearrangeObjects();
    }
    SearchBoxMenu search(&list);
    search.chooseScope(scope);
    search.setSearchString(options.value(QStringLiteral("search")));
    recipes->clear();
    for (ManagedObject* recipe : list.arrangedObjects())
        if (!filter || filter->evaluate(*recipe))
            recipes->append(recipe);
    return true;
}

int listCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    const QStringList valueOptions{QStringLiteral("filter"), QStringLiteral("group"),
                                   QStringLiteral("search"), QStringLiteral("scope")};
    if (!parseCliOptions(args, valueOptions, {}, &options, &error))
        return usage(error);
    bool repeated = false;
    for (const QString& option : valueOptions)
        repeated = repeated || options.all(option).size() > 1;
    if (!options.positional.isEmpty() || repeated ||
        (options.has(QStringLiteral("scope")) && !options.has(QStringLiteral("search"))))
        return usage(
            QStringLiteral("usage: list [--filter TEXT] [--group NAME] [--search TEXT [--scope SCOPE]]"));
    // As the window lists them, the filter text is required to be a filter; otherwise an
    // empty one stands for none.
    const bool asListed = options.has(QStringLiteral("group")) || options.has(QStringLiteral("search"));
    int exitCode = CliOK;
    PredicatePtr filter;
    if ((options.has(QStringLiteral("filter")) || !asListed) &&
        !parseRecipesFilter(options.value(QStringLiteral("filter")), !asListed, &filter, &exitCode))
        return exitCode;
    SilentAlerts alerts;
    LibrarySession* library = session.library(alerts);
    if (!library)
        return CliNoLibrary;
    ObjectContext* context = library->context();
    QList<ManagedObject*> recipes;
    if (asListed) {
        if (!listedRecipes(*library, options, filter, &recipes, &exitCode))
            return exitCode;
    } else if (!ownLibraryRecipes(context, filter, &recipes, &exitCode)) {
        return exitCode;
    }
    QJsonArray array;
    for (ManagedObject* recipe : std::as_const(recipes))
        array.append(QJsonObject{
            {QStringLiteral("uniqueID"), jsonFromValue(recipe->valueForKey(QStringLiteral("uniqueID")))},
            {QStringLiteral("name"), jsonFromValue(recipe->valueForKey(QStringLiteral("name")))}});
    CliSession::printJson(array);
    return CliOK;
}

const CliCommandRegistration importRegistration(QStringLiteral("import"),
                                                QStringLiteral("FILE [--all-details] [--skip-duplicates]"),
                                                importCommand);
const CliCommandRegistration
    exportRegistration(QStringLiteral("export"),
                       QStringLiteral("OUT.lsr (--all | --ids ID,ID,... | --filter TEXT) [--all-details]"),
                       exportCommand);
const CliCommandRegistration
    listRegistration(QStringLiteral("list"),
                     QStringLiteral("[--filter TEXT] [--group NAME] [--search TEXT [--scope SCOPE]]"),
                     listCommand);

} // namespace
