#include "PropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

#include "PropertyListReaders.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

// Conventions of the mapping between QVariant and the property list model:
//  - Integers are qint64. An integer above the signed range (some writers keep unsigned
//    64-bit values) comes back as the negative qint64 with the same bits; 16-byte
//    integers of binary lists keep their low 64 bits.
//  - Dates are QDateTime in UTC, to the millisecond. XML is written in whole seconds (its
//    date form has no fraction); a fraction is read.
//  - A keyed-archive identifier (binary lists only) reads as the dictionary
//    {"CF$UID": number}, its form in XML.
//  - Writing other QVariant types: QStringList and sequences become arrays, QVariantHash
//    a dictionary, every integer type an integer, float a real, QDate a date at midnight
//    UTC, anything else the string of QVariant::toString(). An invalid QVariant (and an
//    invalid date) is left out of a dictionary and written as an empty string elsewhere.
//    Characters XML 1.0 cannot carry are left out of strings and keys, and counted.

namespace {

using propertylist::kMaxDepth;

std::atomic<qint64> g_byteLimitForTesting{0};

// The XML writer. Strings are UTF-8 with &, < and > escaped; characters XML 1.0 cannot carry
// (NUL and the other C0 controls but tab, line feed and carriage return, U+FFFE, U+FFFF and
// surrogates that are not half of a pair) are left out and counted, since readers refuse a
// document holding them, raw or as character references. Every other character is written
// as it is.

// The number of UTF-16 units of the character at i when XML 1.0 can carry it (2 for a
// surrogate pair), 0 when it must be left out.
inline int writableUnits(const char16_t* units, qsizetype i, qsizetype n) {
    const char16_t c = units[i];
    if (c >= 0x20 && c < 0xD800)
        return 1;
    if (c < 0x20)
        return c == u'\t' || c == u'\n' || c == u'\r' ? 1 : 0;
    if (c < 0xDC00)
        return i + 1 < n && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000 ? 2 : 0;
    if (c < 0xE000)
        return 0;
    return c == 0xFFFE || c == 0xFFFF ? 0 : 1;
}

// Appends utf8 with &, < and > escaped: the size is counted first, so out grows once and the
// bytes are copied in one go when nothing needs escaping.
void appendMarkupEscaped(QByteArray& out, QByteArrayView utf8) {
    qsizetype extra = 0;
    for (const char c : utf8)
        extra += c == '&' ? 4 : (c == '<' || c == '>') ? 3 : 0;
    const qsizetype at = out.size();
    out.resize(at + utf8.size() + extra);
    char* p = out.data() + at;
    if (extra == 0) {
        std::memcpy(p, utf8.data(), size_t(utf8.size()));
        return;
    }
    for (const char c : utf8) {
        switch (c) {
        case '&':
            std::memcpy(p, "&amp;", 5);
            p += 5;
            break;
        case '<':
            std::memcpy(p, "&lt;", 4);
            p += 4;
            break;
        case '>':
            std::memcpy(p, "&gt;", 4);
            p += 4;
            break;
        default:
            *p++ = c;
        }
    }
}

// Appends text escaped, adding the characters left out to dropped. One pass looks for them;
// only a text that holds some is converted in pieces, around them.
void appendEscaped(QByteArray& out, const QString& text, qsizetype& dropped) {
    const char16_t* const units = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (int w; i < n && (w = writableUnits(units, i, n)) != 0;)
        i += w;
    if (i == n) {
        appendMarkupEscaped(out, text.toUtf8());
        return;
    }
    qsizetype run = 0;
    while (i < n) {
        const int w = writableUnits(units, i, n);
        if (w != 0) {
            i += w;
            continue;
        }
        if (i > run)
            appendMarkupEscaped(out, QStringView(units + run, i - run).toUtf8());
        ++dropped;
        run = ++i;
    }
    if (n > run)
        appendMarkupEscaped(out, QStringView(units + run, n - run).toUtf8());
}

void indent(QByteArray& out, int depth) {
    out.append(depth, '\t');
}

QByteArray realText(double d) {
    if (std::isnan(d))
        return "nan";
    if (std::isinf(d))
        return d > 0 ? "+infinity" : "-infinity";
    if (d == 0)
        return "0.0";
    return QByteArray::number(d, 'g', 17);
}

// YYYY-MM-DDTHH:MM:SSZ (years before 1 with a minus), in whole seconds: the XML form of a
// date has no fraction, and other readers of these files refuse one. Milliseconds are cut
// off (the store keeps them; a fraction another program wrote is still read).
QByteArray dateText(const QDateTime& date) {
    qint64 ms = date.toMSecsSinceEpoch();
    ms -= ((ms % 1000) + 1000) % 1000;
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    const QDate d = utc.date();
    const QTime t = utc.time();
    const QByteArray year = QByteArray::number(qAbs(d.year())).rightJustified(4, '0');
    return (d.year() < 0 ? "-" + year : year) + '-' + QByteArray::number(d.month()).rightJustified(2, '0') +
           '-' + QByteArray::number(d.day()).rightJustified(2, '0') + 'T' +
           QByteArray::number(t.hour()).rightJustified(2, '0') + ':' +
           QByteArray::number(t.minute()).rightJustified(2, '0') + ':' +
           QByteArray::number(t.second()).rightJustified(2, '0') + 'Z';
}

// No value to write: an invalid QVariant, a null pointer or an invalid date.
bool isAbsent(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return true;
    case QMetaType::QDateTime:
        return !value.toDateTime().isValid();
    case QMetaType::QDate:
        return !value.toDate().isValid();
    default:
        return false;
    }
}

