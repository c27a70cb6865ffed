// Building, printing, comparing and rewriting filter trees. The parser is in
// PredicateParser.cpp, the evaluation in PredicateEvaluation.cpp.
#include "Predicate.h"
#include "PredicatePrivate.h"

#include <QDateTime>
#include <QLocale>
#include <QMutex>
#include <QSet>
#include <QUrl>

#include <cmath>
#include <limits>

namespace predicate_detail {

Expression Expression::makeConstant(const QVariant& value) {
    Expression e;
    e.kind = Kind::Constant;
    e.constant = value;
    return e;
}

Expression Expression::makeKeyPath(const QStringList& path) {
    Expression e;
    e.kind = Kind::KeyPath;
    for (const QString& step : path)
        e.path.append(Predicate::internedKey(step));
    return e;
}

std::optional<QVariant> normalizedValue(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return QVariant();
    case QMetaType::Bool:
        return QVariant(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
        return QVariant(value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong u = value.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max()))
            return QVariant(double(u));
        return QVariant(qint64(u));
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (std::isnan(d))
            return QVariant(); // not a number: no value
        return QVariant(d);
    }
    case QMetaType::QString:
        return value;
    case QMetaType::QChar:
        return QVariant(QString(value.toChar()));
    case QMetaType::QUrl:
        return QVariant(value.toUrl().toString());
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case QMetaType::QDate: {
        const QDate d = value.toDate();
        return d.isValid() ? QVariant(d.startOfDay()) : QVariant();
    }
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QString& s : value.toStringList())
            list.append(QVariant(s));
        return QVariant(list);
    }
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant& element : value.toList()) {
            std::optional<QVariant> normalized = normalizedValue(element);
            if (!normalized)
                return std::nullopt;
            list.append(*normalized);
        }
        return QVariant(list);
    }
    default:
        return std::nullopt;
    }
}

namespace {

const char* const kReservedWords[] = {
    "AND",
    "OR",
    "NOT",
    "IN",
    "CONTAINS",
    "BEGINSWITH",
    "ENDSWITH",
    "LIKE",
    "MATCHES",
    "ANY",
    "SOME",
    "ALL",
    "NONE",
    "NIL",
    "NULL",
    "YES",
    "NO",
    "TRUE",
    "FALSE",
    "SELF",
    "TRUEPREDICATE",
    "FALSEPREDICATE",
    "BETWEEN",
    "CAST",
};

const char* operatorText(Operator op) {
    switch (op) {
    case Operator::Equal:
        return "==";
    case Operator::NotEqual:
        return "!=";
    case Operator::Less:
        return "<";
    case Operator::LessOrEqual:
        return "<=";
    case Operator::Greater:
        return ">";
    case Operator::GreaterOrEqual:
        return ">=";
    case Operator::Contains:
        return "CONTAINS";
    case Operator::BeginsWith:
        return "BEGINSWITH";
    case Operator::EndsWith:
        return "ENDSWITH";
    case Operator::Like:
        return "LIKE";
    case Operator::Matches:
        return "MATCHES";
    case Operator::In:
        return "IN";
    case Operator::Between:
        return "BETWEEN";
    }
    return "==";
}

void formatKeyStep(const QString& step, QString& out) {
    if (isBareKey(step)) {
        out += step;
        return;
    }
    out += QLatin1Char('#');
    bool identifier = !step.isEmpty() && isIdentifierStart(step.front());
    for (QChar c : step)
        identifier = identifier && isIdentifierPart(c);
    if (identifier)
        out += step; // a reserved word
    else
        formatString(step, out);
}

// Appends, once each, the names an expression tree uses: its keys (the first step of each
// key path) or its variables.
void collectNames(const Expression& e, Expression::Kind kind, QStringList& names) {
    if (e.kind == kind) {
        const QString& name = kind == Expression::Kind::KeyPath ? e.path.front() : e.variable;
        if (!names.contains(name))
            names.append(name);
    }
    for (const Expression& element : e.elements)
        collectNames(element, kind, names);
}

void collectPaths(const Expression& e, QList<QStringList>& paths) {
    if (e.kind == Expression::Kind::KeyPath && !paths.contains(e.path))
        paths.append(e.path);
    for (const Expression& element : e.elements)
        collectPaths(element, paths);
}

// Replaces bound variables; returns whether anything changed.
bool substitute(Expression& e, const QVariantMap& variables) {
    if (e.kind == Expression::Kind::Variable) {
        const auto it = variables.constFind(e.variable);
        if (it == variables.constEnd())
            return false;
        e = Expression::makeConstant(normalizedValue(it.value()).value_or(QVariant()));
        return true;
    }
    if (e.kind != Expression::Kind::Aggregate)
        return false;
    bool changed = false;
    bool allConstant = true;
    for (Expression& element : e.elements) {
        changed = substitute(element, variables) || changed;
        allConstant = allConstant && element.kind == Expression::Kind::Constant;
    }
    if (allConstant) {
        QVariantList list;
        for (const Expression& element : e.elements)
            list.append(element.constant);
        e = Expression::makeConstant(QVariant(list));
    }
    return changed;
}

} // namespace

