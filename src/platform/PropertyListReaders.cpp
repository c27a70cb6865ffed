#include "PropertyListReaders.h"

#include "Utf8Text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace propertylist {

QString errorText(const char* text) {
    return QCoreApplication::translate("PropertyList", text);
}

namespace {

// The value of each character in base64 text: 0-63 for the alphabet, kSpace for white
// space, kPad for '=', kBad for anything else.
constexpr quint8 kBad = 0xFF, kSpace = 0xFE, kPad = 0xFD;

constexpr std::array<quint8, 256> base64Table() {
    std::array<quint8, 256> table{};
    table.fill(kBad);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = quint8(i);
    for (const char c : {' ', '\t', '\n', '\r', '\f', '\v'})
        table[static_cast<unsigned char>(c)] = kSpace;
    table['='] = kPad;
    return table;
}

} // namespace

bool decodeBase64(QByteArrayView text, QByteArray* out) {
    static constexpr std::array<quint8, 256> kTable = base64Table();

    QByteArray decoded(text.size() / 4 * 3 + 3, Qt::Uninitialized);
    char* o = decoded.data();
    quint32 group = 0;
    int held = 0;    // characters of the current group of four
    int padding = 0; // '=' seen; only white space and more '=' may follow
    for (const char c : text) {
        const quint8 v = kTable[static_cast<unsigned char>(c)];
        if (v < 64) {
            if (padding)
                return false;
            group = group << 6 | v;
            if (++held == 4) {
                *o++ = char(group >> 16);
                *o++ = char(group >> 8);
                *o++ = char(group);
                group = 0;
                held = 0;
            }
        } else if (v == kPad) {
            // Padding completes a group of two or three characters to four.
            if (held + padding < 2 || held + padding >= 4)
                return false;
            ++padding;
        } else if (v != kSpace) {
            return false;
        }
    }
    if (padding && held + padding != 4)
        return false;
    // A last group without its padding: two characters hold one byte, three hold two; one
    // alone holds none and means the text was cut.
    if (held == 1)
        return false;
    if (held >= 2) {
        group <<= 6 * (4 - held);
        *o++ = char(group >> 16);
        if (held == 3)
            *o++ = char(group >> 8);
    }
    decoded.truncate(o - decoded.constData());
    *out = std::move(decoded);
    return true;
}