void writeValue(QByteArray& out, const QVariant& value, int depth, qsizetype& dropped);

void writeArray(QByteArray& out, const QVariantList& list, int depth, qsizetype& dropped) {
    if (list.isEmpty()) {
        indent(out, depth);
        out += "<array/>\n";
        return;
    }
    indent(out, depth);
    out += "<array>\n";
    for (const QVariant& item : list)
        writeValue(out, item, depth + 1, dropped);
    indent(out, depth);
    out += "</array>\n";
}

template <typename Map> void writeDict(QByteArray& out, const Map& map, int depth, qsizetype& dropped) {
    // Keys in a stable order whatever the map type.
    QStringList keys;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (!isAbsent(it.value()))
            keys.append(it.key());
    keys.sort();
    if (keys.isEmpty()) {
        indent(out, depth);
        out += "<dict/>\n";
        return;
    }
    indent(out, depth);
    out += "<dict>\n";
    for (const QString& key : keys) {
        indent(out, depth + 1);
        out += "<key>";
        appendEscaped(out, key, dropped);
        out += "</key>\n";
        writeValue(out, map.value(key), depth + 1, dropped);
    }
    indent(out, depth);
    out += "</dict>\n";
}

void writeScalar(QByteArray& out, const char* tag, const QByteArray& text, int depth) {
    indent(out, depth);
    out += '<';
    out += tag;
    out += '>';
    out += text;
    out += "</";
    out += tag;
    out += ">\n";
}

void writeString(QByteArray& out, const QString& text, int depth, qsizetype& dropped) {
    indent(out, depth);
    out += "<string>";
    appendEscaped(out, text, dropped);
    out += "</string>\n";
}

void writeData(QByteArray& out, const QByteArray& bytes, int depth) {
    indent(out, depth);
    if (bytes.isEmpty()) {
        out += "<data></data>\n";
        return;
    }
    out += "<data>\n";
    const QByteArray base64 = bytes.toBase64();
    for (qsizetype i = 0; i < base64.size(); i += 68) {
        indent(out, depth);
        out += base64.mid(i, 68);
        out += '\n';
    }
    indent(out, depth);
    out += "</data>\n";
}

