#include "SmartMeasurementsController.h"

#include "library/LibrarySession.h"

#include "MeasurementRules.h"
#include "MeasurementsConverter.h"
#include "platform/Alerts.h"
#include "platform/ManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/Predicate.h"
#include "platform/PropertyList.h"
#include "platform/StructuredText.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kSmartMeasurements = QStringLiteral("SmartMeasurements");
const QString kMeasurementMatches = QStringLiteral("MeasurementMatches");
const QString kName = QStringLiteral("name");
const QString kRequired = QStringLiteral("required");
const QString kMatches = QStringLiteral("matches");
const QString kSmartMeasurement = QStringLiteral("smartMeasurement");

bool isRequired(const ManagedObject* record) {
    return record->valueForKey(kRequired).toBool();
}

} // namespace

SmartMeasurementsController::SmartMeasurementsController(LibrarySession* session, QObject* parent)
    : QObject(parent), m_session(LibrarySession::require(session, "SmartMeasurementsController")),
      m_context(m_session.context()), m_alerts(&m_session.alerts()) {}

bool SmartMeasurementsController::saveLibrary() {
    return m_session.save();
}

QList<ManagedObject*> SmartMeasurementsController::smartMeasurements() const {
    return m_context->executeFetchRequest(FetchRequest(kSmartMeasurements));
}

QList<ManagedObject*> SmartMeasurementsController::measurementMatches(ManagedObject* smartMeasurement) {
    return smartMeasurement ? smartMeasurement->relatedObjects(kMatches) : QList<ManagedObject*>();
}

ManagedObject* SmartMeasurementsController::addSmartMeasurement() {
    return m_context->insertNewObject(kSmartMeasurements);
}

ManagedObject* SmartMeasurementsController::addMeasurementMatch(ManagedObject* smartMeasurement) {
    if (!smartMeasurement)
        return nullptr;
    ManagedObject* match = m_context->insertNewObject(kMeasurementMatches);
    match->setRelatedObject(smartMeasurement, kSmartMeasurement);
    return match;
}

int SmartMeasurementsController::removeSmartMeasurements(const QList<ManagedObject*>& selected) {
    int removed = 0;
    for (ManagedObject* record : selected) {
        if (!record || record->isDeleted())
            continue;
        if (isRequired(record)) {
            m_alerts->ask(tr("The measurement “%1” is required to perform scaling operations and "
                             "can't be deleted.")
                              .arg(record->valueForKey(kName).toString()),
                          tr("Feel free to rename it though!"), {tr("OK")});
            continue;
        }
        m_context->deleteObject(record);
        ++removed;
    }
    return removed;
}

int SmartMeasurementsController::removeMeasurementMatches(const QList<ManagedObject*>& selected) {
    int removed = 0;
    for (ManagedObject* record : selected) {
        if (!record || record->isDeleted())
            continue;
        if (isRequired(record)) {
            m_alerts->ask(tr("The match “%1” is required to perform scaling operations and can't be edited "
                             "or deleted.")
                              .arg(record->valueForKey(kName).toString()),
                          QString(), {tr("OK")});
            continue;
        }
        m_context->deleteObject(record);
        ++removed;
    }
    return removed;
}

