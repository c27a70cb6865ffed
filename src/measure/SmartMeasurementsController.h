#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>

class Alerts;
class LibrarySession;
class ManagedObject;
class ObjectContext;

// The operations on the measurement rules (SmartMeasurements records and their
// MeasurementMatches) behind the two tables of the preferences window: adding and removing
// rules and matches, applying the rules to every recipe of the user's own library,
// exporting them and resetting them to the defaults. Questions go through the session's
// alerts; nothing here saves the store unless asked (the caller decides when).
class SmartMeasurementsController : public QObject {
    Q_OBJECT
public:
    explicit SmartMeasurementsController(LibrarySession* session, QObject* parent = nullptr);

    LibrarySession& session() const { return m_session; }
    // Saves the library after the rules changed.
    bool saveLibrary();

    // Every rule in list order, and the matches of one rule.
    QList<ManagedObject*> smartMeasurements() const;
    static QList<ManagedObject*> measurementMatches(ManagedObject* smartMeasurement);

    // `add:` of the two tables: a new rule, or a new match of the given rule.
    ManagedObject* addSmartMeasurement();
    ManagedObject* addMeasurementMatch(ManagedObject* smartMeasurement);

    // `remove:` of the two tables. A required record is not removed: the user is told why.
    // Returns how many records were deleted.
    int removeSmartMeasurements(const QList<ManagedObject*>& selected);
    int removeMeasurementMatches(const QList<ManagedObject*>& selected);

    // `applySmartMeasurements:` after the user confirms: in every own-library recipe each
    // ingredient's quantity gets its graphical fractions typed out and its measurement is
    // rewritten in the preferred words; the recipe's dateUpdated becomes now. Returns the
    // number of recipes rewritten, or -1 when the user declined.
    int applySmartMeasurements();

    // `exportPlist:`: every rule with its matches, written atomically to
    // "Smart Measurements.plist" in the desktop folder (or to the given path).
    QVariantList smartMeasurementsPropertyList() const;
    static QString desktopExportPath();
    bool exportPlist(QString* error = nullptr) const;
    bool exportPlist(const QString& path, QString* error = nullptr) const;

    // `resetToDefaults:`: every rule is removed and the default list inserted again. When the
    // default list cannot be read nothing is changed and false is returned with the reason.
    bool resetToDefaults(QString* error = nullptr);

    // Inserts the rules of the default list (each rule required, matches as listed). Used by
    // the reset and when a library has no rules yet. Returns the number of rules inserted.
    static int insertDefaultSmartMeasurements(ObjectContext* context, const QVariantList& defaultList);

Q_SIGNALS:
    // The rules were applied: the recipe page on screen shows stale ingredients.
    void smartMeasurementsApplied();

private:
    LibrarySession& m_session;
    ObjectContext* m_context;
    Alerts* m_alerts;
};
