#include "MeasurementRules.h"

#include "platform/DataModel.h"
#include "platform/ManagedObject.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"

#include <QDebug>
#include <QFileInfo>

#include <bit>
#include <mutex>

namespace {

const QString& unitKey(int unitIndex, bool plural) {
    static const std::array<std::array<QString, 2>, MeasurementUnitCount> keys = [] {
        std::array<std::array<QString, 2>, MeasurementUnitCount> result;
        for (int i = 0; i < MeasurementUnitCount; ++i) {
            const MeasurementUnitInfo& info = measurementUnitInfo(static_cast<MeasurementUnit>(i));
            result[i][0] = QString::fromLatin1(info.singularKey);
            result[i][1] = QString::fromLatin1(info.pluralKey);
        }
        return result;
    }();
    return keys[unitIndex][plural ? 1 : 0];
}

// The unit key a match name is, as (unit index, plural), or (-1, false).
std::pair<int, bool> unitKeyOf(const QString& name) {
    static const TextMap<std::pair<int, bool>> byKey = [] {
        TextMap<std::pair<int, bool>> result;
        for (int i = 0; i < MeasurementUnitCount; ++i) {
            result.emplace(unitKey(i, false), std::pair<int, bool>{i, false});
            result.emplace(unitKey(i, true), std::pair<int, bool>{i, true});
        }
        return result;
    }();
    const auto found = byKey.find(name);
    return found == byKey.end() ? std::pair<int, bool>{-1, false} : found->second;
}

} // namespace

std::shared_ptr<const MeasurementRules> MeasurementRules::build(const Source& source) {
    auto rules = std::make_shared<MeasurementRules>();

    // Every match that carries a unit key makes all matches of its rule spellings of that
    // unit, and the rule's name the unit's display text for that key.
    for (const auto& [ruleIndex, matchName] : source.allMatches) {
        const auto [unit, plural] = unitKeyOf(matchName);
        if (unit < 0 || ruleIndex < 0 || ruleIndex >= source.rules.size())
            continue;
        const Rule& rule = source.rules.at(ruleIndex);
        for (const Match& match : rule.matches) {
            // An empty spelling can never be typed as a word; keeping it out also keeps an
            // empty measurement from ever being taken for a unit.
            if (match.name.isEmpty())
                continue;
            rules->m_spellings[unit].append(match.name);
            rules->m_unitsBySpelling[match.name] |= quint16(1u << unit);
        }
        (plural ? rules->m_plural : rules->m_singular)[unit] = rule.name;
    }

    // The user's own rules: later rules overwrite earlier ones, so the last match wins. A
    // rule without a name is an unfinished edit and rewrites nothing.
    for (const Rule& rule : source.rules) {
        if (rule.required || rule.name.isEmpty())
            continue;
        for (const Match& match : rule.matches) {
            if (!match.name.isEmpty())
                rules->m_userRules[match.name] = rule.name;
        }
    }
    return rules;
}

namespace {

// The last rules built from a context, kept as a child of the context so it lives and dies
// with it and is only touched on the context's own thread. Converters made one after
// another (one per pasted block, per scaling run, per grocery list) share it until the
// context reports a change.
class RulesCache : public QObject {
public:
    explicit RulesCache(QObject* parent) : QObject(parent) { setObjectName(name()); }
    static QString name() { return QStringLiteral("larkspoon-measurement-rules-cache"); }
    quint64 generation = 0;
    std::shared_ptr<const MeasurementRules> rules;
};

} // namespace

std::shared_ptr<const MeasurementRules> MeasurementRules::fromContext(ObjectContext* context) {
    if (!context)
        return defaults();
    auto* cache = static_cast<RulesCache*>(
        context->findChild<QObject*>(RulesCache::name(), Qt::FindDirectChildrenOnly));
    if (!cache)
        cache = new RulesCache(context);
    const quint64 generation = context->changeGeneration();
    if (!cache->rules || cache->generation != generation) {
        cache->rules = buildFromContext(context);
        cache->generation = generation;
    }
    return cache->rules;
}

