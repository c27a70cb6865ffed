#pragma once

// The inner parts of Predicate, shared by its parser, printer and evaluator.

#include "Predicate.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringView>

#include <array>
#include <optional>

namespace predicate_detail {

enum class Operator {
    Equal,
    NotEqual,
    Less,
    LessOrEqual,
    Greater,
    GreaterOrEqual,
    Contains,
    BeginsWith,
    EndsWith,
    Like,
    Matches,
    In,
    Between,
};

enum class Quantifier { Single, Any, All, None };

enum ModifierFlag { CaseInsensitive = 0x1, DiacriticInsensitive = 0x2 };

// Finds a fixed pattern in texts. With SSE2 it tests eight positions at a time for the
// pattern's first and last unit and compares the rest only there; elsewhere it is
// Boyer-Moore-Horspool with a skip table indexed by the low byte of each UTF-16 unit.
// Built once per filter and shared by every evaluation.
class SubstringSearcher {
public:
    explicit SubstringSearcher(const QString& pattern);
    qsizetype indexIn(QStringView text) const;
    // Whether the pattern (a folded text) is in the folded form of a text that folds like
    // ASCII (foldsLikeAscii), found in the text itself by ignoring ASCII case.
    bool isInAsciiIgnoringCase(QStringView asciiText) const;

private:
    QString m_pattern;
    std::array<qsizetype, 256> m_skip{};
};

// One side of a comparison.
struct Expression {
    enum class Kind { Constant, KeyPath, Self, Variable, Aggregate };
    Kind kind = Kind::Constant;
    QVariant constant;          // Constant: a normalised value (see normalizedValue)
    QStringList path;           // KeyPath: its steps, never empty
    QString variable;           // Variable: the name without "$"
    QList<Expression> elements; // Aggregate: a list literal with non-constant elements

    static Expression makeConstant(const QVariant& value);
    static Expression makeKeyPath(const QStringList& path);
};

// A constant side of a comparison made ready once for the comparison's modifiers.
struct PreparedConstant {
    QVariant folded;    // the constant with its texts folded
    QString foldedText; // text constant: its folded text
    bool isText = false;
    std::optional<SubstringSearcher> searcher; // text constant searched for in other texts
    std::optional<QRegularExpression> regex;   // MATCHES pattern, compiled once
    bool listIsAllTexts = false;
    QSet<QString> textSet; // the folded texts of an all-text list
};

struct Comparison {
    Expression left;
    Expression right;
    Operator op = Operator::Equal;
    int modifiers = 0;
    Quantifier quantifier = Quantifier::Single;

    // Filled by prepare().
    std::optional<PreparedConstant> preparedLeft;
    std::optional<PreparedConstant> preparedRight;

    void prepare();
    bool evaluate(const KeyValueSource& object, const QVariantMap& variables) const;
};

// Converts a value given from outside (argument, variable) into the kinds a filter keeps:
// invalid (nil), bool, qint64, double, QString, QDateTime, QVariantList of these.
// Returns nothing for kinds a filter cannot hold (maps, binary data, ...).
std::optional<QVariant> normalizedValue(const QVariant& value);

// The folding a comparison applies to both texts for its modifiers.
QString foldedForModifiers(QStringView text, int modifiers);

bool isReservedWord(QStringView word);
bool isIdentifierStart(QChar c);
bool isIdentifierPart(QChar c);
// True when text can be written bare as one step of a key path.
bool isBareKey(QStringView text);

bool equalConstants(const QVariant& a, const QVariant& b);
bool equalExpressions(const Expression& a, const Expression& b);

void formatConstant(const QVariant& value, QString& out);
void formatString(const QString& text, QString& out);
void formatExpression(const Expression& expression, QString& out);

} // namespace predicate_detail