int SmartMeasurementsController::applySmartMeasurements() {
    const int answer = m_alerts->ask(tr("Are you sure you want to apply Smart Measurement rules?"),
                                     tr("This action can't be undone."), {tr("Yes"), tr("No")});
    if (answer != 0)
        return -1;

    const PredicateParseResult ownLibrary = Predicate::parse(QStringLiteral("platefeedPredicateKey == nil"));
    const QList<ManagedObject*> recipes =
        m_context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), ownLibrary.predicate));
    MeasurementsConverter converter(m_context);
    const QString kIngredients = QStringLiteral("ingredientsArray");
    const QString kQuantity = QStringLiteral("quantity");
    const QString kMeasurement = QStringLiteral("measurement");

    int rewritten = 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (ManagedObject* recipe : recipes) {
        const QString stored = recipe->valueForKey(kIngredients).toString();
        if (stored.isEmpty()) {
            // No ingredients: nothing to rewrite, but the recipe has been through the rules.
            recipe->setValueForKey(now, QStringLiteral("dateUpdated"));
            ++rewritten;
            continue;
        }
        // A recipe whose ingredient list cannot be read is left alone: writing an empty list
        // back would destroy text the user may still recover.
        const QVariant parsed = valueFromStructuredText(stored);
        if (parsed.typeId() != QMetaType::QVariantList)
            continue;
        QVariantList ingredients = parsed.toList();
        for (QVariant& entry : ingredients) {
            if (entry.typeId() != QMetaType::QVariantMap)
                continue;
            QVariantMap ingredient = entry.toMap();
            QString quantity;
            if (ingredient.contains(kQuantity)) {
                quantity = MeasurementsConverter::normalStringByConvertingGraphicalFractionsFromString(
                    ingredient.value(kQuantity).toString());
                ingredient.insert(kQuantity, quantity);
            }
            const QString measurement = converter.preferredMeasurementFromMeasurement(
                ingredient.value(kMeasurement).toString(), quantity);
            if (!measurement.isNull())
                ingredient.insert(kMeasurement, measurement);
            entry = ingredient;
        }
        recipe->setValueForKey(structuredTextFromValue(ingredients), kIngredients);
        recipe->setValueForKey(now, QStringLiteral("dateUpdated"));
        ++rewritten;
    }
    emit smartMeasurementsApplied();
    return rewritten;
}

QVariantList SmartMeasurementsController::smartMeasurementsPropertyList() const {
    QVariantList list;
    for (const ManagedObject* rule : smartMeasurements()) {
        QVariantList matches;
        for (const ManagedObject* match : rule->relatedObjects(kMatches)) {
            QVariantMap entry;
            entry.insert(kName, match->valueForKey(kName).toString());
            entry.insert(kRequired, isRequired(match));
            matches.append(entry);
        }
        QVariantMap entry;
        entry.insert(kName, rule->valueForKey(kName).toString());
        entry.insert(kMatches, matches);
        list.append(entry);
    }
    return list;
}

QString SmartMeasurementsController::desktopExportPath() {
    QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty())
        desktop = QDir::homePath() + QStringLiteral("/Desktop");
    return QDir(desktop).filePath(QStringLiteral("Smart Measurements.plist"));
}

bool SmartMeasurementsController::exportPlist(QString* error) const {
    return exportPlist(desktopExportPath(), error);
}

bool SmartMeasurementsController::exportPlist(const QString& path, QString* error) const {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = tr("cannot create the folder \"%1\"").arg(folder);
        return false;
    }
    return writePropertyListFile(smartMeasurementsPropertyList(), path, error);
}

bool SmartMeasurementsController::resetToDefaults(QString* error) {
    const QVariantList defaults = MeasurementRules::defaultSmartMeasurementList(error);
    if (defaults.isEmpty()) {
        if (error && error->isEmpty())
            *error = tr("the default measurement rules are empty");
        return false;
    }
    // A rule's matches go with it (the relationship cascades).
    for (ManagedObject* rule : smartMeasurements())
        m_context->deleteObject(rule);
    insertDefaultSmartMeasurements(m_context, defaults);
    return true;
}

int SmartMeasurementsController::insertDefaultSmartMeasurements(ObjectContext* context,
                                                                const QVariantList& defaultList) {
    int inserted = 0;
    for (const QVariant& entry : defaultList) {
        const QVariantMap dictionary = entry.toMap();
        ManagedObject* rule = context->insertNewObject(kSmartMeasurements);
        rule->setValueForKey(dictionary.value(kName).toString(), kName);
        rule->setValueForKey(true, kRequired);
        for (const QVariant& matchEntry : dictionary.value(kMatches).toList()) {
            const QVariantMap matchDictionary = matchEntry.toMap();
            ManagedObject* match = context->insertNewObject(kMeasurementMatches);
            match->setValueForKey(matchDictionary.value(kName).toString(), kName);
            match->setValueForKey(matchDictionary.value(kRequired).toBool(), kRequired);
            match->setRelatedObject(rule, kSmartMeasurement);
        }
        ++inserted;
    }
    return inserted;
}
