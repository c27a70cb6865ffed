// The weekly planner's commands: plan week, add, move, remove, note and dates.
#include "CliCommand.h"

#include "library/LibrarySession.h"
#include "planner/ControllerForWeeklyPlanerDateManagedObject.h"
#include "planner/WeeklyPlannerDates.h"
#include "planner/WeeklyPlannerRecords.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral(
    "usage: plan week [--offset N] | plan add UNIQUEID --day YYYY-MM-DD | "
    "plan move UNIQUEID --from YYYY-MM-DD --to YYYY-MM-DD [--copy] | plan remove UNIQUEID --day YYYY-MM-DD | "
    "plan note YYYY-MM-DD (TEXT | --delete) | plan dates");

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

// The full-day alert as the command's message: nothing was changed.
class RecordingAlerts final : public Alerts {
public:
    QString message;
    AlertResponse runModal(const AlertRequest& request) override {
        message = request.messageText;
        return {};
    }
};

std::optional<QDate> dayArgument(const QString& text) {
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (!day.isValid() || text.size() != 10) {
        CliSession::printError(QStringLiteral("not a date (YYYY-MM-DD): %1").arg(text));
        return std::nullopt;
    }
    return day;
}

QJsonObject dayJson(ControllerForWeeklyPlanerDateManagedObject& day) {
    QJsonArray recipes;
    for (const PlannedRecipe& recipe : day.validateItems(false))
        recipes.append(QJsonObject{{QStringLiteral("uniqueID"), recipe.uniqueID},
                                   {QStringLiteral("name"), recipe.name}});
    const QString note = day.note();
    return QJsonObject{{QStringLiteral("date"), day.date().toString(Qt::ISODate)},
                       {QStringLiteral("title"), plannerdates::dayTitle(day.date(), true)},
                       {QStringLiteral("note"), note.isNull() ? QJsonValue() : QJsonValue(note)},
                       {QStringLiteral("recipes"), recipes}};
}

int saved(LibrarySession* library) {
    return library->save() ? CliOK : CliNoLibrary;
}

int weekCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("offset")}, {}, &options, &error))
        return usage(error);
    if (!options.positional.isEmpty())
        return usage(kUsage);
    int offset = 0;
    if (options.has(QStringLiteral("offset"))) {
        bool ok = false;
        offset = options.value(QStringLiteral("offset")).toInt(&ok);
        // A week more than about 10,000 years away has no date.
        if (!ok || offset < -500000 || offset > 500000)
            return usage(QStringLiteral("--offset needs a whole number of weeks"));
    }
    DefaultButtonAlerts alerts;
    LibrarySession* library = session.library(alerts);
    if (!library)
        return CliNoLibrary;
    WeeklyPlannerRecords records(library->context());
    ControllerForWeeklyPlanerDateManagedObject day(&records);
    QJsonArray week;
    for (const QDate& date : plannerdates::weekDates(plannerdates::today(), offset)) {
        day.setDate(date);
        week.append(dayJson(day));
    }
    CliSession::printJson(week);
    return CliOK;
}

int datesCommand(CliSession& session, const QStringList& args) {
    if (!args.isEmpty())
        return usage(kUsage);
    DefaultButtonAlerts alerts;
    LibrarySession* library = session.library(alerts);
    if (!library)
        return CliNoLibrary;
    WeeklyPlannerRecords records(library->context());
    QJsonArray dates;
    for (const auto& [date, record] : records.plannedDates()) {
        const QVariant note = record->valueForKey(QStringLiteral("note"));
        dates.append(QJsonObject{
            {QStringLiteral("date"), date.toString(Qt::ISODate)},
            {QStringLiteral("note"), note.isNull() ? QJsonValue() : QJsonValue(note.toString())}});
    }
    CliSession::printJson(dates);
    return CliOK;
}

