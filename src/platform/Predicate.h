#pragma once

#include "KeyValueSource.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>

// Record filters written as text, as the record store, the search field and smart groups
// use them:
//
//   name CONTAINS[c] "soup" AND (rating > 3 OR hasBeenPrepared == YES)
//   uniqueID IN[c] %@            ANY keywordsArray ==[cd] $value        NOT notes LIKE "*egg?"
//
// A filter is an immutable tree. It evaluates against any KeyValueSource, prints back to a
// canonical text (format()) that parses to an equal tree, and is safe to evaluate from
// several threads at once.
//
// Comparison rules: texts compare with texts (by code point; folded with foldedText() under
// [c] and [cd]; [d] alone removes diacritics only), numbers with numbers (booleans count as
// 0 and 1), dates with dates, lists element by element. A text never equals a number, and
// ordering across kinds is false. nil and an absent value are the same: `key == nil` holds
// for an absent key, `key != nil` does not, and every ordering or text operator with nil is
// false. An empty pattern never matches CONTAINS, BEGINSWITH, ENDSWITH or IN-on-text.
class Predicate;
using PredicatePtr = std::shared_ptr<const Predicate>;

struct PredicateParseResult {
    PredicatePtr predicate;
    QString error;          // what went wrong and where, for the log or the user
    int errorPosition = -1; // index into the filter text (UTF-16 units), -1 when ok
    bool ok() const { return predicate != nullptr; }
};

namespace predicate_detail {
struct Comparison;
class Parser;
} // namespace predicate_detail

class Predicate : public std::enable_shared_from_this<Predicate> {
    struct ConstructionKey {
        explicit ConstructionKey() = default;
    };

public:
    enum class Kind { True, False, And, Or, Not, Comparison };

    // Nesting deeper than this (parentheses, NOT, lists) is refused by the parser.
    static constexpr int MaximumNesting = 200;

    // Parses filter text. %@ takes the next argument as a value (QString, number, bool, date,
    // null QVariant = nil, QVariantList/QStringList = a list literal); %K takes the next
    // argument as a key name (a text; dots separate the steps of a key path).
    static PredicateParseResult parse(const QString& format, const QVariantList& arguments = {});

    // Compound filters. Null entries are skipped; no entries give TRUEPREDICATE for AND and
    // FALSEPREDICATE for OR; a single entry is returned as it is; nested compounds of the
    // same kind are merged, so a(b(c, d)) and a(c, d) are the same tree.
    static PredicatePtr andPredicate(const QList<PredicatePtr>& subpredicates);
    static PredicatePtr orPredicate(const QList<PredicatePtr>& subpredicates);
    static PredicatePtr notPredicate(const PredicatePtr& subpredicate); // null: FALSEPREDICATE
    static PredicatePtr truePredicate();
    static PredicatePtr falsePredicate();

    // variables: values for $name variables still in the tree (an unbound variable is nil).
    bool evaluate(const KeyValueSource& object, const QVariantMap& variables = {}) const;

    // Canonical text; parse(format()) gives a tree equal to this one (isEqual).
    QString format() const;

    // A copy with each $name found in variables replaced by that value; other variables stay.
    PredicatePtr substitutingVariables(const QVariantMap& variables) const;

    // The record keys the filter reads (first step of every key path), in order of first use.
    QStringList keysUsed() const;

    // Every key path the filter reads, each as its steps ("parent.name" is {"parent",
    // "name"}), in order of first use. SELF, variables and constants are not key paths.
    QList<QStringList> keyPathsUsed() const;

    // The key paths read as one value: all of keyPathsUsed() but the collection side of a
    // comparison, which is the left side of ANY, ALL or NONE and the right side of IN. A
    // to-many relationship on such a path reads a collection where one value is compared.
    QList<QStringList> keyPathsReadAsOneValue() const;

    // Names of the $variables left in the tree, in order of first use.
    QStringList variablesUsed() const;

    // The shared copy of a key name. Filters hand their keys to valueForKey() and
    // foldedTextForKey() in this form, so a source that keeps its own key names interned can
    // recognise a key by its data pointer (key.constData()) before comparing or hashing text.
    static QString internedKey(const QString& key);

    Kind kind() const { return m_kind; }
    const QList<PredicatePtr>& subpredicates() const { return m_subpredicates; }
    // The comparison of a Comparison node (PredicatePrivate.h), null for other kinds; for
    // code of the record store that looks at a filter's shape (TextSearchIndex).
    const predicate_detail::Comparison* comparisonNode() const { return m_comparison.get(); }

    // Structural equality: same operators, modifiers, keys, variables and constants.
    bool isEqual(const Predicate& other) const;

    // Internal: use the factories above.
    Predicate(ConstructionKey, Kind kind);
    ~Predicate();
    Predicate(const Predicate&) = delete;
    Predicate& operator=(const Predicate&) = delete;

private:
    friend class predicate_detail::Parser;
    static PredicatePtr compound(Kind kind, const QList<PredicatePtr>& subpredicates);
    static PredicatePtr comparison(predicate_detail::Comparison&& comparison);
    void formatInto(QString& out) const;
    QStringList namesUsed(int expressionKind) const;

    Kind m_kind;
    QList<PredicatePtr> m_subpredicates;
    std::unique_ptr<const predicate_detail::Comparison> m_comparison;
};
