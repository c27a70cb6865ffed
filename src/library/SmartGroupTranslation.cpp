#include "SmartGroupTranslation.h"

#include <QDebug>

namespace {

// A name as a quoted filter constant: backslashes and quotes escaped, so any group name
// reads back as itself.
QString quotedConstant(QString text) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A recipe is groupless when no group's name occurs anywhere in its keywords text.
QString grouplessCondition(const QStringList& groupNames) {
    if (groupNames.isEmpty())
        return QStringLiteral("TRUEPREDICATE");
    QStringList terms;
    for (const QString& name : groupNames)
        terms.append(QStringLiteral("(NOT keywords CONTAINS[c] %1)").arg(quotedConstant(name)));
    // Parenthesised, so a NOT or OR around the rule applies to the whole condition.
    return QLatin1Char('(') + terms.join(QLatin1String(" and ")) + QLatin1Char(')');
}

struct Replacement {
    QString from;
    QString to;
};

const QList<Replacement>& fixedReplacements() {
    static const QList<Replacement> table = [] {
        QList<Replacement> rows;
        const auto ranged = [&rows](const char* word, const char* key, int highest) {
            for (const char* op : {"==", "<", ">"})
                for (int value = 1; value <= highest; ++value)
                    rows.append(
                        {QStringLiteral("\"%1\" %2 \"%3\"")
                             .arg(QLatin1String(word), QLatin1String(op))
                             .arg(value),
                         QStringLiteral("%1 %2 %3").arg(QLatin1String(key), QLatin1String(op)).arg(value)});
        };
        ranged("Rating", "rating", 5);
        ranged("Difficulty", "difficulty", 3);
        rows += QList<Replacement>{
            {QStringLiteral("\"Has Image\" == \"Yes\""), QStringLiteral("hasFirstImage == YES")},
            {QStringLiteral("\"Has Image\" == \"No\""), QStringLiteral("hasFirstImage == NO")},
            {QStringLiteral("\"Has Been Prepared\" == \"Yes\""), QStringLiteral("hasBeenPrepared == yes")},
            // Parenthesised: joined to other rows by AND, the bare OR would swallow them.
            {QStringLiteral("\"Has Been Prepared\" == \"No\""),
             QStringLiteral("((hasBeenPrepared == nil) or (hasBeenPrepared == no))")},
            {QStringLiteral("\"Name\""), QStringLiteral("name")},
            {QStringLiteral("\"Title\""), QStringLiteral("name")},
            {QStringLiteral("\"Description\""), QStringLiteral("recipeDescription")},
            {QStringLiteral("\"Ingredients\" !=[c] "), QStringLiteral("NOT ingredientsArray CONTAINS[c] ")},
            {QStringLiteral("\"Ingredients\""), QStringLiteral("ingredientsArray")},
            {QStringLiteral("\"Directions\" !=[c] "), QStringLiteral("NOT directions CONTAINS[c] ")},
            {QStringLiteral("\"Directions\""), QStringLiteral("directions")},
            {QStringLiteral("\"Attribution\""), QStringLiteral("attribution")},
            {QStringLiteral("\"Cuisine\""), QStringLiteral("cuisine")},
            {QStringLiteral("\"Yield\""), QStringLiteral("yield")},
            {QStringLiteral("\"Import Address\""), QStringLiteral("importedFromURL")},
            {QStringLiteral("\"Keywords\" !=[c] "), QStringLiteral("NOT keywords CONTAINS[c] ")},
            {QStringLiteral("\"Keywords\""), QStringLiteral("keywords")},
            {QStringLiteral("\"Notes\""), QStringLiteral("notes")},
            {QStringLiteral("\"Private Notes\""), QStringLiteral("privateNotes")},
        };
        return rows;
    }();
    return table;
}

} // namespace

QString translatedSmartGroupRules(const QString& rules, const QStringList& groupNames) {
    QString text = rules;
    for (const Replacement& row : fixedReplacements())
        text.replace(row.from, row.to);
    const QString groupless = QStringLiteral("\"Groupless\" == \"Yes\"");
    if (text.contains(groupless))
        text.replace(groupless, grouplessCondition(groupNames));
    return text;
}

PredicatePtr recipeFilterFromSmartGroupRules(const QString& rules, const QStringList& groupNames,
                                             QString* error) {
    const PredicateParseResult parsed = Predicate::parse(translatedSmartGroupRules(rules, groupNames));
    if (!parsed.ok()) {
        qWarning().noquote() << "smart group rule could not be read:" << parsed.error;
        if (error)
            *error = parsed.error;
        return Predicate::falsePredicate();
    }
    return parsed.predicate;
}
