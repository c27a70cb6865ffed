// The grocery list commands: the consolidated list, the recipes tab, the printable page and
// its PDF, and the edits the grocery editor makes (needed ticks, exclusions, own items,
// aisles), stored as the editor stores them.
#include "CliCommand.h"

#include "grocery/GroceryController.h"
#include "grocery/GroceryPageLayout.h"
#include "library/GroupsManagedObject.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

namespace {

const QString kSynopsis = QStringLiteral(
    "NAME [--recipes | --html | --pdf OUT.pdf] | NAME need INGREDIENT_NAME [--off] | NAME exclude "
    "RECIPE_UNIQUEID ROW_INDEX [--off] | NAME item add TEXT | NAME item delete INDEX | NAME aisle "
    "INGREDIENT_NAME CATEGORY_NAME|none");

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

GroupsManagedObject* groceryListNamed(ObjectContext* context, const QString& name) {
    for (ManagedObject* object : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups")))) {
        auto* group = dynamic_cast<GroupsManagedObject*>(object);
        if (group && group->boolValue(QStringLiteral("isGroceryList")) &&
            group->stringValue(QStringLiteral("name")) == name)
            return group;
    }
    return nullptr;
}

QJsonArray consolidatedJson(const GroceryController& controller) {
    QJsonArray rows;
    for (const GroceryConsolidatedRow& row : controller.consolidatedRows())
        rows.append(QJsonObject{
            {QStringLiteral("quantity"), row.quantity},
            {QStringLiteral("measurement"), row.measurement},
            {QStringLiteral("name"), row.name},
            {QStringLiteral("method"), row.method},
            {QStringLiteral("category"), row.category > 0 ? QJsonValue(row.categoryName) : QJsonValue()},
            {QStringLiteral("needed"), row.needed},
        });
    return rows;
}

QJsonArray recipesJson(const GroceryController& controller) {
    QJsonArray rows;
    for (const GroceryRecipeRow& row : controller.recipeRows())
        rows.append(QJsonObject{
            {QStringLiteral("quantity"), row.quantity},
            {QStringLiteral("measurement"), row.measurement},
            {QStringLiteral("name"), row.name},
            {QStringLiteral("method"), row.method},
            {QStringLiteral("recipe"), row.recipe},
            {QStringLiteral("isRecipeTitle"), row.isRecipeTitle},
            {QStringLiteral("isExcluded"), row.isExcluded},
        });
    return rows;
}

QJsonArray itemsJson(const GroceryController& controller) {
    QJsonArray rows;
    for (const GroceryItem& item : controller.myItems())
        rows.append(QJsonObject{
            {QStringLiteral("quantity"), item.quantity},
            {QStringLiteral("measurement"), item.measurement},
            {QStringLiteral("name"), item.name},
            {QStringLiteral("method"), item.method},
        });
    return rows;
}

// The rows of the consolidated list named so.
QList<int> consolidatedRowsNamed(const GroceryController& controller, const QString& name) {
    QList<int> rows;
    for (int row = 0; row < int(controller.consolidatedRows().size()); ++row)
        if (controller.consolidatedRows().at(row).name == name)
            rows.append(row);
    return rows;
}

int readCommand(GroceryController& controller, const CliOptions& options) {
    if (options.has(QStringLiteral("recipes"))) {
        CliSession::printJson(recipesJson(controller));
    } else if (options.has(QStringLiteral("html"))) {
        QTextStream out(stdout);
        out << controller.htmlString();
    } else if (options.has(QStringLiteral("pdf"))) {
        const QString path = options.value(QStringLiteral("pdf"));
        if (!checkPathArgument(path, QStringLiteral("--pdf")))
            return CliUsage;
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return usage(QStringLiteral("--pdf needs the graphical platform"));
        QString error;
        if (!writeGroceryPagePdf(controller.htmlString(), path, &error))
            return usage(QStringLiteral("cannot write %1: %2").arg(path, error));
        CliSession::printJson(QJsonObject{{QStringLiteral("pdf"), path}});
    } else {
        CliSession::printJson(consolidatedJson(controller));
    }
    return CliOK;
}

int needCommand(GroceryController& controller, const QStringList& args, bool off) {
    if (args.size() != 1)
        return usage(QStringLiteral("usage: grocery NAME need INGREDIENT_NAME [--off]"));
    const QList<int> rows = consolidatedRowsNamed(controller, args.first());
    if (rows.isEmpty())
        return usage(QStringLiteral("There is no ingredient named \"%1\" on the list.").arg(args.first()));
    for (int row : rows)
        controller.setNeeded(row, !off);
    CliSession::printJson(consolidatedJson(controller));
    return CliOK;
}

int excludeCommand(GroceryController& controller, const QStringList& args, bool off) {
    if (args.size() != 2)
        return usage(QStringLiteral("usage: grocery NAME exclude RECIPE_UNIQUEID ROW_INDEX [--off]"));
    bool numeric = false;
    const int index = args.at(1).toInt(&numeric);
    int titleRow = -1;
    const QList<GroceryRecipeRow>& rows = controller.recipeRows();
    for (int row = 0; row < int(rows.size()); ++row) {
        if (rows.at(row).isRecipeTitle &&
            rows.at(row).recipe.compare(args.first(), Qt::CaseInsensitive) == 0) {
            titleRow = row;
            break;
        }
    }
    if (titleRow < 0)
        return usage(
            QStringLiteral("There is no recipe with the uniqueID \"%1\" on the list.").arg(args.first()));
    // ROW_INDEX counts the recipe's ingredient rows from 0, as its ingredient list shows them.
    int count = 0;
    while (titleRow + 1 + count < int(rows.size()) && !rows.at(titleRow + 1 + count).isRecipeTitle)
        ++count;
    if (!numeric || index < 0 || index >= count)
        return usage(QStringLiteral("The recipe has no ingredient row %1.").arg(args.at(1)));
    controller.setExcluded({titleRow + 1 + index}, !off);
    CliSession::printJson(recipesJson(controller));
    return CliOK;
}

int itemCommand(GroceryController& controller, const QStringList& args) {
    if (args.size() == 2 && args.first() == QStringLiteral("add")) {
        if (controller.addItemsFromText(args.at(1)) == 0)
            return usage(QStringLiteral("The text holds no item."));
    } else if (args.size() == 2 && args.first() == QStringLiteral("delete")) {
        bool numeric = false;
        const int index = args.at(1).toInt(&numeric);
        if (!numeric || index < 0 || index >= int(controller.myItems().size()))
            return usage(QStringLiteral("There is no item %1.").arg(args.at(1)));
        controller.deleteItems({index});
    } else {
        return usage(QStringLiteral("usage: grocery NAME item add TEXT | grocery NAME item delete INDEX"));
    }
    CliSession::printJson(itemsJson(controller));
    return CliOK;
}

int aisleCommand(GroceryController& controller, const QStringList& args) {
    if (args.size() != 2)
        return usage(QStringLiteral("usage: grocery NAME aisle INGREDIENT_NAME CATEGORY_NAME|none"));
    const QList<int> rows = consolidatedRowsNamed(controller, args.first());
    if (rows.isEmpty())
        return usage(QStringLiteral("There is no ingredient named \"%1\" on the list.").arg(args.first()));
    const QString category = args.at(1) == QStringLiteral("none") ? QString() : args.at(1);
    if (!category.isEmpty() && !controller.categoryNames().contains(category))
        return usage(QStringLiteral("There is no grocery category named \"%1\".").arg(category));
    if (!controller.categories().matchesWritable())
        return usage(QStringLiteral("The grocery category files cannot be read; the aisle is not changed."));
    controller.setCategory(rows.first(), category);
    CliSession::printJson(consolidatedJson(controller));
    return CliOK;
}

int groceryCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("pdf")},
                         {QStringLiteral("recipes"), QStringLiteral("html"), QStringLiteral("off")}, &options,
                         &error))
        return usage(error);
    if (options.positional.isEmpty())
        return usage(QStringLiteral("usage: grocery ") + kSynopsis);
    const QString listName = options.positional.first();
    const QStringList rest = options.positional.mid(1);
    const bool reads = rest.isEmpty();
    const int outputs = int(options.has(QStringLiteral("recipes"))) +
                        int(options.has(QStringLiteral("html"))) + int(options.has(QStringLiteral("pdf")));
    if ((reads && (outputs > 1 || options.has(QStringLiteral("off")))) || (!reads && outputs > 0))
        return usage(QStringLiteral("usage: grocery ") + kSynopsis);
    const QString verb = reads ? QString() : rest.first();
    if (!reads && verb != QStringLiteral("need") && verb != QStringLiteral("exclude") &&
        verb != QStringLiteral("item") && verb != QStringLiteral("aisle"))
        return usage(QStringLiteral("unknown grocery command %1").arg(verb));
    if (options.has(QStringLiteral("off")) && verb != QStringLiteral("need") &&
        verb != QStringLiteral("exclude"))
        return usage(QStringLiteral("--off goes with need and exclude"));

    DefaultButtonAlerts alerts;
    LibrarySession* library = reads ? session.library(alerts) : session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    GroupsManagedObject* list = groceryListNamed(library->context(), listName);
    if (!list)
        return usage(QStringLiteral("There is no grocery list named \"%1\".").arg(listName));
    GroceryController controller(*library);
    controller.setGroceryList(list);

    if (reads)
        return readCommand(controller, options);
    const bool off = options.has(QStringLiteral("off"));
    const QStringList operands = rest.mid(1);
    int result = CliUsage;
    if (verb == QStringLiteral("need"))
        result = needCommand(controller, operands, off);
    else if (verb == QStringLiteral("exclude"))
        result = excludeCommand(controller, operands, off);
    else if (verb == QStringLiteral("item"))
        result = itemCommand(controller, operands);
    else
        result = aisleCommand(controller, operands);
    if (result == CliOK && library->context()->hasChanges())
        return CliNoLibrary; // the save failed; the reason is on stderr
    return result;
}

const CliCommandRegistration groceryRegistration(QStringLiteral("grocery"), kSynopsis, groceryCommand);

} // namespace
