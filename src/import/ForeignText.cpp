#include "ForeignText.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringList>

namespace ForeignText {

namespace {

// 0x80-0x9F of Windows-1252; the five bytes it leaves undefined keep their Latin-1 value.
constexpr char16_t kWindows1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                           0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                           0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                           0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Latin-1 entity names of HTML, for U+00A0 to U+00FF in order.
const char* const kLatin1Names[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",
    "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",
    "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12",
    "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
    "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde",
    "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",
    "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",
    "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
    "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

struct NamedEntity {
    const char* name;
    char32_t character;
};

const NamedEntity kOtherNames[] = {
    {"amp", u'&'},      {"lt", u'<'},       {"gt", u'>'},       {"quot", u'"'},     {"apos", u'\''},
    {"OElig", 0x152},   {"oelig", 0x153},   {"Scaron", 0x160},  {"scaron", 0x161},  {"Yuml", 0x178},
    {"fnof", 0x192},    {"circ", 0x2C6},    {"tilde", 0x2DC},   {"ensp", 0x2002},   {"emsp", 0x2003},
    {"thinsp", 0x2009}, {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},  {"rsquo", 0x2019},
    {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"bdquo", 0x201E},  {"dagger", 0x2020},
    {"Dagger", 0x2021}, {"bull", 0x2022},   {"hellip", 0x2026}, {"permil", 0x2030}, {"lsaquo", 0x2039},
    {"rsaquo", 0x203A}, {"frasl", 0x2044},  {"euro", 0x20AC},   {"trade", 0x2122},  {"minus", 0x2212},
    {"frac13", 0x2153}, {"frac23", 0x2154}, {"frac18", 0x215B}, {"larr", 0x2190},   {"rarr", 0x2192}};

const QHash<QString, char32_t>& namedEntities() {
    static const QHash<QString, char32_t> table = [] {
        QHash<QString, char32_t> names;
        for (int i = 0; i < 96; ++i)
            names.insert(QString::fromLatin1(kLatin1Names[i]), char32_t(0xA0 + i));
        for (const NamedEntity& entity : kOtherNames)
            names.insert(QString::fromLatin1(entity.name), entity.character);
        return names;
    }();
    return table;
}

// The character of "#233", "#x2014" or a name; 0 when there is none.
char32_t entityCharacter(QStringView body) {
    if (body.startsWith(u'#')) {
        bool ok = false;
        const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
        const uint value = hex ? body.mid(2).toUInt(&ok, 16) : body.mid(1).toUInt(&ok, 10);
        // NUL, surrogates and values past Unicode name no character.
        if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return 0;
        return char32_t(value);
    }
    return namedEntities().value(body.toString(), 0);
}

bool isLineBreak(QChar c) {
    return c == u'\n' || c == u'\r';
}

} // namespace

QString fromWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b));
    }
    return text;
}

QString decodeBytes(const QByteArray& bytes, bool preferUtf8) {
    static const QByteArray bom("\xEF\xBB\xBF");
    const bool marked = bytes.startsWith(bom);
    if (marked || preferUtf8) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QByteArrayView body = marked ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
        QString text = decoder.decode(body);
        if (marked || !decoder.hasError())
            return text;
    }
    return fromWindows1252(bytes);
}

QString decodeEntities(QStringView text) {
    qsizetype amp = text.indexOf(u'&');
    if (amp < 0)
        return text.toString();
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    while (amp >= 0) {
        out.append(text.mid(from, amp - from));
        // Entity names and references are short; a ";" further away is not theirs.
        const qsizetype semicolon = text.mid(amp + 1, 12).indexOf(u';');
        char32_t character = 0;
        if (semicolon > 0)
            character = entityCharacter(text.mid(amp + 1, semicolon));
        if (character != 0) {
            const char32_t units[1] = {character};
            out.append(QString::fromUcs4(units, 1));
            from = amp + 1 + semicolon + 1;
        } else {
            out.append(u'&');
            from = amp + 1;
        }
        amp = text.indexOf(u'&', from);
    }
    out.append(text.mid(from));
    return out;
}

QString oneLine(QStringView text) {
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (isLineBreak(text[i])) {
            while (!out.isEmpty() && out.back() == u' ')
                out.chop(1);
            while (i < n && (isLineBreak(text[i]) || text[i] == u' ' || text[i] == u'\t'))
                ++i;
            out.append(u' ');
            continue;
        }
        out.append(text[i++]);
    }
    return out.trimmed();
}

QString paragraphs(QStringView text) {
    QStringList kept;
    bool blankBefore = true;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && !isLineBreak(text[i]))
            continue;
        const QStringView raw = text.mid(start, i - start);
        // CR LF is one break, not a blank line between two.
        if (i < n && text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
        const QStringView line = raw.trimmed();
        if (line.isEmpty()) {
            blankBefore = true;
            continue;
        }
        // A line wrapped in the middle of a sentence goes on with a lower-case word at the
        // very start of the next line; any other break starts a paragraph.
        const bool wrapped = !blankBefore && !kept.isEmpty() && raw.front().isLower() &&
                             !QStringView(u".!?:;").contains(kept.last().back());
        if (wrapped)
            kept.last() += u' ' + line.toString();
        else
            kept.append(line.toString());
        blankBefore = false;
    }
    return kept.join(QLatin1String("\n\n"));
}

QString withoutControlCharacters(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r')
            out.append(c);
    return out;
}

} // namespace ForeignText
