#pragma once

// A real library store in a temporary folder, with helpers to add measurement rules and
// recipes the way the application stores them.
#include "library/CoreDataController.h"
#include "library/LibrarySession.h"
#include "measure/MeasurementRules.h"
#include "measure/SmartMeasurementsController.h"
#include "platform/DataModel.h"
#include "platform/ManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <memory>

class MeasureTestLibrary {
public:
    MeasureTestLibrary() {
        static const DataModel model = *DataModel::loadResource(QStringLiteral("Larkspoon!_v2.3.mom"));
        QString error;
        m_context = ObjectContext::open(storePath(), model, &error);
        EXPECT_TRUE(m_context) << error.toStdString();
    }

    QString path() const { return m_dir.path(); }
    QString storePath() const { return QDir(m_dir.path()).filePath(QStringLiteral("Library Database.SQL")); }
    ObjectContext* context() const { return m_store ? m_store->managedObjectContext() : m_context.get(); }

    // The library as the application's controllers see it, with alerts (made on first call;
    // the store then belongs to it).
    LibrarySession* session(Alerts& alerts) {
        if (!m_session) {
            m_store = std::make_unique<CoreDataController>(path(), std::move(m_context), &alerts);
            m_session = std::make_unique<LibrarySession>(*m_store, alerts);
        }
        return m_session.get();
    }

    void insertDefaultRules() {
        SmartMeasurementsController::insertDefaultSmartMeasurements(
            context(), MeasurementRules::defaultSmartMeasurementList());
    }

    // A rule with its matches; requiredMatch (if any) is marked required.
    ManagedObject* addRule(const QString& name, bool required, const QStringList& matches,
                           const QString& requiredMatch = QString()) {
        ManagedObject* rule = context()->insertNewObject(QStringLiteral("SmartMeasurements"));
        rule->setValueForKey(name, QStringLiteral("name"));
        rule->setValueForKey(required, QStringLiteral("required"));
        for (const QString& matchName : matches)
            addMatch(rule, matchName, matchName == requiredMatch);
        return rule;
    }

    ManagedObject* addMatch(ManagedObject* rule, const QString& name, bool required = false) {
        ManagedObject* match = context()->insertNewObject(QStringLiteral("MeasurementMatches"));
        match->setValueForKey(name, QStringLiteral("name"));
        match->setValueForKey(required, QStringLiteral("required"));
        match->setRelatedObject(rule, QStringLiteral("smartMeasurement"));
        return match;
    }

    ManagedObject* findRule(const QString& name) const {
        for (ManagedObject* rule :
             context()->executeFetchRequest(FetchRequest(QStringLiteral("SmartMeasurements"))))
            if (rule->valueForKey(QStringLiteral("name")).toString() == name)
                return rule;
        return nullptr;
    }

    ManagedObject* addRecipe(const QString& name, const QVariantList& ingredients,
                             const QString& platefeedKey = QString()) {
        ManagedObject* recipe = context()->insertNewObject(QStringLiteral("Recipes"));
        recipe->setValueForKey(name, QStringLiteral("name"));
        recipe->setValueForKey(structuredTextFromValue(ingredients), QStringLiteral("ingredientsArray"));
        if (!platefeedKey.isEmpty())
            recipe->setValueForKey(platefeedKey, QStringLiteral("platefeedPredicateKey"));
        return recipe;
    }

    static QVariantList ingredientsOf(const ManagedObject* recipe) {
        return valueFromStructuredText(recipe->valueForKey(QStringLiteral("ingredientsArray")).toString())
            .toList();
    }

    static QVariantMap ingredient(const QString& quantity, const QString& measurement,
                                  const QString& name = QString()) {
        return {{QStringLiteral("quantity"), quantity},
                {QStringLiteral("measurement"), measurement},
                {QStringLiteral("name"), name}};
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ObjectContext> m_context;
    std::unique_ptr<CoreDataController> m_store;
    std::unique_ptr<LibrarySession> m_session; // goes before the store
};