void writeValue(QByteArray& out, const QVariant& value, int depth, qsizetype& dropped) {
    if (depth > kMaxDepth || isAbsent(value)) {
        writeString(out, QString(), depth, dropped);
        return;
    }
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
        writeDict(out, value.toMap(), depth, dropped);
        return;
    case QMetaType::QVariantHash:
        writeDict(out, value.toHash(), depth, dropped);
        return;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        writeArray(out, value.toList(), depth, dropped);
        return;
    case QMetaType::QString:
        writeString(out, value.toString(), depth, dropped);
        return;
    case QMetaType::QByteArray:
        writeData(out, value.toByteArray(), depth);
        return;
    case QMetaType::Bool:
        indent(out, depth);
        out += value.toBool() ? "<true/>\n" : "<false/>\n";
        return;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
    case QMetaType::Char:
        writeScalar(out, "integer", QByteArray::number(value.toLongLong()), depth);
        return;
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        writeScalar(out, "integer", QByteArray::number(value.toULongLong()), depth);
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        writeScalar(out, "real", realText(value.toDouble()), depth);
        return;
    case QMetaType::QDateTime:
        writeScalar(out, "date", dateText(value.toDateTime()), depth);
        return;
    case QMetaType::QDate:
        writeScalar(out, "date", dateText(value.toDate().startOfDay(Qt::UTC)), depth);
        return;
    default:
        break;
    }
    if (value.canConvert<QVariantList>() && !value.canConvert<QString>())
        writeArray(out, value.toList(), depth, dropped);
    else if (value.canConvert<QVariantMap>() && !value.canConvert<QString>())
        writeDict(out, value.toMap(), depth, dropped);
    else
        writeString(out, value.toString(), depth, dropped);
}

} // namespace

qint64 propertyListByteLimit() {
    const qint64 forTesting = g_byteLimitForTesting.load(std::memory_order_relaxed);
    return forTesting > 0 ? forTesting : kMaxPropertyListBytes;
}

void setPropertyListByteLimitForTesting(qint64 bytes) {
    g_byteLimitForTesting.store(bytes, std::memory_order_relaxed);
}

PropertyListResult readPropertyList(const QByteArray& data) {
    PropertyListResult result;
    if (data.isEmpty()) {
        result.error = QCoreApplication::translate("PropertyList", "The property list is empty.");
        return result;
    }
    if (data.size() > propertyListByteLimit()) {
        result.error = QCoreApplication::translate("PropertyList", "The property list is too large.");
        return result;
    }
    QString error;
    QVariant value = data.startsWith("bplist") ? propertylist::readBinary(data, &error)
                                               : propertylist::readXml(data, &error);
    if (!value.isValid()) {
        result.error = error.isEmpty()
                           ? QCoreApplication::translate("PropertyList", "The data is not a property list.")
                           : error;
        return result;
    }
    result.value = std::move(value);
    return result;
}

PropertyListResult readPropertyListFile(const QString& path) {
    PropertyListResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QCoreApplication::translate("PropertyList", "The file %1 could not be opened: %2")
                           .arg(path, file.errorString());
        return result;
    }
    if (file.size() > propertyListByteLimit()) {
        result.error = QCoreApplication::translate("PropertyList", "The property list is too large.");
        return result;
    }
    const QByteArray data = file.readAll();
    result = readPropertyList(data);
    if (!result.ok())
        result.error = QCoreApplication::translate("PropertyList", "The file %1 could not be read: %2")
                           .arg(path, result.error);
    return result;
}

QByteArray xmlPropertyListData(const QVariant& value, qsizetype* droppedCharacters) {
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                     "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                     "<plist version=\"1.0\">\n";
    qsizetype dropped = 0;
    writeValue(out, value, 0, dropped);
    out += "</plist>\n";
    if (droppedCharacters)
        *droppedCharacters = dropped;
    return out;
}

