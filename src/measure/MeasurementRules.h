#pragma once

#include "MeasurementUnits.h"
#include "TextHash.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <memory>
#include <optional>

class ObjectContext;

// The measurement rules in the form the converter reads them: for each unit the spellings
// that mean it and its singular and plural display texts, plus the user's own rewrite rules.
// A snapshot is built in one go from the library's SmartMeasurements and MeasurementMatches
// records (or from the default list) and is immutable afterwards, so converters can share it.
class MeasurementRules {
public:
    struct Match {
        QString name;
        bool required = false;
    };
    struct Rule {
        QString name;
        bool required = false;
        QList<Match> matches; // the rule's own matches, in relationship order
    };
    struct Source {
        QList<Rule> rules;                     // in list order
        QList<QPair<int, QString>> allMatches; // every match: owning rule index (-1: none), name
    };

    static std::shared_ptr<const MeasurementRules> build(const Source& source);

    // The rules of an open library as they stand now (built again only when the context
    // changed since the last build). A null context gives the default rules.
    static std::shared_ptr<const MeasurementRules> fromContext(ObjectContext* context);
    static std::shared_ptr<const MeasurementRules> buildFromContext(ObjectContext* context);

    // The rules a library has right after its measurement rules were reset: every entry of
    // the default list is a required rule. Read from the resource once per process.
    static std::shared_ptr<const MeasurementRules> defaults();

    // A list in the format of the default list and of an export: an array of dictionaries
    // with "name" and "matches" (dictionaries with "name" and "required"). Every rule made
    // from it is required.
    static std::shared_ptr<const MeasurementRules> fromPropertyList(const QVariant& list);

    // The resource "Smart Measurements.plist" and its content (an empty list, with a message,
    // when the resource is missing or is not an array).
    static QString defaultListPath();
    static QVariantList defaultSmartMeasurementList(QString* error = nullptr);

    const QStringList& spellings(MeasurementUnit unit) const { return m_spellings[index(unit)]; }
    // The unit's display text, or a null text when no rule carries the unit's key.
    const QString& displayText(MeasurementUnit unit, bool plural) const {
        return plural ? m_plural[index(unit)] : m_singular[index(unit)];
    }

    // The first unit, in preferred-measurement order, that has this spelling.
    std::optional<MeasurementUnit> unitForPreferredLookup(const QString& spelling) const;
    // The first unit, in conversion order, that has this spelling.
    std::optional<MeasurementUnit> unitForConversionLookup(const QString& spelling) const;

    // The replacement the user's own (not required) rules give a word written exactly so,
    // or nullptr. When several rules match, the last one in list order wins.
    const QString* userRuleReplacement(const QString& word) const;
    bool hasUserRules() const { return !m_userRules.empty(); }

    // True when some unit has this spelling.
    bool isSpelling(const QString& text) const { return m_unitsBySpelling.count(text) != 0; }

private:
    static int index(MeasurementUnit unit) { return static_cast<int>(unit); }

    std::array<QStringList, MeasurementUnitCount> m_spellings;
    std::array<QString, MeasurementUnitCount> m_singular;
    std::array<QString, MeasurementUnitCount> m_plural;
    TextMap<quint16> m_unitsBySpelling; // bit i set: unit i has the spelling
    TextMap<QString> m_userRules;
};
