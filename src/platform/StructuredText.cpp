#include "StructuredText.h"

#include <QByteArray>
#include <QLocale>
#include <QStringList>

#include <limits>

// Writing:
//  - Arrays are "(a, b)", dictionaries "{key = value; other = value; }", keys in the
//    dictionary's order. Empty ones are "()" and "{}".
//  - A string is bare when it is non-empty and made only of ASCII letters and digits;
//    otherwise it is quoted, with \" \\ \n \t and \Uxxxx (four hex digits) for every other
//    control character. Everything else, non-ASCII text included, is written as it is.
//  - Integers and booleans become decimal text (true is 1, false is 0), reals their
//    shortest decimal text. QByteArray is written as <hex data>.
//  - An invalid QVariant is left out of a dictionary and is an empty string in an array.
//    A value that is not an array or a dictionary writes as an empty text.
//
// Reading accepts the whole old-style syntax:
//  - Bare words of ASCII letters, digits and _$+/:.- ; quoted strings in double or single
//    quotes with \" \' \\ \n \t \r \a \b \f \v, \Uxxxx (1 to 4 hex digits; surrogate pairs
//    combine because strings are UTF-16) and octal escapes \ooo of 1 to 3 digits up to
//    \377, taken as Latin-1 code points (\351 is é). Any other escaped character stands
//    for itself.
//  - Arrays with an optional trailing comma; dictionaries whose entries end with ';'
//    (a missing ';' before the closing brace is tolerated); <hex data> with optional
//    spaces; /* */ and // comments and whitespace between any two tokens.
//  - The top level must be an array or a dictionary; nesting deeper than 512 levels is
//    refused.