bool writePropertyListFile(const QVariant& value, const QString& path, QString* error) {
    const QByteArray data = xmlPropertyListData(value);
    auto fail = [&](const QString& reason) {
        if (error)
            *error = QCoreApplication::translate("PropertyList", "The file %1 could not be written: %2")
                         .arg(path, reason);
        return false;
    };
    if (data.isEmpty())
        return fail(QCoreApplication::translate("PropertyList", "The value could not be encoded."));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (file.write(data) != data.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    if (error)
        error->clear();
    return true;
}

// ---------------------------------------------------------------------------------------
// Arrays read and written one element at a time.

namespace {

constexpr qsizetype kReadPiece = qsizetype(4) * 1024 * 1024;

const char kXmlHeader[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                          "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                          "<plist version=\"1.0\">\n";

// Cuts the root array of an XML property list file into the bytes of its elements, each
// then decoded by the whole-list reader. Only the markup is looked at here: comments,
// processing instructions, CDATA sections and the nesting of tags, which is all that is
// needed to find where an element ends. The buffer holds the element being cut plus at
// most one piece read ahead: every scan is bounded as it goes (an element by propertyListByteLimit(), a
// tag by kMaxTagBytes, the document type by kMaxDoctypeBytes), and what lies between
// elements (comments, processing instructions) is dropped as it is passed. A file in
// another encoding than UTF-8 is converted piece by piece as it is read, so the markup
// and the elements are UTF-8 here.
class XmlArrayStream {
public:
    enum Step { Element, TooLarge, End, Failed };

    explicit XmlArrayStream(QFile& file) : m_file(file) {}

    const QString& error() const { return m_error; }

    // Reads up to the first element of the root array.
    bool open() {
        ensure(propertylist::kEncodingHead);
        const QByteArray encoding = propertylist::xmlEncoding(
            QByteArrayView(m_buffer).first(std::min(m_buffer.size(), propertylist::kEncodingHead)));
        if (!encoding.isEmpty()) {
            // An encoding this system does not know is read as UTF-8, as readXml() does.
            auto decoder = std::make_unique<QStringDecoder>(encoding.constData());
            if (decoder->isValid()) {
                m_decoder = std::move(decoder);
                m_buffer = utf8(m_buffer);
            }
        }
        if (ensure(3) && std::memcmp(m_buffer.constData() + m_pos, "\xEF\xBB\xBF", 3) == 0)
            m_pos += 3;
        if (!skipMisc(true))
            return false;
        Tag tag;
        if (!readTagAt(m_pos, tag) || tag.closing)
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        m_pos = tag.end;
        if (tag.name == "plist") {
            if (tag.empty)
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list holds no value."));
            m_plist = true;
            if (!skipMisc(false) || !readTagAt(m_pos, tag))
                return false;
            if (tag.closing)
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list holds no value."));
            m_pos = tag.end;
        }
        if (tag.name != "array")
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list does not hold an array."));
        m_rootClosed = tag.empty;
        return true;
    }

    // The next element of the root array in *element (valid until the next call), End
    // after the array and the end of the document, or Failed. An element longer than
    // the byte limit is passed over to its end, its bytes dropped as they are scanned, and
    // answers TooLarge.
    Step next(QByteArray* element) {
        if (m_pos > kReadPiece) {
            m_buffer.remove(0, m_pos);
            m_pos = 0;
        }
        if (!skipMisc(false))
            return Failed;
        Tag tag;
        if (m_rootClosed || (peekIsClosingTag() && readTagAt(m_pos, tag) && tag.name == "array")) {
            if (!m_rootClosed)
                m_pos = tag.end;
            m_rootClosed = true;
            return finish() ? End : Failed;
        }
        const qsizetype start = m_pos;
        if (at(start) != '<' || at(start + 1) == '!') {
            setError(at(start) < 0 ? QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early.")
                                   : QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
            return Failed;
        }
        qsizetype p = m_pos;
        int depth = 0;
        bool tooLarge = false;
        const qint64 limit = propertyListByteLimit();
        // The end of needle after from: within the limit while the element may still be
        // kept, else dropping what it passes. -2 when the element just passed the limit.
        const auto search = [&](qsizetype from, const char* needle) {
            if (tooLarge)
                return findDropping(from, needle);
            return find(from, needle, start, limit, nullptr);
        };
        for (;;) {
            if (!tooLarge && p - start > limit)
                tooLarge = true;
            if (tooLarge && p > kReadPiece) {
                m_buffer.remove(0, p);
                p = 0;
                m_pos = 0;
            }
            qsizetype close = 0;
            if (startsWithAt(p, "<!--")) {
                if ((close = search(p + 4, "-->")) >= 0)
                    p = close + 3;
            } else if (startsWithAt(p, "<![CDATA[")) {
                if ((close = search(p + 9, "]]>")) >= 0)
                    p = close + 3;
            } else if (startsWithAt(p, "<?")) {
                if ((close = search(p + 2, "?>")) >= 0)
                    p = close + 2;
            } else {
                if (!readTagAt(p, tag))
                    return Failed;
                if (tag.closing) {
                    if (--depth < 0) {
                        setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
                        return Failed;
                    }
                } else if (!tag.empty) {
                    ++depth;
                }
                p = tag.end;
            }
            if (close == -2) {
                tooLarge = true; // the same construct again, now dropping its bytes
                continue;
            }
            if (close < 0)
                return Failed;
            if (depth == 0) {
                m_pos = p;
                if (tooLarge)
                    return TooLarge;
                *element = QByteArray::fromRawData(m_buffer.constData() + start, p - start);
                return Element;
            }
            qsizetype open = search(p, "<");
            if (open == -2) {
                tooLarge = true;
                open = search(p, "<");
            }
            if (open < 0)
                return Failed;
            p = open;
        }
    }

private:
    struct Tag {
        QByteArray name;
        bool closing = false;
        bool empty = false;
        qsizetype end = 0; // just after '>'
    };

    static constexpr const char* kTooLarge =
        QT_TRANSLATE_NOOP("PropertyList", "The property list is too large.");
    static constexpr const char* kTagTooLong =
        QT_TRANSLATE_NOOP("PropertyList", "The property list holds a tag that is too long.");
    static constexpr const char* kDoctypeTooLong =
        QT_TRANSLATE_NOOP("PropertyList", "The property list holds a document type that is too long.");

    QFile& m_file;
    std::unique_ptr<QStringDecoder> m_decoder; // set when the file is not UTF-8
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_eof = false;
    bool m_plist = false;
    bool m_rootClosed = false;
    QString m_error;

    bool setError(const char* text) {
        if (m_error.isEmpty())
            m_error = propertylist::errorText(text);
        return false;
    }

    // Bytes of the file's encoding as UTF-8; a character cut at the end of a piece is
    // completed by the next one.
    QByteArray utf8(QByteArrayView raw) {
        const QString text = m_decoder->decode(raw);
        return text.toUtf8();
    }

    // Appends the next piece of the file (at least as much as is buffered, so scanning
    // stays linear); false at the end of the file or on a read error.
    bool readMore() {
        if (m_eof)
            return false;
        const qsizetype piece = qMax(kReadPiece, m_buffer.size() - m_pos);
        qint64 got = 0;
        if (m_decoder) {
            QByteArray raw(piece, Qt::Uninitialized);
            got = m_file.read(raw.data(), piece);
            if (got > 0)
                m_buffer += utf8(QByteArrayView(raw).first(got));
        } else {
            const qsizetype old = m_buffer.size();
            m_buffer.resize(old + piece);
            got = m_file.read(m_buffer.data() + old, piece);
            m_buffer.resize(old + qMax<qint64>(got, 0));
        }
        if (got < 0)
            m_error = QCoreApplication::translate("PropertyList", "The file could not be read: %1")
                          .arg(m_file.errorString());
        if (got <= 0) {
            m_eof = true;
            return false;
        }
        return true;
    }

    // At least n bytes from m_pos, unless the file ends first.
    bool ensure(qsizetype n) {
        while (m_buffer.size() - m_pos < n)
            if (!readMore())
                return false;
        return true;
    }

    // The byte at offset i, or -1 after the end of the file.
    int at(qsizetype i) {
        while (i >= m_buffer.size())
            if (!readMore())
                return -1;
        return static_cast<unsigned char>(m_buffer.at(i));
    }

    bool startsWithAt(qsizetype i, const char* text) {
        const qsizetype n = qsizetype(std::strlen(text));
        for (qsizetype k = 0; k < n; ++k)
            if (at(i + k) != static_cast<unsigned char>(text[k]))
                return false;
        return true;
    }

    // The offset of needle at or after from, ending no more than limit bytes after origin;
    // -1 with the error set when the file ends first or the limit is passed (tooLong). Without
    // tooLong, passing the limit answers -2 and sets no error.
    qsizetype find(qsizetype from, const char* needle, qsizetype origin, qsizetype limit,
                   const char* tooLong) {
        const qsizetype n = qsizetype(std::strlen(needle));
        qsizetype searchFrom = from;
        for (;;) {
            const qsizetype found = m_buffer.indexOf(needle, searchFrom);
            if (found >= 0 && found + n - origin <= limit)
                return found;
            if (found >= 0 || m_buffer.size() - origin > limit + n) {
                if (!tooLong)
                    return -2;
                setError(tooLong);
                return -1;
            }
            searchFrom = qMax(from, m_buffer.size() - n + 1);
            if (!readMore()) {
                setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
                return -1;
            }
        }
    }

    // The offset of needle at or after from, dropping the bytes before from and those the
    // search passes, so the buffer stays about one piece long; -1 with the error set when the
    // file ends first.
    qsizetype findDropping(qsizetype from, const char* needle) {
        const qsizetype n = qsizetype(std::strlen(needle));
        m_buffer.remove(0, from);
        m_pos = 0;
        for (;;) {
            const qsizetype found = m_buffer.indexOf(needle);
            if (found >= 0)
                return found;
            m_buffer.remove(0, qMax<qsizetype>(0, m_buffer.size() - n + 1));
            if (!readMore()) {
                setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
                return -1;
            }
        }
    }

    static bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    bool peekIsClosingTag() { return at(m_pos) == '<' && at(m_pos + 1) == '/'; }

    // Moves m_pos just past needle, searching from `from` and dropping the bytes passed:
    // nothing between elements is handed on, so it costs no memory however long it is.
    bool skipPast(qsizetype from, const char* needle) {
        const qsizetype n = qsizetype(std::strlen(needle));
        m_pos = from;
        for (;;) {
            const qsizetype found = m_buffer.indexOf(needle, m_pos);
            if (found >= 0) {
                m_pos = found + n;
                return true;
            }
            m_pos = qMax(m_pos, m_buffer.size() - n + 1);
            m_buffer.remove(0, m_pos);
            m_pos = 0;
            if (!readMore())
                return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
        }
    }

    // Whitespace, comments and processing instructions; in the prolog also the document
    // type, with its internal subset.
    bool skipMisc(bool prolog) {
        for (;;) {
            while (isSpace(at(m_pos)))
                ++m_pos;
            if (startsWithAt(m_pos, "<!--")) {
                if (!skipPast(m_pos + 4, "-->"))
                    return false;
            } else if (startsWithAt(m_pos, "<?")) {
                if (!skipPast(m_pos + 2, "?>"))
                    return false;
            } else if (prolog && startsWithAt(m_pos, "<!DOCTYPE")) {
                if (!skipDoctype())
                    return false;
            } else {
                return true;
            }
        }
    }

    bool skipDoctype() {
        qsizetype p = m_pos + 9;
        int quote = 0;
        bool subset = false;
        for (int c; (c = at(p)) >= 0; ++p) {
            if (p - m_pos > propertylist::kMaxDoctypeBytes)
                return setError(kDoctypeTooLong);
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                subset = true;
            } else if (c == ']') {
                subset = false;
            } else if (subset && startsWithAt(p, "<!--")) {
                const qsizetype close =
                    find(p + 4, "-->", m_pos, propertylist::kMaxDoctypeBytes, kDoctypeTooLong);
                if (close < 0)
                    return false;
                p = close + 2;
            } else if (c == '>' && !subset) {
                m_pos = p + 1;
                return true;
            }
        }
        return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
    }

    static bool isNameChar(int c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.' || c == ':' || c >= 0x80;
    }

    // An element tag at offset i: <name attr="v">, <name/> or </name>.
    bool readTagAt(qsizetype i, Tag& tag) {
        tag = Tag();
        if (at(i) < 0)
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early."));
        if (at(i) != '<')
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        qsizetype p = i + 1;
        if (at(p) == '/') {
            tag.closing = true;
            ++p;
        }
        const qsizetype nameStart = p;
        while (isNameChar(at(p)) && p - i <= propertylist::kMaxTagBytes)
            ++p;
        if (p == nameStart)
            return setError(QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
        tag.name = m_buffer.mid(nameStart, p - nameStart);
        int quote = 0;
        for (int c; (c = at(p)) >= 0; ++p) {
            if (p - i > propertylist::kMaxTagBytes)
                return setError(kTagTooLong);
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '<') {
                break;
            } else if (c == '>') {
                tag.empty = !tag.closing && m_buffer.at(p - 1) == '/';
                tag.end = p + 1;
                return true;
            }
        }
        return setError(at(p) < 0 ? QT_TRANSLATE_NOOP("PropertyList", "The property list ends too early.")
                                  : QT_TRANSLATE_NOOP("PropertyList", "The data is not a property list."));
    }

    // After the root array: the end of the plist element when there was one.
    bool finish() {
        if (!m_plist)
            return true;
        if (!skipMisc(false))
            return false;
        Tag tag;
        if (!readTagAt(m_pos, tag) || !tag.closing || tag.name != "plist")
            return setError(
                QT_TRANSLATE_NOOP("PropertyList", "The property list holds more than one value."));
        m_pos = tag.end;
        return true;
    }
};

} // namespace

bool readPropertyListArrayFile(const QString& path, const std::function<bool(const QVariant& element)>& visit,
                               QString* error, const std::function<bool()>& tooLarge) {
    auto fail = [&](const QString& reason) {
        if (error)
            *error = QCoreApplication::translate("PropertyList", "The file %1 could not be read: %2")
                         .arg(path, reason);
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QCoreApplication::translate("PropertyList", "The file %1 could not be opened: %2")
                         .arg(path, file.errorString());
        return false;
    }
    if (file.peek(6) == "bplist") {
        file.close();
        const PropertyListResult whole = readPropertyListFile(path);
        if (!whole.ok()) {
            if (error)
                *error = whole.error;
            return false;
        }
        if (whole.value.typeId() != QMetaType::QVariantList)
            return fail(
                QCoreApplication::translate("PropertyList", "The property list does not hold an array."));
        for (const QVariant& element : whole.value.toList())
            if (!visit(element))
                break;
        if (error)
            error->clear();
        return true;
    }
    if (file.size() == 0)
        return fail(QCoreApplication::translate("PropertyList", "The property list is empty."));
    XmlArrayStream stream(file);
    if (!stream.open())
        return fail(stream.error());
    for (;;) {
        QByteArray bytes;
        const XmlArrayStream::Step step = stream.next(&bytes);
        if (step == XmlArrayStream::Failed)
            return fail(stream.error());
        if (step == XmlArrayStream::End)
            break;
        if (step == XmlArrayStream::TooLarge) {
            if (!tooLarge)
                return fail(QCoreApplication::translate("PropertyList", "The property list is too large."));
            if (!tooLarge())
                break;
            continue;
        }
        QString elementError;
        const QVariant element = propertylist::readXml(bytes, &elementError);
        if (!element.isValid())
            return fail(elementError.isEmpty()
                            ? QCoreApplication::translate("PropertyList", "The data is not a property list.")
                            : elementError);
        if (!visit(element))
            break;
    }
    if (error)
        error->clear();
    return true;
}

qsizetype propertyListArrayFileCount(const QString& path, QString* error, bool countTooLarge) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QCoreApplication::translate("PropertyList", "The file %1 could not be opened: %2")
                         .arg(path, file.errorString());
        return -1;
    }
    if (file.peek(6) == "bplist" || file.size() == 0) {
        file.close();
        qsizetype count = 0;
        return readPropertyListArrayFile(
                   path, [&count](const QVariant&) { return ++count, true; }, error)
                   ? count
                   : -1;
    }
    XmlArrayStream stream(file);
    qsizetype count = 0;
    bool ok = stream.open();
    for (QByteArray bytes; ok; ++count) {
        const XmlArrayStream::Step step = stream.next(&bytes);
        if (step == XmlArrayStream::End)
            break;
        ok = step == XmlArrayStream::Element || (step == XmlArrayStream::TooLarge && countTooLarge);
    }
    if (!ok) {
        const QString reason =
            stream.error().isEmpty()
                ? QCoreApplication::translate("PropertyList", "The property list is too large.")
                : stream.error();
        if (error)
            *error = QCoreApplication::translate("PropertyList", "The file %1 could not be read: %2")
                         .arg(path, reason);
        return -1;
    }
    if (error)
        error->clear();
    return count;
}