bool isReservedWord(QStringView word) {
    for (const char* reserved : kReservedWords)
        if (word.compare(QLatin1StringView(reserved), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool isIdentifierStart(QChar c) {
    return c == QLatin1Char('_') || c.isLetter();
}

bool isIdentifierPart(QChar c) {
    return c == QLatin1Char('_') || c.isLetterOrNumber();
}

bool isBareKey(QStringView text) {
    if (text.isEmpty() || !isIdentifierStart(text.front()))
        return false;
    for (QChar c : text)
        if (!isIdentifierPart(c))
            return false;
    return !isReservedWord(text);
}

bool equalConstants(const QVariant& a, const QVariant& b) {
    if (a.typeId() != b.typeId())
        return false;
    switch (a.typeId()) {
    case QMetaType::UnknownType:
        return true;
    case QMetaType::Bool:
        return a.toBool() == b.toBool();
    case QMetaType::LongLong:
        return a.toLongLong() == b.toLongLong();
    case QMetaType::Double:
        return a.toDouble() == b.toDouble();
    case QMetaType::QString:
        return a.toString() == b.toString();
    case QMetaType::QDateTime:
        return a.toDateTime() == b.toDateTime();
    case QMetaType::QVariantList: {
        const QVariantList la = a.toList();
        const QVariantList lb = b.toList();
        if (la.size() != lb.size())
            return false;
        for (qsizetype i = 0; i < la.size(); ++i)
            if (!equalConstants(la[i], lb[i]))
                return false;
        return true;
    }
    default:
        return a == b;
    }
}

bool equalExpressions(const Expression& a, const Expression& b) {
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case Expression::Kind::Constant:
        return equalConstants(a.constant, b.constant);
    case Expression::Kind::KeyPath:
        return a.path == b.path;
    case Expression::Kind::Self:
        return true;
    case Expression::Kind::Variable:
        return a.variable == b.variable;
    case Expression::Kind::Aggregate:
        if (a.elements.size() != b.elements.size())
            return false;
        for (qsizetype i = 0; i < a.elements.size(); ++i)
            if (!equalExpressions(a.elements[i], b.elements[i]))
                return false;
        return true;
    }
    return false;
}

void formatString(const QString& text, QString& out) {
    out += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'"':
            out += QLatin1String("\\\"");
            break;
        case u'\\':
            out += QLatin1String("\\\\");
            break;
        case u'\n':
            out += QLatin1String("\\n");
            break;
        case u'\t':
            out += QLatin1String("\\t");
            break;
        case u'\r':
            out += QLatin1String("\\r");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\u%1").arg(uint(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
}

void formatConstant(const QVariant& value, QString& out) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        out += value.toBool() ? QLatin1String("YES") : QLatin1String("NO");
        return;
    case QMetaType::LongLong:
        out += QString::number(value.toLongLong());
        return;
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (std::isinf(d)) {
            out += d < 0 ? QLatin1String("-1e999") : QLatin1String("1e999");
            return;
        }
        QString text = QString::number(d, 'g', QLocale::FloatingPointShortest);
        // Keep it a decimal number when read back, not an integer.
        if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
            text += QLatin1String(".0");
        out += text;
        return;
    }
    case QMetaType::QString:
        formatString(value.toString(), out);
        return;
    case QMetaType::QDateTime: {
        const QDateTime utc = value.toDateTime().toUTC();
        out += QLatin1String("CAST(");
        if (utc.date().year() >= 1 && utc.date().year() <= 9999)
            formatString(utc.toString(Qt::ISODateWithMs), out);
        else
            formatConstant(QVariant(double(utc.toMSecsSinceEpoch()) / 1000.0), out);
        out += QLatin1String(", \"Date\")");
        return;
    }
    case QMetaType::QVariantList: {
        out += QLatin1Char('{');
        bool first = true;
        for (const QVariant& element : value.toList()) {
            if (!first)
                out += QLatin1String(", ");
            first = false;
            formatConstant(element, out);
        }
        out += QLatin1Char('}');
        return;
    }
    default:
        out += QLatin1String("nil");
        return;
    }
}