std::shared_ptr<const MeasurementRules> MeasurementRules::buildFromContext(ObjectContext* context) {
    Source source;
    QHash<const ManagedObject*, int> ruleIndexes;
    const QList<ManagedObject*> ruleRecords =
        context->executeFetchRequest(FetchRequest(QStringLiteral("SmartMeasurements")));
    source.rules.reserve(ruleRecords.size());
    for (const ManagedObject* record : ruleRecords) {
        Rule rule;
        rule.name = record->valueForKey(QStringLiteral("name")).toString();
        rule.required = record->valueForKey(QStringLiteral("required")).toBool();
        const QList<ManagedObject*> matches = record->relatedObjects(QStringLiteral("matches"));
        rule.matches.reserve(matches.size());
        for (const ManagedObject* match : matches) {
            rule.matches.append({match->valueForKey(QStringLiteral("name")).toString(),
                                 match->valueForKey(QStringLiteral("required")).toBool()});
        }
        ruleIndexes.insert(record, int(source.rules.size()));
        source.rules.append(rule);
    }

    const QList<ManagedObject*> matchRecords =
        context->executeFetchRequest(FetchRequest(QStringLiteral("MeasurementMatches")));
    source.allMatches.reserve(matchRecords.size());
    for (const ManagedObject* match : matchRecords) {
        const ManagedObject* owner = match->relatedObject(QStringLiteral("smartMeasurement"));
        source.allMatches.append({owner ? ruleIndexes.value(owner, -1) : -1,
                                  match->valueForKey(QStringLiteral("name")).toString()});
    }
    return build(source);
}

std::shared_ptr<const MeasurementRules> MeasurementRules::fromPropertyList(const QVariant& list) {
    Source source;
    for (const QVariant& entry : list.toList()) {
        const QVariantMap dictionary = entry.toMap();
        Rule rule;
        rule.name = dictionary.value(QStringLiteral("name")).toString();
        rule.required = true;
        for (const QVariant& matchEntry : dictionary.value(QStringLiteral("matches")).toList()) {
            const QVariantMap matchDictionary = matchEntry.toMap();
            Match match{matchDictionary.value(QStringLiteral("name")).toString(),
                        matchDictionary.value(QStringLiteral("required")).toBool()};
            source.allMatches.append({int(source.rules.size()), match.name});
            rule.matches.append(match);
        }
        source.rules.append(rule);
    }
    return build(source);
}

QString MeasurementRules::defaultListPath() {
    return resourcesPath() + QStringLiteral("/Smart Measurements.plist");
}

QVariantList MeasurementRules::defaultSmartMeasurementList(QString* error) {
    const QString path = defaultListPath();
    if (!QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("the default measurement rules \"%1\" are missing").arg(path);
        return {};
    }
    const PropertyListResult result = readPropertyListFile(path);
    if (!result.ok() || result.value.typeId() != QMetaType::QVariantList) {
        if (error)
            *error = QStringLiteral("the default measurement rules \"%1\" cannot be read: %2")
                         .arg(path, result.ok() ? QStringLiteral("not an array") : result.error);
        return {};
    }
    return result.value.toList();
}

std::shared_ptr<const MeasurementRules> MeasurementRules::defaults() {
    static std::once_flag once;
    static std::shared_ptr<const MeasurementRules> rules;
    std::call_once(once, [] {
        QString error;
        const QVariantList list = defaultSmartMeasurementList(&error);
        if (!error.isEmpty())
            qWarning().noquote() << error;
        rules = fromPropertyList(list);
    });
    return rules;
}

namespace {

quint16 unitMask(const TextMap<quint16>& units, const QString& spelling) {
    const auto found = units.find(spelling);
    return found == units.end() ? 0 : found->second;
}

} // namespace

std::optional<MeasurementUnit> MeasurementRules::unitForPreferredLookup(const QString& spelling) const {
    const quint16 mask = unitMask(m_unitsBySpelling, spelling);
    if (!mask)
        return std::nullopt;
    return static_cast<MeasurementUnit>(std::countr_zero(unsigned(mask)));
}

std::optional<MeasurementUnit> MeasurementRules::unitForConversionLookup(const QString& spelling) const {
    const quint16 mask = unitMask(m_unitsBySpelling, spelling);
    if (!mask)
        return std::nullopt;
    for (MeasurementUnit unit : conversionLookupOrder()) {
        if (mask & (1u << index(unit)))
            return unit;
    }
    return std::nullopt;
}

const QString* MeasurementRules::userRuleReplacement(const QString& word) const {
    const auto found = m_userRules.find(word);
    return found == m_userRules.end() ? nullptr : &found->second;
}