PropertyListArrayWriter::PropertyListArrayWriter(QString path) : m_path(std::move(path)) {}

PropertyListArrayWriter::~PropertyListArrayWriter() {
    if (m_file)
        m_file->cancelWriting();
}

bool PropertyListArrayWriter::fail(const QString& reason, QString* error) {
    m_failed = true;
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
    if (error)
        *error = QCoreApplication::translate("PropertyList", "The file %1 could not be written: %2")
                     .arg(m_path, reason);
    return false;
}

bool PropertyListArrayWriter::write(const QByteArray& bytes, QString* error) {
    if (m_failed || !m_file)
        return fail(QCoreApplication::translate("PropertyList", "The file is not open for writing."), error);
    if (m_file->write(bytes) != bytes.size())
        return fail(m_file->errorString(), error);
    return true;
}

bool PropertyListArrayWriter::open(QString* error) {
    m_file = std::make_unique<QSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly))
        return fail(m_file->errorString(), error);
    m_failed = false;
    m_count = 0;
    m_droppedCharacters = 0;
    return write(QByteArray(kXmlHeader), error);
}

bool PropertyListArrayWriter::append(const QVariant& element, QString* error) {
    QByteArray out;
    if (m_count == 0)
        out += "<array>\n";
    const qsizetype head = out.size();
    qsizetype dropped = 0;
    writeValue(out, element, 1, dropped);
    // The readers measure an element from its opening tag to its closing one: without the
    // indent before it and the line end after it.
    if (out.size() - head - 2 > propertyListByteLimit())
        return fail(QCoreApplication::translate("PropertyList", "The property list is too large."), error);
    if (!write(out, error))
        return false;
    m_droppedCharacters += dropped;
    ++m_count;
    return true;
}

