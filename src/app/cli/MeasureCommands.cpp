// The measurement commands: parse-ingredients, quantity, convert, scale and rules.
#include "CliCommand.h"

#include "library/IngredientsTableModel.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "library/RecipesManagedObject.h"
#include "measure/IngredientsSorter.h"
#include "measure/MeasurementsConverter.h"
#include "measure/RecipeScaler.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

// True when the session's library folder holds a store; commands that can work without a
// library then use its measurement rules, otherwise the default rules.
bool libraryExists(const CliSession& session) {
    return QFileInfo(session.libraryPath()).isDir() &&
           QFileInfo::exists(libraryStorePath(session.libraryPath()));
}

// The number written as the shortest text that reads back as the same float.
QJsonValue jsonNumber(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QJsonValue(QByteArray(buffer, int(result.ptr - buffer)).toDouble());
}

bool parseFloatArgument(const QString& text, float* value) {
    bool ok = false;
    *value = QLocale::c().toFloat(text.trimmed(), &ok);
    return ok;
}

int parseIngredientsCommand(CliSession& session, const QStringList& args) {
    if (!args.isEmpty())
        return usage(QStringLiteral("usage: parse-ingredients < TEXT"));
    ObjectContext* context = nullptr;
    QString libraryPath;
    if (libraryExists(session)) {
        context = session.context();
        if (!context)
            return CliNoLibrary;
        libraryPath = session.libraryPath();
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return usage(QStringLiteral("cannot read the standard input"));
    const QString text = QString::fromUtf8(input.readAll());
    QJsonArray records;
    for (const QVariant& record : IngredientsSorter(context, libraryPath).sortedIngredientsFromString(text))
        records.append(ingredientJson(record.toMap()));
    CliSession::printJson(records);
    return CliOK;
}

int quantityCommand(CliSession&, const QStringList& args) {
    const QString synopsis =
        QStringLiteral("usage: quantity scale TEXT FACTOR | quantity fraction NUMBER | quantity value TEXT");
    if (args.isEmpty())
        return usage(synopsis);
    const QString operation = args.first();
    if (operation == QLatin1String("scale") && args.size() == 3) {
        float factor = 0;
        if (!parseFloatArgument(args.at(2), &factor))
            return usage(QStringLiteral("not a number: %1").arg(args.at(2)));
        CliSession::printJson(MeasurementsConverter::scaledStringFromString(args.at(1), factor));
        return CliOK;
    }
    if (operation == QLatin1String("fraction") && args.size() == 2) {
        float value = 0;
        if (!parseFloatArgument(args.at(1), &value))
            return usage(QStringLiteral("not a number: %1").arg(args.at(1)));
        CliSession::printJson(MeasurementsConverter::typedFractionFromFloat(value));
        return CliOK;
    }
    if (operation == QLatin1String("value") && args.size() == 2) {
        CliSession::printJson(jsonNumber(MeasurementsConverter::floatFromTypedFraction(args.at(1))));
        return CliOK;
    }
    return usage(synopsis);
}

int convertCommand(CliSession& session, const QStringList& args) {
    const QString synopsis = QStringLiteral(
        "usage: convert lowest|nearest QUANTITY MEASUREMENT | convert preferred MEASUREMENT QUANTITY");
    if (args.size() != 3)
        return usage(synopsis);
    const QString operation = args.first();
    if (operation != QLatin1String("lowest") && operation != QLatin1String("nearest") &&
        operation != QLatin1String("preferred"))
        return usage(synopsis);
    ObjectContext* context = nullptr;
    if (libraryExists(session)) {
        context = session.context();
        if (!context)
            return CliNoLibrary;
    }
    MeasurementsConverter converter(context);
    if (operation == QLatin1String("preferred")) {
        const QString preferred = converter.preferredMeasurementFromMeasurement(args.at(1), args.at(2));
        CliSession::printJson(preferred.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(preferred));
        return CliOK;
    }
    QVariantMap record{{QStringLiteral("quantity"), args.at(1)}, {QStringLiteral("measurement"), args.at(2)}};
    if (operation == QLatin1String("lowest"))
        converter.ingredientDictionaryAfterConvertingMeasurementsToLowestCompatibleQuantitiesFromDictionary(
            record);
    else
        converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
            record);
    CliSession::printJson(
        QJsonObject{{QStringLiteral("quantity"), record.value(QStringLiteral("quantity")).toString()},
                    {QStringLiteral("measurement"), record.value(QStringLiteral("measurement")).toString()}});
    return CliOK;
}