namespace {

QDateTime dateFromSeconds2001(double seconds) {
    // QDateTime holds milliseconds in a qint64; keep well inside years -200000 .. 200000.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 6.0e12)
        return {};
    const qint64 ms = qint64(std::llround(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(kEpoch2001 * 1000 + ms, Qt::UTC);
}

// ---------------------------------------------------------------------------------------
// XML. A small reader for the property list vocabulary: the prolog (declaration,
// processing instructions, comments, a document type with or without an internal
// subset) is skipped; elements take attributes, which are ignored; text takes the five
// predefined entities, character references and CDATA sections. Text is kept exactly
// as written, control characters included, as the platform's own reader does.

class XmlReader {
public:
    explicit XmlReader(const QByteArray& data)
        : m_p(data.constData()), m_end(data.constData() + data.size()) {}

    QVariant read(QString* error) {
        if (m_end - m_p >= 3 && std::memcmp(m_p, "\xEF\xBB\xBF", 3) == 0)
            m_p += 3;
        QVariant value;
        if (!skipMisc(true))
            return fail(error);
        Tag tag;
        if (!readTag(tag) || tag.closing)
            return fail(error, QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        if (tag.name == "plist") {
            if (tag.empty)
                return fail(error, QT_TRANSLATE_NOOP("PropertyList", "The property list holds no value."));
            if (!skipMisc(false))
                return fail(error);
            Tag inner;
            if (!readTag(inner))
                return fail(error);
            if (inner.closing)
                return fail(error, QT_TRANSLATE_NOOP("PropertyList", "The property list holds no value."));
            if (!readValue(inner, value, 0))
                return fail(error);
            if (!skipMisc(false))
                return fail(error);
            Tag end;
            if (!readTag(end) || !end.closing || end.name != "plist")
                return fail(
                    error, QT_TRANSLATE_NOOP("PropertyList", "The property list holds more than one value."));
        } else if (!readValue(tag, value, 0)) {
            return fail(error);
        }
        // Whatever follows the document is ignored, as other readers do.
        return value;
    }

private:
    struct Tag {
        QByteArray name;
        bool closing = false;
        bool empty = false; // <name/>
    };

    const char* m_p;
    const char* m_end;
    const char* m_error = nullptr;

    QVariant fail(QString* error, const char* text = nullptr) {
        if (error)
            *error =
                errorText(m_error ? m_error
                          : text  ? text
                                  : QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        return {};
    }

    bool setError(const char* text) {
        if (!m_error)
            m_error = text;
        return false;
    }

    bool startsWith(const char* s) const {
        const size_t n = std::strlen(s);
        return size_t(m_end - m_p) >= n && std::memcmp(m_p, s, n) == 0;
    }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    void skipSpace() {
        while (m_p != m_end && isSpace(*m_p))
            ++m_p;
    }

    // Skips to just after the terminator; false when it is missing.
    bool skipPast(const char* terminator) {
        const size_t n = std::strlen(terminator);
        while (size_t(m_end - m_p) >= n) {
            if (std::memcmp(m_p, terminator, n) == 0) {
                m_p += n;
                return true;
            }
            ++m_p;
        }
        m_p = m_end;
        return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
    }

    // Runs scan with the data cut `limit` bytes from here: a construct that runs past its
    // limit is refused as too long (tooLong) without being read any further.
    template <typename Scan> bool within(qsizetype limit, const char* tooLong, Scan scan) {
        const char* const end = m_end;
        const bool cut = m_end - m_p > limit;
        if (cut)
            m_end = m_p + limit;
        const bool ok = scan();
        const bool reachedCut = cut && m_p == m_end;
        m_end = end;
        if (!ok && reachedCut)
            m_error = tooLong;
        return ok;
    }

    bool skipDoctype() {
        return within(
            kMaxDoctypeBytes,
            QT_TRANSLATE_NOOP("PropertyList", "The property list holds a document type that is too long."),
            [this] { return skipDoctypeWithin(); });
    }

    bool skipDoctypeWithin() {
        m_p += 9; // <!DOCTYPE
        while (m_p != m_end) {
            const char c = *m_p++;
            if (c == '>')
                return true;
            if (c == '"' || c == '\'') {
                while (m_p != m_end && *m_p != c)
                    ++m_p;
                if (m_p == m_end)
                    break;
                ++m_p;
            } else if (c == '[') {
                // The internal subset: declarations, comments and quoted text up to "]".
                while (m_p != m_end && *m_p != ']') {
                    if (startsWith("<!--")) {
                        if (!skipPast("-->"))
                            return false;
                    } else if (*m_p == '"' || *m_p == '\'') {
                        const char q = *m_p++;
                        while (m_p != m_end && *m_p != q)
                            ++m_p;
                        if (m_p != m_end)
                            ++m_p;
                    } else {
                        ++m_p;
                    }
                }
                if (m_p == m_end)
                    break;
                ++m_p;
            }
        }
        return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
    }

    // Whitespace, comments and processing instructions; in the prolog also the
    // declaration and the document type.
    bool skipMisc(bool prolog) {
        for (;;) {
            skipSpace();
            if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return false;
            } else if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return false;
            } else if (prolog && startsWith("<!DOCTYPE")) {
                if (!skipDoctype())
                    return false;
            } else {
                return true;
            }
        }
    }

    static bool isNameChar(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
    }

    bool readTag(Tag& tag) {
        return within(kMaxTagBytes,
                      QT_TRANSLATE_NOOP("PropertyList", "The property list holds a tag that is too long."),
                      [this, &tag] { return readTagWithin(tag); });
    }

    bool readTagWithin(Tag& tag) {
        if (m_p == m_end)
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
        if (*m_p != '<')
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        ++m_p;
        tag = Tag();
        if (m_p != m_end && *m_p == '/') {
            tag.closing = true;
            ++m_p;
        }
        const char* start = m_p;
        while (m_p != m_end && isNameChar(*m_p))
            ++m_p;
        if (m_p == start)
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        tag.name = QByteArray(start, m_p - start);
        // Attributes: name="value" or name='value', ignored.
        for (;;) {
            skipSpace();
            if (m_p == m_end)
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
            if (*m_p == '>') {
                ++m_p;
                return true;
            }
            if (*m_p == '/' && !tag.closing) {
                ++m_p;
                if (m_p == m_end || *m_p != '>')
                    return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
                ++m_p;
                tag.empty = true;
                return true;
            }
            if (tag.closing)
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            const char* nameStart = m_p;
            while (m_p != m_end && isNameChar(*m_p))
                ++m_p;
            if (m_p == nameStart)
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            skipSpace();
            if (m_p == m_end || *m_p != '=')
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            ++m_p;
            skipSpace();
            if (m_p == m_end || (*m_p != '"' && *m_p != '\''))
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            const char q = *m_p++;
            while (m_p != m_end && *m_p != q)
                ++m_p;
            if (m_p == m_end)
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
            ++m_p;
        }
    }

    static void appendCodePoint(QByteArray& out, char32_t cp) {
        const QString s = QString::fromUcs4(&cp, 1);
        out += s.toUtf8();
    }

    // Character data up to the closing tag of `name`, with entities resolved.
    bool readText(const QByteArray& name, QByteArray& out) {
        while (m_p != m_end) {
            const char* run = m_p;
            while (m_p != m_end && *m_p != '<' && *m_p != '&')
                ++m_p;
            out.append(run, m_p - run);
            if (m_p == m_end)
                break;
            if (*m_p == '&') {
                if (!readEntity(out))
                    return false;
                continue;
            }
            if (startsWith("<![CDATA[")) {
                m_p += 9;
                const char* start = m_p;
                if (!skipPast("]]>"))
                    return false;
                out.append(start, m_p - 3 - start);
                continue;
            }
            if (startsWith("<!--")) {
                if (!skipPast("-->"))
                    return false;
                continue;
            }
            if (startsWith("<?")) {
                if (!skipPast("?>"))
                    return false;
                continue;
            }
            Tag tag;
            if (!readTag(tag))
                return false;
            if (!tag.closing || tag.name != name)
                return setError(QT_TRANSLATE_NOOP(
                    "PropertyList", "The property list holds an element where text was expected."));
            return true;
        }
        return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
    }

    bool readEntity(QByteArray& out) {
        ++m_p; // &
        const char* start = m_p;
        while (m_p != m_end && *m_p != ';' && m_p - start < 12)
            ++m_p;
        if (m_p == m_end || *m_p != ';')
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list holds an unknown entity."));
        const QByteArray entity(start, m_p - start);
        ++m_p;
        if (entity == "amp")
            out += '&';
        else if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.startsWith('#')) {
            bool ok = false;
            const uint cp =
                entity.startsWith("#x") ? entity.mid(2).toUInt(&ok, 16) : entity.mid(1).toUInt(&ok, 10);
            if (!ok || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                return setError(
                    QT_TRANSLATE_NOOP("PropertyList", "The property list holds an unknown entity."));
            appendCodePoint(out, char32_t(cp));
        } else {
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list holds an unknown entity."));
        }
        return true;
    }

    bool readValue(const Tag& tag, QVariant& out, int depth) {
        if (tag.closing)
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        if (depth > kMaxDepth)
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list is nested too deeply."));
        const QByteArray& name = tag.name;
        if (name == "dict")
            return readDict(tag, out, depth);
        if (name == "array")
            return readArray(tag, out, depth);
        if (name == "true" || name == "false") {
            if (!tag.empty) {
                QByteArray text;
                if (!readText(name, text))
                    return false;
                if (!text.trimmed().isEmpty())
                    return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            }
            out = name == "true";
            return true;
        }
        if (name == "data") {
            if (tag.empty) {
                out = QByteArray("");
                return true;
            }
            return readDataValue(out);
        }
        QByteArray text;
        if (!tag.empty && !readText(name, text))
            return false;
        if (name == "string") {
            out = exactTextFromUtf8(text);
            return true;
        }
        if (name == "integer")
            return readInteger(text.trimmed(), out);
        if (name == "real")
            return readReal(text.trimmed(), out);
        if (name == "date")
            return readDate(text.trimmed(), out);
        return setError(
            QT_TRANSLATE_NOOP("PropertyList", "The property list holds an element of an unknown kind."));
    }

    bool readInteger(const QByteArray& text, QVariant& out) {
        QByteArray digits = text;
        bool negative = false;
        if (digits.startsWith('-') || digits.startsWith('+')) {
            negative = digits.startsWith('-');
            digits.remove(0, 1);
        }
        bool ok = false;
        quint64 magnitude = 0;
        if (digits.startsWith("0x") || digits.startsWith("0X"))
            magnitude = digits.mid(2).toULongLong(&ok, 16);
        else if (!digits.isEmpty() && digits.front() >= '0' && digits.front() <= '9')
            magnitude = digits.toULongLong(&ok, 10);
        if (!ok)
            return setError(
                QT_TRANSLATE_NOOP("PropertyList", "The property list holds an integer that cannot be read."));
        if (negative) {
            if (magnitude > quint64(std::numeric_limits<qint64>::max()) + 1)
                return setError(QT_TRANSLATE_NOOP("PropertyList",
                                                  "The property list holds an integer that cannot be read."));
            out = qint64(0 - magnitude);
        } else {
            // Above the signed range: the same 64 bits, as other readers keep them.
            out = qint64(magnitude);
        }
        return true;
    }

    bool readReal(const QByteArray& text, QVariant& out) {
        const QByteArray lower = text.toLower();
        if (lower == "nan") {
            out = std::numeric_limits<double>::quiet_NaN();
            return true;
        }
        if (lower == "+infinity" || lower == "infinity" || lower == "inf" || lower == "+inf") {
            out = std::numeric_limits<double>::infinity();
            return true;
        }
        if (lower == "-infinity" || lower == "-inf") {
            out = -std::numeric_limits<double>::infinity();
            return true;
        }
        // Locale-independent; a value beyond the range of double keeps its sign as infinity
        // or zero.
        const char* begin = text.constData();
        const char* end = begin + text.size();
        if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-')
            ++begin;
        double d = 0;
        const auto [ptr, ec] = std::from_chars(begin, end, d);
        if (ptr != end || begin == end)
            return setError(QT_TRANSLATE_NOOP("PropertyList",
                                              "The property list holds a real number that cannot be read."));
        if (ec == std::errc::result_out_of_range) {
            const bool negative = *begin == '-';
            const bool tiny = text.contains("e-") || text.contains("E-");
            d = tiny ? (negative ? -0.0 : 0.0)
                     : (negative ? -std::numeric_limits<double>::infinity()
                                 : std::numeric_limits<double>::infinity());
        } else if (ec != std::errc()) {
            return setError(QT_TRANSLATE_NOOP("PropertyList",
                                              "The property list holds a real number that cannot be read."));
        }
        out = d;
        return true;
    }

    // YYYY-MM-DD, optionally followed by THH:MM:SS with fractions, and Z.
    bool readDate(const QByteArray& text, QVariant& out) {
        const char* p = text.constData();
        const char* end = p + text.size();
        const auto number = [&](int maxDigits, int* value) {
            int n = 0;
            *value = 0;
            while (p != end && n < maxDigits && *p >= '0' && *p <= '9') {
                *value = *value * 10 + (*p - '0');
                ++p;
                ++n;
            }
            return n > 0;
        };
        const auto expect = [&](char c) {
            if (p == end || *p != c)
                return false;
            ++p;
            return true;
        };
        bool negativeYear = false;
        if (p != end && *p == '-') {
            negativeYear = true;
            ++p;
        }
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        double fraction = 0;
        if (!number(6, &year) || !expect('-') || !number(2, &month) || !expect('-') || !number(2, &day))
            return setError(
                QT_TRANSLATE_NOOP("PropertyList", "The property list holds a date that cannot be read."));
        if (p != end && *p == 'T') {
            ++p;
            if (!number(2, &hour) || !expect(':') || !number(2, &minute) || !expect(':') ||
                !number(2, &second))
                return setError(
                    QT_TRANSLATE_NOOP("PropertyList", "The property list holds a date that cannot be read."));
            if (p != end && *p == '.') {
                ++p;
                double scale = 0.1;
                while (p != end && *p >= '0' && *p <= '9') {
                    fraction += (*p - '0') * scale;
                    scale /= 10;
                    ++p;
                }
            }
        }
        if (p != end && *p == 'Z')
            ++p;
        const QDate date(negativeYear ? -year : year, month, day);
        const QTime time(hour, minute, second);
        if (p != end || !date.isValid() || !time.isValid())
            return setError(
                QT_TRANSLATE_NOOP("PropertyList", "The property list holds a date that cannot be read."));
        out = QDateTime(date, time, Qt::UTC).addMSecs(qint64(std::llround(fraction * 1000)));
        return true;
    }

    bool readData(QByteArrayView text, QVariant& out) {
        QByteArray decoded;
        if (!decodeBase64(text, &decoded))
            return setError(QT_TRANSLATE_NOOP(
                "PropertyList", "The property list holds data that is not base64: a character other than "
                                "letters, digits, “+”, “/”, white space and closing “=” padding."));
        out = std::move(decoded);
        return true;
    }

    // A <data> value decoded straight from the document when it is plain base64 up to its
    // closing tag, which is how writers lay it out: no copy of the text is made. Anything
    // else (entities, comments, CDATA inside) goes the general way through readText().
    bool readDataValue(QVariant& out) {
        const char* const start = m_p;
        const char* const stop = std::find_if(start, m_end, [](char c) { return c == '<' || c == '&'; });
        if (stop != m_end && *stop == '<' && m_end - stop >= 7 && std::memcmp(stop, "</data", 6) == 0 &&
            !isNameChar(stop[6])) {
            m_p = stop;
            Tag tag;
            if (!readTag(tag))
                return false;
            return readData(QByteArrayView(start, stop - start), out);
        }
        QByteArray text;
        return readText("data", text) && readData(text, out);
    }

    // Reads the next element inside a container; false at its closing tag (done) or on
    // an error (m_error set).
    bool nextTag(const QByteArray& container, Tag& tag, bool* done) {
        *done = false;
        if (!skipMisc(false) || !readTag(tag))
            return false;
        if (tag.closing) {
            if (tag.name != container)
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            *done = true;
            return false;
        }
        return true;
    }

    bool readArray(const Tag& tag, QVariant& out, int depth) {
        QVariantList list;
        if (!tag.empty) {
            for (;;) {
                Tag item;
                bool done = false;
                if (!nextTag("array", item, &done)) {
                    if (!done)
                        return false;
                    break;
                }
                QVariant value;
                if (!readValue(item, value, depth + 1))
                    return false;
                list.append(std::move(value));
            }
        }
        out = std::move(list);
        return true;
    }

    bool readDict(const Tag& tag, QVariant& out, int depth) {
        QVariantMap map;
        if (!tag.empty) {
            for (;;) {
                Tag keyTag;
                bool done = false;
                if (!nextTag("dict", keyTag, &done)) {
                    if (!done)
                        return false;
                    break;
                }
                if (keyTag.name != "key")
                    return setError(QT_TRANSLATE_NOOP(
                        "PropertyList", "The property list holds a dictionary value without a key."));
                QByteArray key;
                if (!keyTag.empty && !readText("key", key))
                    return false;
                Tag valueTag;
                if (!nextTag("dict", valueTag, &done))
                    return done ? setError(QT_TRANSLATE_NOOP(
                                      "PropertyList",
                                      "The property list holds a dictionary key without a value."))
                                : false;
                QVariant value;
                if (!readValue(valueTag, value, depth + 1))
                    return false;
                map.insert(exactTextFromUtf8(key), std::move(value));
            }
        }
        out = std::move(map);
        return true;
    }
};

// ---------------------------------------------------------------------------------------
// Binary ("bplist00"): a header, objects, a table of object offsets and a 32-byte
// trailer. Every offset, count and reference is checked against the data; a reference
// back to an object being read is a cycle and an error. An object may be referred to any
// number of times, so a small file can describe an enormous value: a dictionary holding a
// long text, referred to by every element of an array, makes as many recipes, each with
// its own copy of the text once a caller stores them. A budget keeps the value in
// proportion to the file: every reference followed spends kObjectBytes and the bytes of
// the text or data it reaches, again at each reference, out of kExpansionFactor times the
// size of the data plus kExpansionAllowance. An ordinary list spells out about its own
// size (a few times it for lists of small numbers); one past the budget is refused, which
// also bounds the work of reading it.

class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& data)
        : m_data(reinterpret_cast<const uchar*>(data.constData())), m_size(quint64(data.size())) {}

    QVariant read(QString* error) {
        QVariant value;
        if (!readTrailer() || !readObject(m_top, value, 0)) {
            if (error)
                *error = errorText(
                    m_error ? m_error
                            : QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            return {};
        }
        return value;
    }

private:
    const uchar* m_data;
    quint64 m_size;
    const char* m_error = nullptr;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_top = 0;
    quint64 m_tableOffset = 0;
    quint64 m_expansionBudget = 0; // bytes the value may still spell out
    std::vector<char> m_visiting;
    std::vector<QVariant> m_scalars; // read once, then shared

    bool fail(const char* text) {
        if (!m_error)
            m_error = text;
        return false;
    }

    quint64 bigEndian(quint64 at, unsigned bytes) const {
        quint64 v = 0;
        for (unsigned i = 0; i < bytes; ++i)
            v = (v << 8) | m_data[at + i];
        return v;
    }

    bool readTrailer() {
        if (m_size < 8 + 32 || std::memcmp(m_data, "bplist00", 8) != 0)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
        const quint64 t = m_size - 32;
        m_offsetSize = m_data[t + 6];
        m_refSize = m_data[t + 7];
        m_objectCount = bigEndian(t + 8, 8);
        m_top = bigEndian(t + 16, 8);
        m_tableOffset = bigEndian(t + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        // Every object takes at least one byte before the table.
        if (m_objectCount == 0 || m_objectCount > m_size || m_top >= m_objectCount || m_tableOffset < 9 ||
            m_tableOffset > t || m_objectCount * m_offsetSize > t - m_tableOffset)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        m_visiting.assign(size_t(m_objectCount), 0);
        m_scalars.assign(size_t(m_objectCount), QVariant());
        m_expansionBudget = m_size * kExpansionFactor + kExpansionAllowance;
        return true;
    }

    // Charges bytes of the value being built to the expansion budget.
    bool spend(quint64 bytes) {
        if (bytes > m_expansionBudget)
            return fail(QT_TRANSLATE_NOOP(
                "PropertyList", "The binary property list refers to its shared values so many times "
                                "that it would expand to far more than its own size."));
        m_expansionBudget -= bytes;
        return true;
    }

    // What a text or data value spells out: its bytes in memory.
    static quint64 payloadBytes(const QVariant& value) {
        if (value.metaType().id() == QMetaType::QByteArray)
            return quint64(value.toByteArray().size());
        if (value.metaType().id() == QMetaType::QString)
            return quint64(value.toString().size()) * 2;
        return 0;
    }

    bool objectOffset(quint64 index, quint64* offset) {
        if (index >= m_objectCount)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        *offset = bigEndian(m_tableOffset + index * m_offsetSize, m_offsetSize);
        if (*offset < 8 || *offset >= m_tableOffset)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        return true;
    }

    // Bytes available from `at` up to the offset table.
    bool has(quint64 at, quint64 length) const { return at <= m_tableOffset && length <= m_tableOffset - at; }

    // The count in the low nibble, or the integer object that follows when it is 0xF.
    bool readCount(quint64& at, unsigned info, quint64* count) {
        if (info != 0xF) {
            *count = info;
            return true;
        }
        if (!has(at, 1))
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        const uchar marker = m_data[at++];
        if ((marker >> 4) != 0x1 || (marker & 0xF) > 3)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        const unsigned bytes = 1u << (marker & 0xF);
        if (!has(at, bytes))
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        *count = bigEndian(at, bytes);
        at += bytes;
        return true;
    }

    bool readObject(quint64 index, QVariant& out, int depth) {
        if (depth > kMaxDepth)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The property list is nested too deeply."));
        if (index >= m_objectCount)
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        if (!spend(kObjectBytes))
            return false;
        if (m_scalars[size_t(index)].isValid()) {
            if (!spend(payloadBytes(m_scalars[size_t(index)])))
                return false;
            out = m_scalars[size_t(index)];
            return true;
        }
        if (m_visiting[size_t(index)])
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list refers to itself."));
        quint64 at = 0;
        if (!objectOffset(index, &at))
            return false;
        const uchar marker = m_data[at++];
        const unsigned type = marker >> 4;
        const unsigned info = marker & 0xF;
        switch (type) {
        case 0x0:
            if (info == 0x8 || info == 0x9) {
                out = info == 0x9;
                return true;
            }
            return fail(QT_TRANSLATE_NOOP("PropertyList",
                                          "The binary property list holds a value of an unknown kind."));
        case 0x1: {
            if (info > 4)
                return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
            const unsigned bytes = 1u << info;
            if (!has(at, bytes))
                return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
            // 16-byte integers: the low 64 bits carry every value a reader can use.
            out = qint64(bigEndian(at + (bytes > 8 ? bytes - 8 : 0), std::min(bytes, 8u)));
            return true;
        }
        case 0x2: {
            if (info == 2 && has(at, 4)) {
                const quint32 bits = quint32(bigEndian(at, 4));
                float f;
                std::memcpy(&f, &bits, 4);
                out = double(f);
                return true;
            }
            if (info == 3 && has(at, 8)) {
                const quint64 bits = bigEndian(at, 8);
                double d;
                std::memcpy(&d, &bits, 8);
                out = d;
                return true;
            }
            return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
        }
        case 0x3: {
            if (info != 3 || !has(at, 8))
                return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
            const quint64 bits = bigEndian(at, 8);
            double seconds;
            std::memcpy(&seconds, &bits, 8);
            const QDateTime date = dateFromSeconds2001(seconds);
            if (!date.isValid())
                return fail(
                    QT_TRANSLATE_NOOP("PropertyList", "The property list holds a date that cannot be read."));
            out = date;
            return true;
        }
        case 0x4:
        case 0x5:
        case 0x6:
        case 0x7: {
            quint64 count = 0;
            if (!readCount(at, info, &count))
                return false;
            const quint64 unit = type == 0x6 ? 2 : 1;
            if (count > m_tableOffset || !has(at, count * unit))
                return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
            if (!spend(type == 0x4 ? count : count * 2))
                return false;
            const char* bytes = reinterpret_cast<const char*>(m_data + at);
            QVariant value;
            if (type == 0x4) {
                value = QByteArray(bytes, qsizetype(count));
            } else if (type == 0x5) {
                value = QString::fromLatin1(bytes, qsizetype(count));
            } else if (type == 0x7) {
                value = exactTextFromUtf8(QByteArrayView(bytes, qsizetype(count)));
            } else {
                QString s(qsizetype(count), Qt::Uninitialized);
                for (quint64 i = 0; i < count; ++i)
                    s[qsizetype(i)] = QChar(char16_t(bigEndian(at + 2 * i, 2)));
                value = s;
            }
            m_scalars[size_t(index)] = value;
            out = std::move(value);
            return true;
        }
        case 0x8: {
            const unsigned bytes = info + 1;
            if (bytes > 8 || !has(at, bytes))
                return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
            QVariantMap uid;
            uid.insert(QStringLiteral("CF$UID"), qint64(bigEndian(at, bytes)));
            out = uid;
            return true;
        }
        case 0xA:
        case 0xB:
        case 0xC:
        case 0xD: {
            quint64 count = 0;
            if (!readCount(at, info, &count))
                return false;
            const quint64 refs = type == 0xD ? 2 : 1;
            if (count > m_tableOffset || !has(at, count * refs * m_refSize))
                return fail(QT_TRANSLATE_NOOP("PropertyList", "The binary property list is damaged."));
            m_visiting[size_t(index)] = 1;
            const bool ok = type == 0xD ? readDict(at, count, out, depth) : readArray(at, count, out, depth);
            m_visiting[size_t(index)] = 0;
            return ok;
        }
        default:
            return fail(QT_TRANSLATE_NOOP("PropertyList",
                                          "The binary property list holds a value of an unknown kind."));
        }
    }

    bool readArray(quint64 at, quint64 count, QVariant& out, int depth) {
        QVariantList list;
        list.reserve(qsizetype(std::min<quint64>(count, 4096)));
        for (quint64 i = 0; i < count; ++i) {
            QVariant item;
            if (!readObject(bigEndian(at + i * m_refSize, m_refSize), item, depth + 1))
                return false;
            list.append(std::move(item));
        }
        out = std::move(list);
        return true;
    }

    bool readDict(quint64 at, quint64 count, QVariant& out, int depth) {
        QVariantMap map;
        for (quint64 i = 0; i < count; ++i) {
            QVariant key;
            if (!readObject(bigEndian(at + i * m_refSize, m_refSize), key, depth + 1))
                return false;
            if (key.metaType().id() != QMetaType::QString)
                return fail(QT_TRANSLATE_NOOP(
                    "PropertyList", "The binary property list holds a dictionary key that is not text."));
            QVariant value;
            if (!readObject(bigEndian(at + (count + i) * m_refSize, m_refSize), value, depth + 1))
                return false;
            map.insert(key.toString(), std::move(value));
        }
        out = std::move(map);
        return true;
    }
};

} // namespace

QByteArray xmlEncoding(QByteArrayView head) {
    const auto startsWith = [head](const char* bytes, qsizetype n) {
        return head.size() >= n && std::memcmp(head.data(), bytes, size_t(n)) == 0;
    };
    if (startsWith("\xEF\xBB\xBF", 3))
        return {};
    if (startsWith("\xFF\xFE\0\0", 4) || startsWith("<\0\0\0", 4))
        return QByteArrayLiteral("UTF-32LE");
    if (startsWith("\0\0\xFE\xFF", 4) || startsWith("\0\0\0<", 4))
        return QByteArrayLiteral("UTF-32BE");
    if (startsWith("\xFF\xFE", 2) || startsWith("<\0", 2))
        return QByteArrayLiteral("UTF-16LE");
    if (startsWith("\xFE\xFF", 2) || startsWith("\0<", 2))
        return QByteArrayLiteral("UTF-16BE");
    // Bytes that read as ASCII: the declaration may name an encoding of that family.
    if (!startsWith("<?xml", 5))
        return {};
    const qsizetype close = head.indexOf("?>");
    const QByteArrayView declaration = head.first(close < 0 ? head.size() : close);
    qsizetype i = declaration.indexOf("encoding");
    if (i < 0)
        return {};
    i += 8;
    const auto skipSpace = [&] {
        while (i < declaration.size() && (declaration[i] == ' ' || declaration[i] == '\t' ||
                                          declaration[i] == '\r' || declaration[i] == '\n'))
            ++i;
    };
    skipSpace();
    if (i >= declaration.size() || declaration[i] != '=')
        return {};
    ++i;
    skipSpace();
    if (i >= declaration.size() || (declaration[i] != '"' && declaration[i] != '\''))
        return {};
    const char quote = declaration[i++];
    const qsizetype end = declaration.indexOf(quote, i);
    if (end < 0)
        return {};
    const QByteArray name = declaration.sliced(i, end - i).toByteArray().toLower();
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
              c == ':'))
            return {};
    // UTF-8 needs no conversion; UTF-16 and UTF-32 cannot be what bytes that read as
    // ASCII are in, whatever the declaration says.
    if (name.isEmpty() || name == "utf-8" || name == "utf8" || name.startsWith("utf-16") ||
        name.startsWith("utf-32") || name.startsWith("ucs"))
        return {};
    return name;
}

QVariant readXml(const QByteArray& data, QString* error) {
    const QByteArray encoding = xmlEncoding(QByteArrayView(data).first(std::min(data.size(), kEncodingHead)));
    if (!encoding.isEmpty()) {
        // Read as UTF-8 after conversion. An encoding this system does not know is read as
        // UTF-8, as before declarations were looked at.
        QStringDecoder decoder(encoding.constData());
        if (decoder.isValid()) {
            const QString text = decoder.decode(data);
            return XmlReader(text.toUtf8()).read(error);
        }
    }
    return XmlReader(data).read(error);
}

QVariant readBinary(const QByteArray& data, QString* error) {
    return BinaryReader(data).read(error);
}

} // namespace propertylist
