// Reading filter text into a Predicate tree: a hand-written lexer and a recursive-descent
// parser with a bounded nesting depth, so no input can exhaust the stack.
//
//   filter     := or
//   or         := and (("OR" | "||") and)*
//   and        := unary (("AND" | "&&") unary)*
//   unary      := ("NOT" | "!") unary | primary
//   primary    := "(" or ")" | "TRUEPREDICATE" | "FALSEPREDICATE" | comparison
//   comparison := ["ANY" | "SOME" | "ALL" | "NONE"] value operator ["[" modifiers "]"] value
//   value      := text | number | "nil" | "YES" | "NO" | keypath | "SELF" | "%@" | "%K"
//                 | "$" name | "{" [value ("," value)*] "}" | "CAST(" value "," text ")"
//   keypath    := step ("." step)*      step := name | "#" name | "#" text
#include "Predicate.h"
#include "PredicatePrivate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

#include <charconv>
#include <cmath>

namespace predicate_detail {

namespace {

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

} // namespace

class Parser {
public:
    Parser(const QString& text, const QVariantList& arguments) : m_text(text), m_arguments(arguments) {}

    PredicateParseResult run();

private:
    enum class TokenType {
        End,
        Error,
        LeftParen,
        RightParen,
        LeftBrace,
        RightBrace,
        LeftBracket,
        RightBracket,
        Comma,
        Dot,
        Word,
        EscapedKey,
        String,
        Number,
        ArgumentValue,
        ArgumentKey,
        Variable,
        ComparisonSymbol,
        AndSymbol,
        OrSymbol,
        NotSymbol,
    };

    struct Token {
        TokenType type = TokenType::End;
        int position = 0;
        int end = 0;
        QString text;
        QVariant number;
        Operator op = Operator::Equal;
    };

    // Lexer
    void advance();
    void lexNumber(Token& token);
    bool lexString(Token& token);
    void lexSymbol(Token& token, Operator op, int length);

    // Parser
    PredicatePtr parseOr();
    PredicatePtr parseAnd();
    PredicatePtr parseUnary();
    PredicatePtr parsePrimary();
    PredicatePtr parseComparison();
    bool parseExpression(Expression& out, const QString& after);
    bool parseKeyPathRest(QStringList& path);
    bool parseList(Expression& out);
    bool parseCast(Expression& out);
    bool parseModifiers(int& modifiers);
    bool takeArgument(QVariant& argument, const char* placeholder);

    bool enter();
    void leave() { --m_depth; }
    bool failed() const { return m_errorPosition >= 0; }
    void fail(const QString& message, int position);
    void failUnexpected();
    bool isWord(const char* word) const;
    QString quotedSource(int from, int to) const;