// A new recipe holding the editor's form of the original: its fields, its pictures, and the
// scaled title, yield and ingredients.
ManagedObject* duplicateForScaling(ObjectContext* context, const ManagedObject* original,
                                   const RecipeScaler& scaler, const QVariantList& rows) {
    ManagedObject* duplicate = context->insertNewObject(QStringLiteral("Recipes"));
    const QStringList textFields = {
        QStringLiteral("keywords"), QStringLiteral("recipeDescription"), QStringLiteral("attribution"),
        QStringLiteral("prepTime"), QStringLiteral("cookingTime"),       QStringLiteral("inactivePrepTime"),
        QStringLiteral("cuisine"),  QStringLiteral("importedFromURL"),   QStringLiteral("directions"),
        QStringLiteral("notes"),    QStringLiteral("privateNotes")};
    for (const QString& key : textFields)
        duplicate->setValueForKey(original->valueForKey(key), key);
    duplicate->setValueForKey(original->valueForKey(QStringLiteral("hasBeenPrepared")).toBool() ? 1 : 0,
                              QStringLiteral("hasBeenPrepared"));
    duplicate->setValueForKey(original->valueForKey(QStringLiteral("rating")).toInt(),
                              QStringLiteral("rating"));
    duplicate->setValueForKey(original->valueForKey(QStringLiteral("difficulty")).toInt(),
                              QStringLiteral("difficulty"));
    duplicate->setValueForKey(scaler.titleText(), QStringLiteral("name"));
    duplicate->setValueForKey(scaler.yieldText(), QStringLiteral("yield"));
    duplicate->setValueForKey(structuredTextFromValue(rows), QStringLiteral("ingredientsArray"));
    duplicate->setValueForKey(QDateTime::currentDateTimeUtc(), QStringLiteral("dateUpdated"));
    duplicate->setValueForKey(false, QStringLiteral("isNewRecipe"));

    // The pictures come along, as the image wells hand them to the new recipe.
    const auto* from = dynamic_cast<const RecipesManagedObject*>(original);
    const auto* to = dynamic_cast<const RecipesManagedObject*>(duplicate);
    if (from && to) {
        for (int index = 1; index <= 12; ++index) {
            const QString target = to->imagePathAtIndex(index);
            if (!from->hasImageAtIndex(index) || target.isEmpty())
                continue;
            QDir().mkpath(QFileInfo(target).absolutePath());
            if (!QFile::copy(from->imagePathAtIndex(index), target))
                qWarning("could not copy picture %d of the scaled recipe", index);
        }
    }
    return duplicate;
}

