#include "SmartGroupRules.h"

#include "SmartGroupTranslation.h"

#include <QCoreApplication>

namespace {

using Operator = SmartGroupRules::Operator;

// The kinds of row template.
enum class WordKind { Unknown, Text, SearchedText, Number, YesNo, YesOnly };

WordKind kindOfWord(const QString& word) {
    static const QStringList text{
        QStringLiteral("Name"),           QStringLiteral("Title"),   QStringLiteral("Description"),
        QStringLiteral("Attribution"),    QStringLiteral("Cuisine"), QStringLiteral("Yield"),
        QStringLiteral("Import Address"), QStringLiteral("Notes"),   QStringLiteral("Private Notes")};
    // Texts whose is-not comparison the translation reads as "does not contain".
    static const QStringList searched{QStringLiteral("Ingredients"), QStringLiteral("Directions"),
                                      QStringLiteral("Keywords")};
    if (text.contains(word))
        return WordKind::Text;
    if (searched.contains(word))
        return WordKind::SearchedText;
    if (word == QLatin1String("Rating") || word == QLatin1String("Difficulty"))
        return WordKind::Number;
    if (word == QLatin1String("Has Image") || word == QLatin1String("Has Been Prepared"))
        return WordKind::YesNo;
    if (word == QLatin1String("Groupless"))
        return WordKind::YesOnly;
    return WordKind::Unknown;
}

// The stored operator text of a row; empty when the word does not offer the operator.
QString operatorText(WordKind kind, Operator op) {
    switch (kind) {
    case WordKind::Unknown:
        return {};
    case WordKind::Text:
        switch (op) {
        case Operator::Contains:
            return QStringLiteral("CONTAINS[c]");
        case Operator::BeginsWith:
            return QStringLiteral("BEGINSWITH[c]");
        case Operator::EndsWith:
            return QStringLiteral("ENDSWITH[c]");
        case Operator::Is:
            return QStringLiteral("==[c]");
        case Operator::IsNot:
            return QStringLiteral("!=[c]");
        default:
            return {};
        }
    case WordKind::SearchedText:
        if (op == Operator::Contains)
            return QStringLiteral("CONTAINS[c]");
        if (op == Operator::DoesNotContain)
            return QStringLiteral("!=[c]");
        return {};
    case WordKind::Number:
        if (op == Operator::Is)
            return QStringLiteral("==");
        if (op == Operator::IsLessThan)
            return QStringLiteral("<");
        if (op == Operator::IsGreaterThan)
            return QStringLiteral(">");
        return {};
    case WordKind::YesNo:
    case WordKind::YesOnly:
        return op == Operator::Is ? QStringLiteral("==") : QString();
    }
    return {};
}

// A text in double quotes with backslashes and quotes escaped. A value the translation
// would rewrite (it reads like a display word in quotes, such as "Name") is written in
// single quotes instead, where every double quote is escaped and so none of the
// translation's patterns can occur.
QString quotedValue(const QString& value) {
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    const QString doubleQuoted = QLatin1Char('"') + escaped + QLatin1Char('"');
    if (translatedSmartGroupRules(doubleQuoted, {}) == doubleQuoted)
        return doubleQuoted;
    escaped.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString quotedWord(const QString& word) {
    return QLatin1Char('"') + word + QLatin1Char('"');
}

// Reads the rule texts the editor writes (and the same comparisons written with
// parentheses or either quote), row by row.
class RuleReader {
public:
    explicit RuleReader(const QString& text) : m_text(text) {}

    bool read(QList<SmartGroupRules::Row>* rows, SmartGroupRules::Compound* compound, QString* error) {
        Joined joined;
        if (!readList(&joined) || (skipSpaces(), m_position != m_text.size()))
            return fail(error, m_error.isEmpty()
                                   ? SmartGroupRules::tr("unexpected text at position %1").arg(m_position)
                                   : m_error);
        *rows = joined.rows;
        *compound = joined.connective == QLatin1String("OR") ? SmartGroupRules::Compound::Any
                                                             : SmartGroupRules::Compound::All;
        return true;
    }

private:
    struct Joined {
        QList<SmartGroupRules::Row> rows;
        QString connective; // "AND", "OR" or empty for a single row
    };

    bool fail(QString* error, const QString& message) {
        if (error)
            *error = message;
        return false;
    }

    bool setError(const QString& message) {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }

    void skipSpaces() {
        while (m_position < m_text.size() && m_text.at(m_position).isSpace())
            ++m_position;
    }

    bool lookingAt(QLatin1String token, bool word) {
        skipSpaces();
        if (m_text.mid(m_position, token.size()).compare(token, Qt::CaseInsensitive) != 0)
            return false;
        const int end = m_position + int(token.size());
        if (word && end < m_text.size() &&
            (m_text.at(end).isLetterOrNumber() || m_text.at(end) == QLatin1Char('_')))
            return false;
        m_position = end;
        return true;
    }

    // Reads AND or OR (also && and ||); empty when neither follows.
    QString readConnective() {
        if (lookingAt(QLatin1String("AND"), true) || lookingAt(QLatin1String("&&"), false))
            return QStringLiteral("AND");
        if (lookingAt(QLatin1String("OR"), true) || lookingAt(QLatin1String("||"), false))
            return QStringLiteral("OR");
        return {};
    }

    bool readList(Joined* joined) {
        if (++m_depth > 50)
            return setError(SmartGroupRules::tr("the rule is nested too deeply"));
        bool first = true;
        do {
            Joined item;
            if (lookingAt(QLatin1String("("), false)) {
                if (!readList(&item))
                    return false;
                if (!lookingAt(QLatin1String(")"), false))
                    return setError(SmartGroupRules::tr("expected \")\" at position %1").arg(m_position));
            } else {
                SmartGroupRules::Row row;
                if (!readRow(&row))
                    return false;
                item.rows.append(row);
            }
            // Rows in parentheses are read as they stand; a group of several rows inside a
            // longer list is a nesting the editor cannot show.
            if (item.rows.size() > 1) {
                if (!first || !joined->rows.isEmpty())
                    return setError(SmartGroupRules::tr("rules nested inside rules cannot be edited"));
                joined->connective = item.connective;
            }
            joined->rows += item.rows;
            first = false;
            const int before = m_position;
            const QString connective = readConnective();
            if (connective.isEmpty())
                break;
            if (!joined->connective.isEmpty() && joined->connective != connective) {
                m_position = before;
                return setError(SmartGroupRules::tr("rules joined by both AND and OR cannot be edited"));
            }
            joined->connective = connective;
        } while (true);
        --m_depth;
        return true;
    }

    bool readString(QString* out) {
        skipSpaces();
        if (m_position >= m_text.size() ||
            (m_text.at(m_position) != QLatin1Char('"') && m_text.at(m_position) != QLatin1Char('\'')))
            return setError(SmartGroupRules::tr("expected a quoted text at position %1").arg(m_position));
        const QChar quote = m_text.at(m_position++);
        out->clear();
        while (m_position < m_text.size()) {
            const QChar c = m_text.at(m_position++);
            if (c == quote)
                return true;
            if (c != QLatin1Char('\\')) {
                out->append(c);
                continue;
            }
            if (m_position >= m_text.size())
                break;
            const QChar escaped = m_text.at(m_position++);
            switch (escaped.unicode()) {
            case u'n':
                out->append(QLatin1Char('\n'));
                break;
            case u't':
                out->append(QLatin1Char('\t'));
                break;
            case u'r':
                out->append(QLatin1Char('\r'));
                break;
            case u'u': {
                bool ok = false;
                const uint code = m_text.mid(m_position, 4).toUInt(&ok, 16);
                if (!ok || m_text.mid(m_position, 4).size() != 4)
                    return setError(SmartGroupRules::tr("expected four hexadecimal digits at position %1")
                                        .arg(m_position));
                out->append(QChar(char16_t(code)));
                m_position += 4;
                break;
            }
            default:
                out->append(escaped);
            }
        }
        return setError(SmartGroupRules::tr("unterminated text"));
    }

    bool readOperator(QString* out) {
        skipSpaces();
        const int start = m_position;
        static const QLatin1String symbols[] = {QLatin1String("=="), QLatin1String("!="), QLatin1String("<"),
                                                QLatin1String(">")};
        static const QLatin1String words[] = {QLatin1String("CONTAINS"), QLatin1String("BEGINSWITH"),
                                              QLatin1String("ENDSWITH")};
        bool found = false;
        for (QLatin1String symbol : symbols)
            if (!found && lookingAt(symbol, false)) {
                *out = symbol;
                found = true;
            }
        for (QLatin1String word : words)
            if (!found && lookingAt(word, false)) {
                *out = word;
                found = true;
            }
        if (!found)
            return setError(SmartGroupRules::tr("expected a comparison at position %1").arg(start));
        // Modifiers are kept exactly as written: the translation matches them as text.
        if (m_position < m_text.size() && m_text.at(m_position) == QLatin1Char('[')) {
            const int close = int(m_text.indexOf(QLatin1Char(']'), m_position));
            if (close < 0)
                return setError(SmartGroupRules::tr("expected \"]\" at position %1").arg(m_position));
            *out += m_text.mid(m_position, close + 1 - m_position);
            m_position = close + 1;
        }
        return true;
    }

    bool readRow(SmartGroupRules::Row* row) {
        const int start = (skipSpaces(), m_position);
        QString word;
        QString op;
        QString value;
        if (!readString(&word) || !readOperator(&op) || !readString(&value))
            return false;
        const WordKind kind = kindOfWord(word);
        if (kind == WordKind::Unknown)
            return setError(SmartGroupRules::tr("\"%1\" is not a rule the editor offers").arg(word));
        for (Operator candidate : SmartGroupRules::operatorsForDisplayWord(word)) {
            if (operatorText(kind, candidate) != op)
                continue;
            const SmartGroupRules::Row candidateRow{word, candidate, value};
            if (!SmartGroupRules::isValidRow(candidateRow))
                break;
            *row = candidateRow;
            return true;
        }
        return setError(
            SmartGroupRules::tr("the rule at position %1 is not one the editor offers").arg(start));
    }

    const QString& m_text;
    int m_position = 0;
    int m_depth = 0;
    QString m_error;
};

} // namespace

QStringList SmartGroupRules::displayWords() {
    // The words are the rules' own; the editor shows each translated in this context.
    static const char* const kWords[] = {
        QT_TRANSLATE_NOOP("SmartGroupRules", "Name"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Title"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Description"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Ingredients"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Directions"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Attribution"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Cuisine"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Yield"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Import Address"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Keywords"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Notes"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Private Notes"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Rating"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Difficulty"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Has Image"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Has Been Prepared"),
        QT_TRANSLATE_NOOP("SmartGroupRules", "Groupless"),
    };
    QStringList words;
    for (const char* word : kWords)
        words.append(QLatin1String(word));
    return words;
}

QList<SmartGroupRules::Operator> SmartGroupRules::operatorsForDisplayWord(const QString& displayWord) {
    switch (kindOfWord(displayWord)) {
    case WordKind::Text:
        return {Operator::Contains, Operator::BeginsWith, Operator::EndsWith, Operator::Is, Operator::IsNot};
    case WordKind::SearchedText:
        return {Operator::Contains, Operator::DoesNotContain};
    case WordKind::Number:
        return {Operator::Is, Operator::IsLessThan, Operator::IsGreaterThan};
    case WordKind::YesNo:
    case WordKind::YesOnly:
        return {Operator::Is};
    case WordKind::Unknown:
        break;
    }
    return {};
}

QList<SmartGroupRules::ValueOption> SmartGroupRules::valueOptionsForDisplayWord(const QString& displayWord) {
    if (displayWord == QLatin1String("Rating"))
        return {{QStringLiteral("1"), QStringLiteral("1")},
                {QStringLiteral("2"), QStringLiteral("2")},
                {QStringLiteral("3"), QStringLiteral("3")},
                {QStringLiteral("4"), QStringLiteral("4")},
                {QStringLiteral("5"), QStringLiteral("5")}};
    if (displayWord == QLatin1String("Difficulty"))
        return {{QStringLiteral("1"), tr("easy")},
                {QStringLiteral("2"), tr("medium")},
                {QStringLiteral("3"), tr("hard")}};
    switch (kindOfWord(displayWord)) {
    case WordKind::YesNo:
        return {{QStringLiteral("Yes"), tr("Yes")}, {QStringLiteral("No"), tr("No")}};
    case WordKind::YesOnly:
        return {{QStringLiteral("Yes"), tr("Yes")}};
    default:
        return {};
    }
}

QString SmartGroupRules::operatorTitle(Operator op) {
    switch (op) {
    case Operator::Contains:
        return tr("contains");
    case Operator::DoesNotContain:
        return tr("does not contain");
    case Operator::BeginsWith:
        return tr("begins with");
    case Operator::EndsWith:
        return tr("ends with");
    case Operator::Is:
        return tr("is");
    case Operator::IsNot:
        return tr("is not");
    case Operator::IsLessThan:
        return tr("is less than");
    case Operator::IsGreaterThan:
        return tr("is greater than");
    }
    return {};
}

bool SmartGroupRules::isValidRow(const Row& row) {
    if (operatorText(kindOfWord(row.displayWord), row.op).isEmpty())
        return false;
    const QList<ValueOption> options = valueOptionsForDisplayWord(row.displayWord);
    if (options.isEmpty())
        return true;
    for (const ValueOption& option : options)
        if (option.value == row.value)
            return true;
    return false;
}

SmartGroupRules::Row SmartGroupRules::defaultRow(const QString& displayWord) {
    const QString word = kindOfWord(displayWord) == WordKind::Unknown ? QStringLiteral("Name") : displayWord;
    const QList<ValueOption> options = valueOptionsForDisplayWord(word);
    return Row{word, operatorsForDisplayWord(word).first(),
               options.isEmpty() ? QString() : options.first().value};
}

QString SmartGroupRules::ruleText(const QList<Row>& rows, Compound compound) {
    QStringList comparisons;
    for (const Row& row : rows) {
        if (!isValidRow(row))
            continue;
        comparisons.append(quotedWord(row.displayWord) + QLatin1Char(' ') +
                           operatorText(kindOfWord(row.displayWord), row.op) + QLatin1Char(' ') +
                           (valueOptionsForDisplayWord(row.displayWord).isEmpty() ? quotedValue(row.value)
                                                                                  : quotedWord(row.value)));
    }
    return comparisons.join(compound == Compound::Any ? QLatin1String(" OR ") : QLatin1String(" AND "));
}

void SmartGroupRules::insertRow(int index, const Row& row) {
    m_rows.insert(qBound(0, index, int(m_rows.size())), row);
}

void SmartGroupRules::removeRow(int index) {
    if (index >= 0 && index < m_rows.size())
        m_rows.removeAt(index);
}

void SmartGroupRules::setRow(int index, const Row& row) {
    if (index >= 0 && index < m_rows.size())
        m_rows[index] = row;
}

void SmartGroupRules::reset() {
    m_compound = Compound::All;
    m_rows = {defaultRow()};
}

bool SmartGroupRules::fromRuleText(const QString& text, QString* error) {
    QList<Row> rows;
    Compound compound = Compound::All;
    QString message;
    if (text.trimmed().isEmpty()) {
        message = tr("the rule is empty");
    } else if (RuleReader(text).read(&rows, &compound, &message)) {
        m_rows = rows;
        m_compound = compound;
        return true;
    }
    reset();
    if (error)
        *error = message;
    return false;
}