void formatExpression(const Expression& e, QString& out) {
    switch (e.kind) {
    case Expression::Kind::Constant:
        formatConstant(e.constant, out);
        return;
    case Expression::Kind::KeyPath:
        for (qsizetype i = 0; i < e.path.size(); ++i) {
            if (i > 0)
                out += QLatin1Char('.');
            formatKeyStep(e.path[i], out);
        }
        return;
    case Expression::Kind::Self:
        out += QLatin1String("SELF");
        return;
    case Expression::Kind::Variable:
        out += QLatin1Char('$');
        out += e.variable;
        return;
    case Expression::Kind::Aggregate:
        out += QLatin1Char('{');
        for (qsizetype i = 0; i < e.elements.size(); ++i) {
            if (i > 0)
                out += QLatin1String(", ");
            formatExpression(e.elements[i], out);
        }
        out += QLatin1Char('}');
        return;
    }
}

} // namespace predicate_detail

using namespace predicate_detail;

QString Predicate::internedKey(const QString& key) {
    // Keys come from the application's own filters, so the table stays small; a cap keeps
    // filters typed by hand or generated in bulk from growing it without bound.
    constexpr qsizetype kMaximumKeys = 20000;
    static QMutex mutex;
    static QSet<QString> keys;
    QMutexLocker locker(&mutex);
    const auto it = keys.constFind(key);
    if (it != keys.constEnd())
        return *it;
    if (keys.size() >= kMaximumKeys)
        return key;
    const QString owned(key.constData(), key.size()); // never text borrowed from the caller
    keys.insert(owned);
    return owned;
}

Predicate::Predicate(ConstructionKey, Kind kind) : m_kind(kind) {}

Predicate::~Predicate() = default;

PredicatePtr Predicate::truePredicate() {
    static const PredicatePtr instance = std::make_shared<Predicate>(ConstructionKey(), Kind::True);
    return instance;
}

PredicatePtr Predicate::falsePredicate() {
    static const PredicatePtr instance = std::make_shared<Predicate>(ConstructionKey(), Kind::False);
    return instance;
}

PredicatePtr Predicate::compound(Kind kind, const QList<PredicatePtr>& subpredicates) {
    QList<PredicatePtr> flat;
    flat.reserve(subpredicates.size());
    for (const PredicatePtr& p : subpredicates) {
        if (!p)
            continue;
        if (p->m_kind == kind)
            flat.append(p->m_subpredicates);
        else
            flat.append(p);
    }
    if (flat.isEmpty())
        return kind == Kind::And ? truePredicate() : falsePredicate();
    if (flat.size() == 1)
        return flat.front();
    auto node = std::make_shared<Predicate>(ConstructionKey(), kind);
    node->m_subpredicates = std::move(flat);
    return node;
}

PredicatePtr Predicate::andPredicate(const QList<PredicatePtr>& subpredicates) {
    return compound(Kind::And, subpredicates);
}

PredicatePtr Predicate::orPredicate(const QList<PredicatePtr>& subpredicates) {
    return compound(Kind::Or, subpredicates);
}

PredicatePtr Predicate::notPredicate(const PredicatePtr& subpredicate) {
    if (!subpredicate)
        return falsePredicate();
    auto node = std::make_shared<Predicate>(ConstructionKey(), Kind::Not);
    node->m_subpredicates.append(subpredicate);
    return node;
}

PredicatePtr Predicate::comparison(Comparison&& comparison) {
    comparison.prepare();
    auto node = std::make_shared<Predicate>(ConstructionKey(), Kind::Comparison);
    node->m_comparison = std::make_unique<const Comparison>(std::move(comparison));
    return node;
}

QString Predicate::format() const {
    QString out;
    formatInto(out);
    return out;
}

void Predicate::formatInto(QString& out) const {
    switch (m_kind) {
    case Kind::True:
        out += QLatin1String("TRUEPREDICATE");
        return;
    case Kind::False:
        out += QLatin1String("FALSEPREDICATE");
        return;
    case Kind::And:
    case Kind::Or: {
        const QLatin1String joiner(m_kind == Kind::And ? " AND " : " OR ");
        for (qsizetype i = 0; i < m_subpredicates.size(); ++i) {
            if (i > 0)
                out += joiner;
            const Predicate& sub = *m_subpredicates[i];
            const bool parenthesize = sub.m_kind == Kind::And || sub.m_kind == Kind::Or;
            if (parenthesize)
                out += QLatin1Char('(');
            sub.formatInto(out);
            if (parenthesize)
                out += QLatin1Char(')');
        }
        return;
    }
    case Kind::Not: {
        out += QLatin1String("NOT ");
        const Predicate& sub = *m_subpredicates.front();
        const bool parenthesize = sub.m_kind == Kind::And || sub.m_kind == Kind::Or;
        if (parenthesize)
            out += QLatin1Char('(');
        sub.formatInto(out);
        if (parenthesize)
            out += QLatin1Char(')');
        return;
    }
    case Kind::Comparison: {
        const Comparison& c = *m_comparison;
        switch (c.quantifier) {
        case Quantifier::Single:
            break;
        case Quantifier::Any:
            out += QLatin1String("ANY ");
            break;
        case Quantifier::All:
            out += QLatin1String("ALL ");
            break;
        case Quantifier::None:
            out += QLatin1String("NONE ");
            break;
        }
        formatExpression(c.left, out);
        out += QLatin1Char(' ');
        out += QLatin1String(operatorText(c.op));
        if (c.modifiers != 0) {
            out += QLatin1Char('[');
            if (c.modifiers & CaseInsensitive)
                out += QLatin1Char('c');
            if (c.modifiers & DiacriticInsensitive)
                out += QLatin1Char('d');
            out += QLatin1Char(']');
        }
        out += QLatin1Char(' ');
        formatExpression(c.right, out);
        return;
    }
    }
}