int scaleCommand(CliSession& session, const QStringList& args) {
    const QString synopsis = QStringLiteral("usage: scale UNIQUEID --yield N");
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("yield")}, {}, &options, &error))
        return usage(error + QLatin1Char('\n') + synopsis);
    if (options.positional.size() != 1 || !options.has(QStringLiteral("yield")))
        return usage(synopsis);
    ObjectContext* context = session.writableContext();
    if (!context)
        return CliNoLibrary;

    const PredicateParseResult filter =
        Predicate::parse(QStringLiteral("uniqueID == %@"), {options.positional.first()});
    const QList<ManagedObject*> found =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), filter.predicate));
    if (found.isEmpty())
        return usage(QStringLiteral("no recipe with the uniqueID %1").arg(options.positional.first()));
    const ManagedObject* original = found.first();

    RecipeScaler scaler(context);
    scaler.setTitleText(original->valueForKey(QStringLiteral("name")).toString());
    scaler.setYieldText(original->valueForKey(QStringLiteral("yield")).toString());
    scaler.setContextArray(
        valueFromStructuredText(original->valueForKey(QStringLiteral("ingredientsArray")).toString())
            .toList());
    scaler.continueScalingFromWelcomeView();
    if (scaler.currentYieldText().isEmpty())
        return usage(
            QStringLiteral("the recipe's yield \"%1\" does not begin with a number").arg(scaler.yieldText()));
    scaler.setDesiredYieldText(options.value(QStringLiteral("yield")));
    if (!scaler.calculateIngredients())
        return usage(QStringLiteral("enter the yield to scale to as a number above 0"));

    MeasurementsConverter converter(context);
    ManagedObject* duplicate = duplicateForScaling(
        context, original, scaler, IngredientsTableModel::rowsAsSaved(scaler.contextArray(), converter));
    if (!context->save(&error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    QJsonArray failed;
    for (int row : scaler.failedRows())
        failed.append(row);
    CliSession::printJson(QJsonObject{
        {QStringLiteral("uniqueID"), duplicate->valueForKey(QStringLiteral("uniqueID")).toString()},
        {QStringLiteral("name"), scaler.titleText()},
        {QStringLiteral("yield"), scaler.yieldText()},
        {QStringLiteral("failed"), failed}});
    return CliOK;
}

int rulesCommand(CliSession& session, const QStringList& args) {
    const QString synopsis = QStringLiteral("usage: rules export [PATH] | rules reset | rules apply");
    if (args.isEmpty())
        return usage(synopsis);
    const QString operation = args.first();
    const bool isExport = operation == QLatin1String("export") && args.size() <= 2;
    if (!isExport &&
        !((operation == QLatin1String("reset") || operation == QLatin1String("apply")) && args.size() == 1))
        return usage(synopsis);
    // Only a missing PATH means the desktop; an empty one is refused.
    if (isExport && args.size() == 2 && !checkPathArgument(args.at(1), QStringLiteral("rules export PATH")))
        return CliUsage;
    // The command line asks nothing: every question gets its default (first) button.
    DefaultButtonAlerts alerts;
    LibrarySession* library = isExport ? session.library(alerts) : session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    ObjectContext* context = library->context();
    SmartMeasurementsController controller(library);
    QString error;
    if (isExport) {
        const QString path = args.size() == 2 ? QFileInfo(args.at(1)).absoluteFilePath()
                                              : SmartMeasurementsController::desktopExportPath();
        if (!controller.exportPlist(path, &error)) {
            CliSession::printError(error);
            return CliNoLibrary;
        }
        CliSession::printJson(
            QJsonObject{{QStringLiteral("path"), path},
                        {QStringLiteral("smartMeasurements"), int(controller.smartMeasurements().size())}});
        return CliOK;
    }
    QJsonObject result;
    if (operation == QLatin1String("reset")) {
        if (!controller.resetToDefaults(&error)) {
            CliSession::printError(error);
            return CliNoLibrary;
        }
        result.insert(QStringLiteral("smartMeasurements"), int(controller.smartMeasurements().size()));
    } else {
        result.insert(QStringLiteral("recipes"), controller.applySmartMeasurements());
    }
    if (!context->save(&error)) {
        CliSession::printError(error);
        return CliNoLibrary;
    }
    CliSession::printJson(result);
    return CliOK;
}

const CliCommandRegistration parseIngredientsRegistration(QStringLiteral("parse-ingredients"),
                                                          QStringLiteral("< TEXT"), parseIngredientsCommand);
const CliCommandRegistration
    quantityRegistration(QStringLiteral("quantity"),
                         QStringLiteral("scale TEXT FACTOR | fraction NUMBER | value TEXT"), quantityCommand);
const CliCommandRegistration convertRegistration(
    QStringLiteral("convert"),
    QStringLiteral("lowest|nearest QUANTITY MEASUREMENT | preferred MEASUREMENT QUANTITY"), convertCommand);
const CliCommandRegistration scaleRegistration(QStringLiteral("scale"), QStringLiteral("UNIQUEID --yield N"),
                                               scaleCommand);
const CliCommandRegistration rulesRegistration(QStringLiteral("rules"),
                                               QStringLiteral("export [PATH] | reset | apply"), rulesCommand);

} // namespace