// add, move and remove: one recipe, one or two days.
int recipeCommand(CliSession& session, const QString& verb, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("day"), QStringLiteral("from"), QStringLiteral("to")},
                         {QStringLiteral("copy")}, &options, &error))
        return usage(error);
    const bool isMove = verb == QLatin1String("move");
    const QStringList dayOptions = isMove ? QStringList{QStringLiteral("from"), QStringLiteral("to")}
                                          : QStringList{QStringLiteral("day")};
    if (options.positional.size() != 1 || (!isMove && options.has(QStringLiteral("copy"))))
        return usage(kUsage);
    QList<QDate> days;
    for (const QString& name : dayOptions) {
        if (!options.has(name))
            return usage(kUsage);
        const std::optional<QDate> day = dayArgument(options.value(name));
        if (!day)
            return CliUsage;
        days.append(*day);
    }
    if (isMove && days.at(0) == days.at(1))
        return usage(QStringLiteral("--from and --to name the same day"));
    const QString uniqueID = options.positional.first();

    RecordingAlerts alerts;
    LibrarySession* library = session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    WeeklyPlannerRecords records(library->context());
    if (!records.recipeWithUniqueID(uniqueID))
        return usage(QStringLiteral("There is no recipe with the uniqueID \"%1\".").arg(uniqueID));
    ControllerForWeeklyPlanerDateManagedObject first(&records);
    first.setDate(days.at(0));
    auto holds = [&uniqueID](ControllerForWeeklyPlanerDateManagedObject& day) {
        for (const PlannedRecipe& recipe : day.validateItems(false))
            if (recipe.uniqueID == uniqueID)
                return true;
        return false;
    };

    if (verb == QLatin1String("add")) {
        const auto result = first.dropRecipes({uniqueID}, -1, &alerts);
        if (result.dayFull)
            return usage(alerts.message);
        const int exit = result.inserted > 0 ? saved(library) : CliOK;
        if (exit == CliOK)
            CliSession::printJson(dayJson(first));
        return exit;
    }
    if (!holds(first))
        return usage(QStringLiteral("The recipe \"%1\" is not planned on %2.")
                         .arg(uniqueID, days.at(0).toString(Qt::ISODate)));
    if (verb == QLatin1String("remove")) {
        first.removeRecipes({uniqueID});
        const int exit = saved(library);
        if (exit == CliOK)
            CliSession::printJson(dayJson(first));
        return exit;
    }
    ControllerForWeeklyPlanerDateManagedObject second(&records);
    second.setDate(days.at(1));
    const auto result = second.dropRecipes({uniqueID}, -1, &alerts);
    if (result.dayFull)
        return usage(alerts.message);
    if (!options.has(QStringLiteral("copy")))
        first.removeRecipes({uniqueID});
    const int exit = saved(library);
    if (exit == CliOK)
        CliSession::printJson(
            QJsonObject{{QStringLiteral("from"), dayJson(first)}, {QStringLiteral("to"), dayJson(second)}});
    return exit;
}

int noteCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {}, {QStringLiteral("delete")}, &options, &error))
        return usage(error);
    const bool remove = options.has(QStringLiteral("delete"));
    if (options.positional.size() != (remove ? 1 : 2))
        return usage(kUsage);
    const std::optional<QDate> date = dayArgument(options.positional.first());
    if (!date)
        return CliUsage;
    DefaultButtonAlerts alerts;
    LibrarySession* library = session.writableLibrary(alerts);
    if (!library)
        return CliNoLibrary;
    WeeklyPlannerRecords records(library->context());
    ControllerForWeeklyPlanerDateManagedObject day(&records);
    day.setDate(*date);
    if (remove)
        day.deleteNote();
    else
        day.setNote(options.positional.at(1));
    const int exit = saved(library);
    if (exit == CliOK)
        CliSession::printJson(dayJson(day));
    return exit;
}

int planCommand(CliSession& session, const QStringList& args) {
    if (args.isEmpty())
        return usage(kUsage);
    const QString verb = args.first();
    const QStringList rest = args.mid(1);
    if (verb == QLatin1String("week"))
        return weekCommand(session, rest);
    if (verb == QLatin1String("dates"))
        return datesCommand(session, rest);
    if (verb == QLatin1String("add") || verb == QLatin1String("move") || verb == QLatin1String("remove"))
        return recipeCommand(session, verb, rest);
    if (verb == QLatin1String("note"))
        return noteCommand(session, rest);
    return usage(kUsage);
}

const CliCommandRegistration planRegistration(QStringLiteral("plan"),
                                              QStringLiteral("week|add|move|remove|note|dates ..."),
                                              planCommand);

} // namespace