    const QString& m_text;
    const QVariantList& m_arguments;
    qsizetype m_argumentIndex = 0;
    int m_position = 0;
    int m_lastEnd = 0;
    int m_depth = 0;
    Token m_token;
    QString m_error;
    int m_errorPosition = -1;
};

PredicateParseResult Parser::run() {
    PredicateParseResult result;
    advance();
    if (m_token.type == TokenType::End && !failed())
        fail(QCoreApplication::translate("Predicate", "the filter is empty"), 0);
    PredicatePtr predicate;
    if (!failed())
        predicate = parseOr();
    if (predicate && !failed() && m_token.type != TokenType::End)
        failUnexpected();
    if (failed()) {
        result.error = m_error;
        result.errorPosition = m_errorPosition;
        return result;
    }
    result.predicate = predicate;
    return result;
}

void Parser::fail(const QString& message, int position) {
    if (failed())
        return; // the first error is the one worth reporting
    m_error = message;
    m_errorPosition = position;
}

void Parser::failUnexpected() {
    if (m_token.type == TokenType::End)
        fail(QCoreApplication::translate("Predicate", "unexpected end of the filter at position %1")
                 .arg(m_token.position),
             m_token.position);
    else
        fail(QCoreApplication::translate("Predicate", "unexpected %1 at position %2")
                 .arg(quotedSource(m_token.position, m_token.end))
                 .arg(m_token.position),
             m_token.position);
}

QString Parser::quotedSource(int from, int to) const {
    constexpr int kLongest = 30;
    QString text = m_text.mid(from, qMax(0, to - from));
    if (text.size() > kLongest)
        text = text.left(kLongest) + QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool Parser::enter() {
    if (++m_depth > Predicate::MaximumNesting) {
        fail(QCoreApplication::translate("Predicate", "the filter is nested too deeply at position %1")
                 .arg(m_token.position),
             m_token.position);
        return false;
    }
    return true;
}

bool Parser::isWord(const char* word) const {
    return m_token.type == TokenType::Word &&
           m_token.text.compare(QLatin1StringView(word), Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------------------------------
// Lexer

void Parser::advance() {
    m_lastEnd = m_token.end;
    const int length = int(m_text.size());
    while (m_position < length && m_text[m_position].isSpace())
        ++m_position;
    Token token;
    token.position = m_position;
    if (m_position >= length) {
        token.type = TokenType::End;
        token.end = length;
        m_token = token;
        return;
    }
    const QChar c = m_text[m_position];
    const QChar next = m_position + 1 < length ? m_text[m_position + 1] : QChar();
    auto single = [&](TokenType type) {
        token.type = type;
        ++m_position;
    };
    auto lexError = [&](const QString& message, int position) {
        fail(message, position);
        token.type = TokenType::Error;
        m_position = length;
    };

    switch (c.unicode()) {
    case u'(':
        single(TokenType::LeftParen);
        break;
    case u')':
        single(TokenType::RightParen);
        break;
    case u'{':
        single(TokenType::LeftBrace);
        break;
    case u'}':
        single(TokenType::RightBrace);
        break;
    case u'[':
        single(TokenType::LeftBracket);
        break;
    case u']':
        single(TokenType::RightBracket);
        break;
    case u',':
        single(TokenType::Comma);
        break;
    case u'.':
        single(TokenType::Dot);
        break;
    case u'=':
        if (next == QLatin1Char('='))
            lexSymbol(token, Operator::Equal, 2);
        else if (next == QLatin1Char('<'))
            lexSymbol(token, Operator::LessOrEqual, 2);
        else if (next == QLatin1Char('>'))
            lexSymbol(token, Operator::GreaterOrEqual, 2);
        else
            lexSymbol(token, Operator::Equal, 1);
        break;
    case u'!':
        if (next == QLatin1Char('='))
            lexSymbol(token, Operator::NotEqual, 2);
        else
            single(TokenType::NotSymbol);
        break;
    case u'<':
        if (next == QLatin1Char('='))
            lexSymbol(token, Operator::LessOrEqual, 2);
        else if (next == QLatin1Char('>'))
            lexSymbol(token, Operator::NotEqual, 2);
        else
            lexSymbol(token, Operator::Less, 1);
        break;
    case u'>':
        if (next == QLatin1Char('='))
            lexSymbol(token, Operator::GreaterOrEqual, 2);
        else
            lexSymbol(token, Operator::Greater, 1);
        break;
    case u'&':
    case u'|':
        if (next != c) {
            lexError(QCoreApplication::translate("Predicate", "unexpected %1 at position %2")
                         .arg(quotedSource(m_position, m_position + 1))
                         .arg(m_position),
                     m_position);
            break;
        }
        token.type = c == QLatin1Char('&') ? TokenType::AndSymbol : TokenType::OrSymbol;
        m_position += 2;
        break;
    case u'%':
        if (next == QLatin1Char('@') || next == QLatin1Char('K')) {
            token.type = next == QLatin1Char('@') ? TokenType::ArgumentValue : TokenType::ArgumentKey;
            m_position += 2;
        } else {
            lexError(QCoreApplication::translate("Predicate", "unsupported format %1 at position %2")
                         .arg(quotedSource(m_position, m_position + 2))
                         .arg(m_position),
                     m_position);
        }
        break;
    case u'$':
        if (!isIdentifierStart(next)) {
            lexError(QCoreApplication::translate("Predicate",
                                                 "expected a variable name after \"$\" at position %1")
                         .arg(m_position + 1),
                     m_position + 1);
            break;
        }
        token.type = TokenType::Variable;
        ++m_position;
        while (m_position < length && isIdentifierPart(m_text[m_position]))
            token.text += m_text[m_position++];
        break;
    case u'#':
        if (isIdentifierStart(next)) {
            token.type = TokenType::EscapedKey;
            ++m_position;
            while (m_position < length && isIdentifierPart(m_text[m_position]))
                token.text += m_text[m_position++];
        } else if (next == QLatin1Char('"') || next == QLatin1Char('\'')) {
            ++m_position;
            if (lexString(token))
                token.type = TokenType::EscapedKey;
            else
                token.type = TokenType::Error;
        } else {
            lexError(QCoreApplication::translate("Predicate", "expected a key after \"#\" at position %1")
                         .arg(m_position + 1),
                     m_position + 1);
        }
        break;
    case u'"':
    case u'\'':
        token.type = lexString(token) ? TokenType::String : TokenType::Error;
        break;
    default:
        if (isAsciiDigit(c) || (c == QLatin1Char('-') && isAsciiDigit(next))) {
            lexNumber(token);
        } else if (isIdentifierStart(c)) {
            token.type = TokenType::Word;
            while (m_position < length && isIdentifierPart(m_text[m_position]))
                token.text += m_text[m_position++];
        } else {
            const int width = c.isHighSurrogate() && next.isLowSurrogate() ? 2 : 1;
            lexError(QCoreApplication::translate("Predicate", "unexpected %1 at position %2")
                         .arg(quotedSource(m_position, m_position + width))
                         .arg(m_position),
                     m_position);
        }
        break;
    }
    token.end = m_position;
    m_token = token;
}

void Parser::lexSymbol(Token& token, Operator op, int length) {
    token.type = TokenType::ComparisonSymbol;
    token.op = op;
    m_position += length;
}

void Parser::lexNumber(Token& token) {
    const int length = int(m_text.size());
    const int start = m_position;
    if (m_text[m_position] == QLatin1Char('-'))
        ++m_position;
    while (m_position < length && isAsciiDigit(m_text[m_position]))
        ++m_position;
    bool isReal = false;
    if (m_position + 1 < length && m_text[m_position] == QLatin1Char('.') &&
        isAsciiDigit(m_text[m_position + 1])) {
        isReal = true;
        ++m_position;
        while (m_position < length && isAsciiDigit(m_text[m_position]))
            ++m_position;
    }
    if (m_position < length &&
        (m_text[m_position] == QLatin1Char('e') || m_text[m_position] == QLatin1Char('E'))) {
        int exponent = m_position + 1;
        if (exponent < length &&
            (m_text[exponent] == QLatin1Char('+') || m_text[exponent] == QLatin1Char('-')))
            ++exponent;
        if (exponent < length && isAsciiDigit(m_text[exponent])) {
            isReal = true;
            m_position = exponent;
            while (m_position < length && isAsciiDigit(m_text[m_position]))
                ++m_position;
        }
    }
    const QByteArray digits = QStringView(m_text).mid(start, m_position - start).toLatin1();
    token.type = TokenType::Number;
    if (!isReal) {
        qint64 value = 0;
        const auto [end, error] =
            std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
        if (error == std::errc() && end == digits.constData() + digits.size()) {
            token.number = QVariant(value);
            return;
        }
        // Too large for an integer: read it as a decimal number.
    }
    bool ok = false;
    // On overflow this gives an infinity, on underflow zero; both are what the text says.
    const double value = QLocale::c().toDouble(QString::fromLatin1(digits), &ok);
    token.number = QVariant(value);
}

bool Parser::lexString(Token& token) {
    const int length = int(m_text.size());
    const int start = m_position;
    const QChar quote = m_text[m_position++];
    QString out;
    while (m_position < length) {
        const QChar c = m_text[m_position];
        if (c == quote) {
            ++m_position;
            token.text = out;
            return true;
        }
        if (c != QLatin1Char('\\')) {
            out += c;
            ++m_position;
            continue;
        }
        if (m_position + 1 >= length)
            break;
        const QChar escaped = m_text[m_position + 1];
        switch (escaped.unicode()) {
        case u'"':
        case u'\'':
        case u'\\':
            out += escaped;
            break;
        case u'n':
            out += QLatin1Char('\n');
            break;
        case u't':
            out += QLatin1Char('\t');
            break;
        case u'r':
            out += QLatin1Char('\r');
            break;
        case u'u': {
            int code = 0;
            for (int i = 0; i < 4; ++i) {
                const int digit = m_position + 2 + i < length ? hexValue(m_text[m_position + 2 + i]) : -1;
                if (digit < 0) {
                    fail(QCoreApplication::translate(
                             "Predicate", "expected four hexadecimal digits after \"\\u\" at position %1")
                             .arg(m_position),
                         m_position);
                    m_position = length;
                    return false;
                }
                code = code * 16 + digit;
            }
            out += QChar(char16_t(code));
            m_position += 4;
            break;
        }
        default:
            fail(QCoreApplication::translate("Predicate", "unknown escape %1 at position %2")
                     .arg(quotedSource(m_position, m_position + 2))
                     .arg(m_position),
                 m_position);
            m_position = length;
            return false;
        }
        m_position += 2;
    }
    fail(QCoreApplication::translate("Predicate", "unterminated text starting at position %1").arg(start),
         start);
    m_position = length;
    return false;
}

// ---------------------------------------------------------------------------------------
// Parser

PredicatePtr Parser::parseOr() {
    PredicatePtr first = parseAnd();
    if (!first)
        return {};
    QList<PredicatePtr> parts{first};
    while (m_token.type == TokenType::OrSymbol || isWord("OR")) {
        advance();
        PredicatePtr next = parseAnd();
        if (!next)
            return {};
        parts.append(next);
    }
    return parts.size() == 1 ? first : Predicate::orPredicate(parts);
}

PredicatePtr Parser::parseAnd() {
    PredicatePtr first = parseUnary();
    if (!first)
        return {};
    QList<PredicatePtr> parts{first};
    while (m_token.type == TokenType::AndSymbol || isWord("AND")) {
        advance();
        PredicatePtr next = parseUnary();
        if (!next)
            return {};
        parts.append(next);
    }
    return parts.size() == 1 ? first : Predicate::andPredicate(parts);
}

PredicatePtr Parser::parseUnary() {
    if (m_token.type != TokenType::NotSymbol && !isWord("NOT"))
        return parsePrimary();
    if (!enter())
        return {};
    advance();
    PredicatePtr sub = parseUnary();
    leave();
    return sub ? Predicate::notPredicate(sub) : PredicatePtr();
}

PredicatePtr Parser::parsePrimary() {
    if (m_token.type == TokenType::LeftParen) {
        if (!enter())
            return {};
        advance();
        PredicatePtr inner = parseOr();
        if (!inner)
            return {};
        if (m_token.type != TokenType::RightParen) {
            if (m_token.type == TokenType::End)
                fail(QCoreApplication::translate("Predicate", "expected \")\" at position %1")
                         .arg(m_token.position),
                     m_token.position);
            else
                failUnexpected();
            return {};
        }
        advance();
        leave();
        return inner;
    }
    if (isWord("TRUEPREDICATE")) {
        advance();
        return Predicate::truePredicate();
    }
    if (isWord("FALSEPREDICATE")) {
        advance();
        return Predicate::falsePredicate();
    }
    return parseComparison();
}

PredicatePtr Parser::parseComparison() {
    Comparison comparison;
    QString afterQuantifier;
    if (isWord("ANY") || isWord("SOME") || isWord("ALL") || isWord("NONE")) {
        comparison.quantifier = isWord("ALL")    ? Quantifier::All
                                : isWord("NONE") ? Quantifier::None
                                                 : Quantifier::Any;
        afterQuantifier = quotedSource(m_token.position, m_token.end);
        advance();
    }
    const int leftStart = m_token.position;
    if (!parseExpression(comparison.left, afterQuantifier))
        return {};
    const int leftEnd = m_lastEnd;

    const int operatorStart = m_token.position;
    if (m_token.type == TokenType::ComparisonSymbol) {
        comparison.op = m_token.op;
    } else if (isWord("CONTAINS")) {
        comparison.op = Operator::Contains;
    } else if (isWord("BEGINSWITH")) {
        comparison.op = Operator::BeginsWith;
    } else if (isWord("ENDSWITH")) {
        comparison.op = Operator::EndsWith;
    } else if (isWord("LIKE")) {
        comparison.op = Operator::Like;
    } else if (isWord("MATCHES")) {
        comparison.op = Operator::Matches;
    } else if (isWord("IN")) {
        comparison.op = Operator::In;
    } else if (isWord("BETWEEN")) {
        comparison.op = Operator::Between;
    } else {
        if (m_token.type != TokenType::Error)
            fail(QCoreApplication::translate("Predicate",
                                             "expected a comparison operator after %1 at position %2")
                     .arg(quotedSource(leftStart, leftEnd))
                     .arg(m_token.position),
                 m_token.position);
        return {};
    }
    advance();
    if (m_token.type == TokenType::LeftBracket && !parseModifiers(comparison.modifiers))
        return {};
    const QString operatorText = quotedSource(operatorStart, m_lastEnd);

    const int rightStart = m_token.position;
    if (!parseExpression(comparison.right, operatorText))
        return {};
    if (comparison.op == Operator::Between) {
        const Expression& bounds = comparison.right;
        const bool constantPair = bounds.kind == Expression::Kind::Constant &&
                                  bounds.constant.typeId() == QMetaType::QVariantList &&
                                  bounds.constant.toList().size() == 2;
        const bool listPair = bounds.kind == Expression::Kind::Aggregate && bounds.elements.size() == 2;
        const bool later =
            bounds.kind == Expression::Kind::KeyPath || bounds.kind == Expression::Kind::Variable;
        if (!constantPair && !listPair && !later) {
            fail(QCoreApplication::translate("Predicate", "BETWEEN needs a list of two values at position %1")
                     .arg(rightStart),
                 rightStart);
            return {};
        }
    }
    return Predicate::comparison(std::move(comparison));
}

bool Parser::parseModifiers(int& modifiers) {
    const int start = m_token.position;
    advance();
    if (m_token.type != TokenType::Word) {
        fail(QCoreApplication::translate("Predicate", "unknown modifier %1 at position %2")
                 .arg(quotedSource(start, m_token.end))
                 .arg(start),
             start);
        return false;
    }
    for (QChar c : std::as_const(m_token.text)) {
        if (c == QLatin1Char('c') || c == QLatin1Char('C')) {
            modifiers |= CaseInsensitive;
        } else if (c == QLatin1Char('d') || c == QLatin1Char('D')) {
            modifiers |= DiacriticInsensitive;
        } else {
            fail(QCoreApplication::translate("Predicate", "unknown modifier %1 at position %2")
                     .arg(quotedSource(start, m_token.end))
                     .arg(start),
                 start);
            return false;
        }
    }
    advance();
    if (m_token.type != TokenType::RightBracket) {
        fail(QCoreApplication::translate("Predicate", "expected \"]\" at position %1").arg(m_token.position),
             m_token.position);
        return false;
    }
    advance();
    return true;
}

bool Parser::takeArgument(QVariant& argument, const char* placeholder) {
    if (m_argumentIndex >= m_arguments.size()) {
        fail(QCoreApplication::translate("Predicate", "missing argument for \"%1\" at position %2")
                 .arg(QLatin1StringView(placeholder))
                 .arg(m_token.position),
             m_token.position);
        return false;
    }
    argument = m_arguments[m_argumentIndex++];
    return true;
}

bool Parser::parseExpression(Expression& out, const QString& after) {
    const int position = m_token.position;
    switch (m_token.type) {
    case TokenType::String:
        out = Expression::makeConstant(QVariant(m_token.text));
        advance();
        return true;
    case TokenType::Number:
        out = Expression::makeConstant(m_token.number);
        advance();
        return true;
    case TokenType::ArgumentValue: {
        QVariant argument;
        if (!takeArgument(argument, "%@"))
            return false;
        const std::optional<QVariant> value = normalizedValue(argument);
        if (!value) {
            fail(QCoreApplication::translate(
                     "Predicate", "the argument for \"%@\" at position %1 cannot be used in a filter")
                     .arg(position),
                 position);
            return false;
        }
        out = Expression::makeConstant(*value);
        advance();
        return true;
    }
    case TokenType::ArgumentKey: {
        QVariant argument;
        if (!takeArgument(argument, "%K"))
            return false;
        if (argument.typeId() != QMetaType::QString || argument.toString().isEmpty()) {
            fail(QCoreApplication::translate("Predicate",
                                             "the argument for \"%K\" at position %1 is not a key name")
                     .arg(position),
                 position);
            return false;
        }
        // A key given as an argument may be a key path: its dots separate the steps.
        QStringList path = argument.toString().split(QLatin1Char('.'));
        advance();
        if (!parseKeyPathRest(path))
            return false;
        out = Expression::makeKeyPath(path);
        return true;
    }
    case TokenType::Variable:
        out = Expression();
        out.kind = Expression::Kind::Variable;
        out.variable = m_token.text;
        advance();
        return true;
    case TokenType::EscapedKey: {
        QStringList path{m_token.text};
        advance();
        if (!parseKeyPathRest(path))
            return false;
        out = Expression::makeKeyPath(path);
        return true;
    }
    case TokenType::LeftBrace:
        return parseList(out);
    case TokenType::Word:
        if (isWord("NIL") || isWord("NULL")) {
            out = Expression::makeConstant(QVariant());
            advance();
            return true;
        }
        if (isWord("YES") || isWord("TRUE") || isWord("NO") || isWord("FALSE")) {
            out = Expression::makeConstant(QVariant(isWord("YES") || isWord("TRUE")));
            advance();
            return true;
        }
        if (isWord("SELF")) {
            advance();
            if (m_token.type == TokenType::Dot) {
                // SELF.key reads the key of the object itself: the same as key.
                QStringList path;
                if (!parseKeyPathRest(path))
                    return false;
                out = Expression::makeKeyPath(path);
                return true;
            }
            out = Expression();
            out.kind = Expression::Kind::Self;
            return true;
        }
        if (isWord("CAST"))
            return parseCast(out);
        if (!isReservedWord(m_token.text)) {
            QStringList path{m_token.text};
            advance();
            if (!parseKeyPathRest(path))
                return false;
            out = Expression::makeKeyPath(path);
            return true;
        }
        break;
    default:
        break;
    }
    if (m_token.type == TokenType::Error)
        return false;
    if (after.isEmpty()) {
        failUnexpected();
    } else {
        fail(QCoreApplication::translate("Predicate", "expected a value after %1 at position %2")
                 .arg(after)
                 .arg(m_token.position),
             m_token.position);
    }
    return false;
}

bool Parser::parseKeyPathRest(QStringList& path) {
    while (m_token.type == TokenType::Dot) {
        advance();
        if (m_token.type != TokenType::Word && m_token.type != TokenType::EscapedKey) {
            if (m_token.type != TokenType::Error)
                fail(QCoreApplication::translate("Predicate", "expected a key after \".\" at position %1")
                         .arg(m_token.position),
                     m_token.position);
            return false;
        }
        path.append(m_token.text);
        advance();
    }
    return true;
}

bool Parser::parseList(Expression& out) {
    if (!enter())
        return false;
    advance(); // "{"
    QList<Expression> elements;
    if (m_token.type != TokenType::RightBrace) {
        QString after = QStringLiteral("\"{\"");
        while (true) {
            Expression element;
            if (!parseExpression(element, after))
                return false;
            elements.append(std::move(element));
            if (m_token.type == TokenType::Comma) {
                after = QStringLiteral("\",\"");
                advance();
                continue;
            }
            if (m_token.type == TokenType::RightBrace)
                break;
            if (m_token.type != TokenType::Error)
                fail(QCoreApplication::translate("Predicate", "expected \",\" or \"}\" at position %1")
                         .arg(m_token.position),
                     m_token.position);
            return false;
        }
    }
    advance(); // "}"
    leave();
    bool allConstant = true;
    for (const Expression& element : elements)
        allConstant = allConstant && element.kind == Expression::Kind::Constant;
    if (allConstant) {
        QVariantList list;
        for (const Expression& element : elements)
            list.append(element.constant);
        out = Expression::makeConstant(QVariant(list));
    } else {
        out = Expression();
        out.kind = Expression::Kind::Aggregate;
        out.elements = std::move(elements);
    }
    return true;
}

// CAST("2024-05-01T12:00:00.000Z", "Date") or CAST(seconds since 1970, "Date"): a date constant.
bool Parser::parseCast(Expression& out) {
    if (!enter())
        return false;
    advance();
    if (m_token.type != TokenType::LeftParen) {
        fail(QCoreApplication::translate("Predicate", "expected \"(\" after \"CAST\" at position %1")
                 .arg(m_token.position),
             m_token.position);
        return false;
    }
    advance();
    const int valuePosition = m_token.position;
    Expression value;
    if (!parseExpression(value, QStringLiteral("\"CAST(\"")))
        return false;
    if (m_token.type != TokenType::Comma) {
        fail(QCoreApplication::translate("Predicate", "expected \",\" at position %1").arg(m_token.position),
             m_token.position);
        return false;
    }
    advance();
    const int typePosition = m_token.position;
    if (m_token.type != TokenType::String) {
        fail(
            QCoreApplication::translate("Predicate", "expected a type name at position %1").arg(typePosition),
            typePosition);
        return false;
    }
    if (m_token.text.compare(QLatin1String("Date"), Qt::CaseInsensitive) != 0) {
        fail(QCoreApplication::translate("Predicate", "unsupported CAST type %1 at position %2")
                 .arg(quotedSource(typePosition, m_token.end))
                 .arg(typePosition),
             typePosition);
        return false;
    }
    advance();
    if (m_token.type != TokenType::RightParen) {
        fail(QCoreApplication::translate("Predicate", "expected \")\" at position %1").arg(m_token.position),
             m_token.position);
        return false;
    }
    advance();
    leave();

    QDateTime date;
    if (value.kind == Expression::Kind::Constant) {
        const QVariant& v = value.constant;
        if (v.typeId() == QMetaType::QString) {
            date = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
        } else if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Double) {
            const double milliseconds = v.toDouble() * 1000.0;
            // QDateTime covers about 292 million years either way.
            if (std::isfinite(milliseconds) && std::fabs(milliseconds) < 9.0e18)
                date = QDateTime::fromMSecsSinceEpoch(qint64(std::llround(milliseconds)), Qt::UTC);
        }
    }
    if (!date.isValid()) {
        fail(QCoreApplication::translate("Predicate",
                                         "expected a date text or a number in \"CAST\" at position %1")
                 .arg(valuePosition),
             valuePosition);
        return false;
    }
    out = Expression::makeConstant(QVariant(date));
    return true;
}

} // namespace predicate_detail

PredicateParseResult Predicate::parse(const QString& format, const QVariantList& arguments) {
    predicate_detail::Parser parser(format, arguments);
    return parser.run();
}