namespace {

constexpr int kMaxDepth = 512;

bool isBareSafeForWriting(QStringView s) {
    if (s.isEmpty())
        return false;
    for (QChar qc : s) {
        const char16_t c = qc.unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

void appendHex4(QString& out, char16_t c) {
    static const char digits[] = "0123456789abcdef";
    out += QLatin1String("\\U");
    out += QLatin1Char(digits[(c >> 12) & 0xF]);
    out += QLatin1Char(digits[(c >> 8) & 0xF]);
    out += QLatin1Char(digits[(c >> 4) & 0xF]);
    out += QLatin1Char(digits[c & 0xF]);
}

void writeString(QString& out, QStringView s) {
    if (isBareSafeForWriting(s)) {
        out += s;
        return;
    }
    out += QLatin1Char('"');
    for (QChar qc : s) {
        const char16_t c = qc.unicode();
        switch (c) {
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
        default:
            if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
                appendHex4(out, c);
            else
                out += qc;
        }
    }
    out += QLatin1Char('"');
}

bool isAbsent(const QVariant& v) {
    return !v.isValid() || v.metaType().id() == QMetaType::Nullptr;
}

void writeValue(QString& out, const QVariant& value, int depth);

void writeArray(QString& out, const QVariantList& list, int depth) {
    out += QLatin1Char('(');
    bool first = true;
    for (const QVariant& item : list) {
        if (!first)
            out += QLatin1String(", ");
        first = false;
        writeValue(out, item, depth + 1);
    }
    out += QLatin1Char(')');
}

template <typename Map> void writeDict(QString& out, const Map& map, int depth) {
    out += QLatin1Char('{');
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (isAbsent(it.value()))
            continue;
        writeString(out, it.key());
        out += QLatin1String(" = ");
        writeValue(out, it.value(), depth + 1);
        out += QLatin1String("; ");
    }
    out += QLatin1Char('}');
}

void writeValue(QString& out, const QVariant& value, int depth) {
    if (depth > kMaxDepth) {
        out += QLatin1String("\"\"");
        return;
    }
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        out += QLatin1String("\"\"");
        return;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        writeArray(out, value.toList(), depth);
        return;
    case QMetaType::QVariantMap:
        writeDict(out, value.toMap(), depth);
        return;
    case QMetaType::QVariantHash:
        writeDict(out, value.toMap(), depth);
        return;
    case QMetaType::QString:
        writeString(out, value.toString());
        return;
    case QMetaType::Bool:
        out += value.toBool() ? QLatin1Char('1') : QLatin1Char('0');
        return;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
    case QMetaType::Char:
        writeString(out, QString::number(value.toLongLong()));
        return;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        writeString(out, QString::number(value.toULongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        writeString(out, QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
        return;
    case QMetaType::QByteArray:
        out += QLatin1Char('<');
        out += QString::fromLatin1(value.toByteArray().toHex());
        out += QLatin1Char('>');
        return;
    default:
        break;
    }
    if (value.canConvert<QVariantList>() && !value.canConvert<QString>())
        writeArray(out, value.toList(), depth);
    else if (value.canConvert<QVariantMap>() && !value.canConvert<QString>())
        writeDict(out, value.toMap(), depth);
    else
        writeString(out, value.toString());
}

bool isBareWordChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'$' || c == u'+' || c == u'/' || c == u':' || c == u'.' || c == u'-';
}

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// A recursive-descent reader over the UTF-16 text, one pass, no backtracking.
class Reader {
public:
    explicit Reader(QStringView text) : m_p(text.utf16()), m_end(text.utf16() + text.size()) {}

    QVariant readTop() {
        if (!skipSpace() || m_p == m_end)
            return {};
        if (*m_p != u'(' && *m_p != u'{')
            return {};
        QVariant value;
        if (!readValue(value, 0))
            return {};
        if (!skipSpace() || m_p != m_end)
            return {};
        return value;
    }

private:
    const char16_t* m_p;
    const char16_t* m_end;

    static bool isSpace(char16_t c) {
        return c == u' ' || c == u'\n' || c == u'\t' || c == u'\r' || c == u'\f' || c == u'\v' ||
               (c >= 0x80 && QChar::isSpace(c));
    }

    // Skips whitespace and comments; false on an unterminated block comment.
    bool skipSpace() {
        while (m_p != m_end) {
            const char16_t c = *m_p;
            if (isSpace(c)) {
                ++m_p;
            } else if (c == u'/' && m_end - m_p >= 2 && m_p[1] == u'*') {
                m_p += 2;
                for (;;) {
                    if (m_end - m_p < 2)
                        return false;
                    if (m_p[0] == u'*' && m_p[1] == u'/') {
                        m_p += 2;
                        break;
                    }
                    ++m_p;
                }
            } else if (c == u'/' && m_end - m_p >= 2 && m_p[1] == u'/') {
                m_p += 2;
                while (m_p != m_end && *m_p != u'\n' && *m_p != u'\r')
                    ++m_p;
            } else {
                return true;
            }
        }
        return true;
    }

    bool readValue(QVariant& out, int depth) {
        if (depth > kMaxDepth || m_p == m_end)
            return false;
        const char16_t c = *m_p;
        if (c == u'(')
            return readArray(out, depth);
        if (c == u'{')
            return readDict(out, depth);
        if (c == u'<')
            return readData(out);
        QString s;
        if (!readString(s))
            return false;
        out = std::move(s);
        return true;
    }

    bool readString(QString& out) {
        if (m_p == m_end)
            return false;
        const char16_t c = *m_p;
        if (c == u'"' || c == u'\'')
            return readQuoted(out, c);
        const char16_t* start = m_p;
        while (m_p != m_end && isBareWordChar(*m_p))
            ++m_p;
        if (m_p == start)
            return false;
        out = QString(reinterpret_cast<const QChar*>(start), m_p - start);
        return true;
    }

    bool readQuoted(QString& out, char16_t quote) {
        ++m_p;
        const char16_t* start = m_p;
        // Fast path: no escapes.
        while (m_p != m_end && *m_p != quote && *m_p != u'\\')
            ++m_p;
        if (m_p == m_end)
            return false;
        if (*m_p == quote) {
            out = QString(reinterpret_cast<const QChar*>(start), m_p - start);
            ++m_p;
            return true;
        }
        out = QString(reinterpret_cast<const QChar*>(start), m_p - start);
        while (m_p != m_end) {
            const char16_t c = *m_p++;
            if (c == quote)
                return true;
            if (c != u'\\') {
                out += QChar(c);
                continue;
            }
            if (m_p == m_end)
                return false;
            const char16_t e = *m_p++;
            switch (e) {
            case u'n':
                out += QChar(u'\n');
                break;
            case u't':
                out += QChar(u'\t');
                break;
            case u'r':
                out += QChar(u'\r');
                break;
            case u'a':
                out += QChar(u'\a');
                break;
            case u'b':
                out += QChar(u'\b');
                break;
            case u'f':
                out += QChar(u'\f');
                break;
            case u'v':
                out += QChar(u'\v');
                break;
            case u'U':
            case u'u': {
                char16_t code = 0;
                int n = 0;
                while (n < 4 && m_p != m_end && hexValue(*m_p) >= 0) {
                    code = char16_t(code * 16 + hexValue(*m_p));
                    ++m_p;
                    ++n;
                }
                out += n > 0 ? QChar(code) : QChar(e);
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    int code = e - u'0';
                    for (int n = 1; n < 3 && m_p != m_end && *m_p >= u'0' && *m_p <= u'7'; ++n) {
                        const int next = code * 8 + (*m_p - u'0');
                        if (next > 0377)
                            break;
                        code = next;
                        ++m_p;
                    }
                    out += QChar(char16_t(code));
                } else {
                    out += QChar(e);
                }
            }
        }
        return false;
    }

    bool readData(QVariant& out) {
        ++m_p;
        QByteArray bytes;
        int high = -1;
        while (m_p != m_end) {
            const char16_t c = *m_p++;
            if (c == u'>') {
                if (high >= 0)
                    return false;
                out = std::move(bytes);
                return true;
            }
            if (isSpace(c))
                continue;
            const int v = hexValue(c);
            if (v < 0)
                return false;
            if (high < 0) {
                high = v;
            } else {
                bytes.append(char(high * 16 + v));
                high = -1;
            }
        }
        return false;
    }

    bool readArray(QVariant& out, int depth) {
        ++m_p;
        QVariantList list;
        if (!skipSpace())
            return false;
        while (m_p != m_end && *m_p != u')') {
            QVariant item;
            if (!readValue(item, depth + 1))
                return false;
            list.append(std::move(item));
            if (!skipSpace() || m_p == m_end)
                return false;
            if (*m_p == u',') {
                ++m_p;
                if (!skipSpace())
                    return false;
            } else if (*m_p != u')') {
                return false;
            }
        }
        if (m_p == m_end)
            return false;
        ++m_p;
        out = std::move(list);
        return true;
    }

    bool readDict(QVariant& out, int depth) {
        ++m_p;
        QVariantMap map;
        if (!skipSpace())
            return false;
        while (m_p != m_end && *m_p != u'}') {
            QString key;
            if (!readString(key))
                return false;
            if (!skipSpace() || m_p == m_end || *m_p != u'=')
                return false;
            ++m_p;
            if (!skipSpace())
                return false;
            QVariant value;
            if (!readValue(value, depth + 1))
                return false;
            map.insert(key, std::move(value));
            if (!skipSpace() || m_p == m_end)
                return false;
            if (*m_p == u';') {
                ++m_p;
                if (!skipSpace())
                    return false;
            } else if (*m_p != u'}') {
                return false;
            }
        }
        if (m_p == m_end)
            return false;
        ++m_p;
        out = std::move(map);
        return true;
    }
};

// The leading decimal number of text: leading whitespace, optional sign, digits.
// Sets *sawNonZero to whether a digit other than 0 was seen; saturates at the qint64 limits.
qint64 leadingInteger(QStringView text, bool* sawNonZero = nullptr, qsizetype* endIndex = nullptr) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    quint64 magnitude = 0;
    bool overflow = false;
    bool nonZero = false;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') {
        const int d = text[i].unicode() - u'0';
        if (d != 0)
            nonZero = true;
        if (magnitude > (std::numeric_limits<quint64>::max() - quint64(d)) / 10)
            overflow = true;
        else
            magnitude = magnitude * 10 + quint64(d);
        ++i;
    }
    if (sawNonZero)
        *sawNonZero = nonZero;
    if (endIndex)
        *endIndex = i;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    if (overflow || magnitude > limit)
        magnitude = limit;
    return negative ? qint64(0 - magnitude) : qint64(magnitude);
}

bool isNumericType(int id) {
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::SChar:
    case QMetaType::Char:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

QString structuredTextFromValue(const QVariant& value) {
    const int id = value.metaType().id();
    const bool container = id == QMetaType::QVariantList || id == QMetaType::QStringList ||
                           id == QMetaType::QVariantMap || id == QMetaType::QVariantHash ||
                           (!value.canConvert<QString>() &&
                            (value.canConvert<QVariantList>() || value.canConvert<QVariantMap>()));
    if (!container)
        return {};
    QString out;
    writeValue(out, value, 0);
    return out;
}

QVariant valueFromStructuredText(const QString& text) {
    if (text.isEmpty())
        return {};
    return Reader(text).readTop();
}

bool structuredBoolValue(const QVariant& value) {
    const int id = value.metaType().id();
    if (id == QMetaType::Bool)
        return value.toBool();
    if (isNumericType(id))
        return value.toDouble() != 0.0;
    if (!value.isValid() || !value.canConvert<QString>())
        return false;
    const QString text = value.toString();
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i < text.size()) {
        const QChar c = text[i];
        if (c == u'Y' || c == u'y' || c == u'T' || c == u't')
            return true;
    }
    // A non-zero number: the integer part or the digits after a decimal point.
    bool nonZero = false;
    qsizetype end = 0;
    leadingInteger(text, &nonZero, &end);
    if (nonZero)
        return true;
    if (end < text.size() && text[end] == u'.') {
        for (qsizetype j = end + 1; j < text.size() && text[j] >= u'0' && text[j] <= u'9'; ++j)
            if (text[j] != u'0')
                return true;
    }
    return false;
}

qint64 structuredIntegerValue(const QVariant& value) {
    const int id = value.metaType().id();
    if (id == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    if (id == QMetaType::Double || id == QMetaType::Float) {
        const double d = value.toDouble();
        if (!(d == d))
            return 0;
        if (d >= 9.2233720368547758e18)
            return std::numeric_limits<qint64>::max();
        if (d <= -9.2233720368547758e18)
            return std::numeric_limits<qint64>::min();
        return qint64(d);
    }
    if (id == QMetaType::ULongLong || id == QMetaType::ULong) {
        const quint64 u = value.toULongLong();
        return u > quint64(std::numeric_limits<qint64>::max()) ? std::numeric_limits<qint64>::max()
                                                               : qint64(u);
    }
    if (isNumericType(id))
        return value.toLongLong();
    if (!value.isValid() || !value.canConvert<QString>())
        return 0;
    return leadingInteger(value.toString());
}