qint64 PropertyListArrayWriter::elementBytes(const QVariant& element) {
    QByteArray out;
    qsizetype dropped = 0;
    writeValue(out, element, 1, dropped);
    return out.size() - 2;
}

qint64 PropertyListArrayWriter::dataEntryBytes(const QString& key, qint64 dataBytes) {
    // Entries of a dictionary element are written at depth 2, as writeDict() and writeData()
    // lay them out: the key line, then the data's opening line, its base64 in lines of 68
    // characters and its closing line.
    constexpr qint64 kDepth = 2;
    QByteArray keyLine;
    qsizetype dropped = 0;
    appendEscaped(keyLine, key, dropped);
    const qint64 keyBytes = kDepth + qint64(sizeof("<key></key>\n")) - 1 + keyLine.size();
    if (dataBytes <= 0)
        return keyBytes + kDepth + qint64(sizeof("<data></data>\n")) - 1;
    const qint64 base64 = (dataBytes + 2) / 3 * 4;
    const qint64 lines = (base64 + 67) / 68;
    return keyBytes + kDepth + qint64(sizeof("<data>\n")) - 1 + lines * (kDepth + 1) + base64 + kDepth +
           qint64(sizeof("</data>\n")) - 1;
}

bool PropertyListArrayWriter::commit(QString* error) {
    if (!write(m_count == 0 ? QByteArray("<array/>\n</plist>\n") : QByteArray("</array>\n</plist>\n"), error))
        return false;
    if (!m_file->commit())
        return fail(m_file->errorString(), error);
    m_file.reset();
    if (error)
        error->clear();
    return true;
}