PredicatePtr Predicate::substitutingVariables(const QVariantMap& variables) const {
    switch (m_kind) {
    case Kind::True:
    case Kind::False:
        return shared_from_this();
    case Kind::And:
    case Kind::Or:
    case Kind::Not: {
        QList<PredicatePtr> subs;
        bool changed = false;
        for (const PredicatePtr& sub : m_subpredicates) {
            PredicatePtr replaced = sub->substitutingVariables(variables);
            changed = changed || replaced != sub;
            subs.append(std::move(replaced));
        }
        if (!changed)
            return shared_from_this();
        if (m_kind == Kind::Not)
            return notPredicate(subs.front());
        return compound(m_kind, subs);
    }
    case Kind::Comparison: {
        Comparison copy;
        copy.left = m_comparison->left;
        copy.right = m_comparison->right;
        copy.op = m_comparison->op;
        copy.modifiers = m_comparison->modifiers;
        copy.quantifier = m_comparison->quantifier;
        const bool leftChanged = substitute(copy.left, variables);
        const bool rightChanged = substitute(copy.right, variables);
        if (!leftChanged && !rightChanged)
            return shared_from_this();
        return comparison(std::move(copy));
    }
    }
    return shared_from_this();
}

QStringList Predicate::namesUsed(int kind) const {
    QStringList names;
    if (m_kind == Kind::Comparison) {
        collectNames(m_comparison->left, Expression::Kind(kind), names);
        collectNames(m_comparison->right, Expression::Kind(kind), names);
        return names;
    }
    for (const PredicatePtr& sub : m_subpredicates)
        for (const QString& name : sub->namesUsed(kind))
            if (!names.contains(name))
                names.append(name);
    return names;
}

QStringList Predicate::keysUsed() const {
    return namesUsed(int(Expression::Kind::KeyPath));
}

QList<QStringList> Predicate::keyPathsUsed() const {
    QList<QStringList> paths;
    if (m_kind == Kind::Comparison) {
        collectPaths(m_comparison->left, paths);
        collectPaths(m_comparison->right, paths);
        return paths;
    }
    for (const PredicatePtr& sub : m_subpredicates)
        for (const QStringList& path : sub->keyPathsUsed())
            if (!paths.contains(path))
                paths.append(path);
    return paths;
}

QList<QStringList> Predicate::keyPathsReadAsOneValue() const {
    QList<QStringList> paths;
    if (m_kind == Kind::Comparison) {
        const Comparison& comparison = *m_comparison;
        if (comparison.quantifier == Quantifier::Single)
            collectPaths(comparison.left, paths);
        else
            for (const Expression& element : comparison.left.elements)
                collectPaths(element, paths);
        if (comparison.op != Operator::In)
            collectPaths(comparison.right, paths);
        else
            for (const Expression& element : comparison.right.elements)
                collectPaths(element, paths);
        return paths;
    }
    for (const PredicatePtr& sub : m_subpredicates)
        for (const QStringList& path : sub->keyPathsReadAsOneValue())
            if (!paths.contains(path))
                paths.append(path);
    return paths;
}

QStringList Predicate::variablesUsed() const {
    return namesUsed(int(Expression::Kind::Variable));
}

bool Predicate::isEqual(const Predicate& other) const {
    if (m_kind != other.m_kind)
        return false;
    if (m_kind == Kind::Comparison) {
        const Comparison& a = *m_comparison;
        const Comparison& b = *other.m_comparison;
        return a.op == b.op && a.modifiers == b.modifiers && a.quantifier == b.quantifier &&
               equalExpressions(a.left, b.left) && equalExpressions(a.right, b.right);
    }
    if (m_subpredicates.size() != other.m_subpredicates.size())
        return false;
    for (qsizetype i = 0; i < m_subpredicates.size(); ++i)
        if (!m_subpredicates[i]->isEqual(*other.m_subpredicates[i]))
            return false;
    return true;
}
