#include "HtmlFragmentSanitizer.h"

#include <QHash>
#include <QSet>
#include <QStringView>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isDecimalDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isHexDigit(QChar c) {
    return isDecimalDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

const QSet<QString>& droppedWithContent() {
    static const QSet<QString> names = {
        QStringLiteral("script"),   QStringLiteral("style"),    QStringLiteral("iframe"),
        QStringLiteral("noscript"), QStringLiteral("template"), QStringLiteral("svg"),
        QStringLiteral("math"),     QStringLiteral("textarea"), QStringLiteral("title"),
        QStringLiteral("xmp"),      QStringLiteral("noembed"),  QStringLiteral("noframes"),
        QStringLiteral("plaintext")};
    return names;
}

const QSet<QString>& droppedTags() {
    static const QSet<QString> names = {
        QStringLiteral("object"), QStringLiteral("embed"),    QStringLiteral("applet"),
        QStringLiteral("frame"),  QStringLiteral("frameset"), QStringLiteral("base"),
        QStringLiteral("meta"),   QStringLiteral("link"),     QStringLiteral("html"),
        QStringLiteral("head"),   QStringLiteral("body")};
    return names;
}

// Attributes whose value is an address that something fetches or follows.
const QSet<QString>& addressAttributes() {
    static const QSet<QString> names = {
        QStringLiteral("href"),       QStringLiteral("src"),        QStringLiteral("srcset"),
        QStringLiteral("action"),     QStringLiteral("formaction"), QStringLiteral("xlink:href"),
        QStringLiteral("background"), QStringLiteral("poster"),     QStringLiteral("lowsrc"),
        QStringLiteral("dynsrc"),     QStringLiteral("data"),       QStringLiteral("cite"),
        QStringLiteral("longdesc"),   QStringLiteral("codebase"),   QStringLiteral("ping")};
    return names;
}

// Attributes that make the page fetch their address while it loads.
const QSet<QString>& fetchingAttributes() {
    static const QSet<QString> names = {
        QStringLiteral("src"),    QStringLiteral("srcset"),   QStringLiteral("background"),
        QStringLiteral("poster"), QStringLiteral("lowsrc"),   QStringLiteral("dynsrc"),
        QStringLiteral("data"),   QStringLiteral("codebase"), QStringLiteral("ping")};
    return names;
}

// Named references whose character is ASCII, in lower case: the ones that could spell a
// scheme, a "//", a "(" or a backslash. Names are matched in any case, which decodes a few
// the engine would not (harmless: the check only gets stricter).
const QHash<QString, QString>& asciiNamedReferences() {
    static const QHash<QString, QString> names = {{QStringLiteral("tab"), QStringLiteral("\t")},
                                                  {QStringLiteral("newline"), QStringLiteral("\n")},
                                                  {QStringLiteral("excl"), QStringLiteral("!")},
                                                  {QStringLiteral("quot"), QStringLiteral("\"")},
                                                  {QStringLiteral("num"), QStringLiteral("#")},
                                                  {QStringLiteral("dollar"), QStringLiteral("$")},
                                                  {QStringLiteral("percnt"), QStringLiteral("%")},
                                                  {QStringLiteral("amp"), QStringLiteral("&")},
                                                  {QStringLiteral("apos"), QStringLiteral("'")},
                                                  {QStringLiteral("lpar"), QStringLiteral("(")},
                                                  {QStringLiteral("rpar"), QStringLiteral(")")},
                                                  {QStringLiteral("ast"), QStringLiteral("*")},
                                                  {QStringLiteral("midast"), QStringLiteral("*")},
                                                  {QStringLiteral("plus"), QStringLiteral("+")},
                                                  {QStringLiteral("comma"), QStringLiteral(",")},
                                                  {QStringLiteral("period"), QStringLiteral(".")},
                                                  {QStringLiteral("sol"), QStringLiteral("/")},
                                                  {QStringLiteral("colon"), QStringLiteral(":")},
                                                  {QStringLiteral("semi"), QStringLiteral(";")},
                                                  {QStringLiteral("lt"), QStringLiteral("<")},
                                                  {QStringLiteral("equals"), QStringLiteral("=")},
                                                  {QStringLiteral("gt"), QStringLiteral(">")},
                                                  {QStringLiteral("quest"), QStringLiteral("?")},
                                                  {QStringLiteral("commat"), QStringLiteral("@")},
                                                  {QStringLiteral("lsqb"), QStringLiteral("[")},
                                                  {QStringLiteral("lbrack"), QStringLiteral("[")},
                                                  {QStringLiteral("bsol"), QStringLiteral("\\")},
                                                  {QStringLiteral("rsqb"), QStringLiteral("]")},
                                                  {QStringLiteral("rbrack"), QStringLiteral("]")},
                                                  {QStringLiteral("hat"), QStringLiteral("^")},
                                                  {QStringLiteral("lowbar"), QStringLiteral("_")},
                                                  {QStringLiteral("underbar"), QStringLiteral("_")},
                                                  {QStringLiteral("grave"), QStringLiteral("`")},
                                                  {QStringLiteral("diacriticalgrave"), QStringLiteral("`")},
                                                  {QStringLiteral("lcub"), QStringLiteral("{")},
                                                  {QStringLiteral("lbrace"), QStringLiteral("{")},
                                                  {QStringLiteral("verbar"), QStringLiteral("|")},
                                                  {QStringLiteral("vert"), QStringLiteral("|")},
                                                  {QStringLiteral("verticalline"), QStringLiteral("|")},
                                                  {QStringLiteral("rcub"), QStringLiteral("}")},
                                                  {QStringLiteral("rbrace"), QStringLiteral("}")},
                                                  {QStringLiteral("fjlig"), QStringLiteral("fj")}};
    return names;
}

// Reads the reference that starts at value[i] ("&"). Returns the position after it and
// appends its text to *out, or returns i when no reference starts there.
qsizetype readReference(const QString& value, qsizetype i, QString* out) {
    const qsizetype n = value.size();
    qsizetype j = i + 1;
    if (j < n && value.at(j) == u'#') {
        ++j;
        const bool hex = j < n && (value.at(j) == u'x' || value.at(j) == u'X');
        if (hex)
            ++j;
        const qsizetype start = j;
        // Every digit is read, however many leading zeros come first; past U+10FFFF the
        // value only needs to stay past it.
        char32_t code = 0;
        for (; j < n && (hex ? isHexDigit(value.at(j)) : isDecimalDigit(value.at(j))); ++j) {
            const char16_t c = value.at(j).unicode();
            const char32_t digit = c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
            if (code <= 0x10FFFF)
                code = code * (hex ? 16 : 10) + digit;
        }
        if (j == start)
            return i;
        // As the engine reads them: nothing, a surrogate or past Unicode is U+FFFD.
        if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            code = 0xFFFD;
        out->append(QString::fromUcs4(&code, 1));
        if (j < n && value.at(j) == u';')
            ++j;
        return j;
    }
    qsizetype k = j;
    while (k < n && k - j < 32 && (isAsciiLetter(value.at(k)) || isDecimalDigit(value.at(k))))
        ++k;
    if (k < n && k > j && value.at(k) == u';') {
        const auto it = asciiNamedReferences().constFind(value.mid(j, k - j).toLower());
        if (it != asciiNamedReferences().constEnd()) {
            out->append(it.value());
            return k + 1;
        }
    }
    // The references the engine also reads without a semicolon.
    static const QList<QPair<QLatin1String, QChar>> legacy = {{QLatin1String("amp"), u'&'},
                                                              {QLatin1String("quot"), u'"'},
                                                              {QLatin1String("lt"), u'<'},
                                                              {QLatin1String("gt"), u'>'}};
    for (const auto& [name, c] : legacy) {
        if (QStringView(value).mid(j).startsWith(name, Qt::CaseInsensitive)) {
            out->append(c);
            return j + name.size();
        }
    }
    return i;
}

// Character references resolved (numeric ones in full, and the named ones whose character
// is ASCII), then blanks and control characters removed, lower case: what the engine
// would compare with "javascript:".
QString normalisedAddress(const QString& value) {
    QString decoded;
    decoded.reserve(value.size());
    for (qsizetype i = 0; i < value.size();) {
        if (value.at(i) == u'&') {
            const qsizetype after = readReference(value, i, &decoded);
            if (after > i) {
                i = after;
                continue;
            }
        }
        decoded.append(value.at(i));
        ++i;
    }
    QString compact;
    compact.reserve(decoded.size());
    for (QChar c : std::as_const(decoded)) {
        if (c.unicode() > 0x20 && c.unicode() != 0x7F)
            compact.append(c);
    }
    return compact.toLower();
}

bool hasScriptScheme(const QString& address) {
    return address.startsWith(QLatin1String("javascript:")) ||
           address.startsWith(QLatin1String("vbscript:")) || address.startsWith(QLatin1String("livescript:"));
}

bool isRemote(const QString& address) {
    return address.startsWith(QLatin1String("//")) || address.startsWith(QLatin1String("\\\\")) ||
           address.startsWith(QLatin1String("http:")) || address.startsWith(QLatin1String("https:")) ||
           address.startsWith(QLatin1String("ftp:")) || address.startsWith(QLatin1String("ws:")) ||
           address.startsWith(QLatin1String("wss:"));
}

// Whether an attribute survives.
bool keepAttribute(const QString& tag, const QString& name, const QString& value) {
    for (QChar c : name) {
        if (!(isAsciiLetter(c) || c.isDigit() || c == u'-' || c == u'_' || c == u':' || c == u'.'))
            return false;
    }
    if (name.startsWith(QLatin1String("on")))
        return false;
    if (name == QLatin1String("style")) {
        const QString style = normalisedAddress(value);
        // A backslash could spell any of these with CSS escapes.
        return !style.contains(QLatin1String("url(")) && !style.contains(QLatin1String("image-set(")) &&
               !style.contains(QLatin1String("expression(")) && !style.contains(QLatin1String("@import")) &&
               !style.contains(u'\\');
    }
    if (name == QLatin1String("http-equiv"))
        return false;
    if (!addressAttributes().contains(name))
        return true;
    const QString address = normalisedAddress(value);
    if (hasScriptScheme(address))
        return false;
    if (fetchingAttributes().contains(name)) {
        if (name == QLatin1String("srcset")) {
            // Any remote candidate refuses the whole list.
            for (const QString& candidate : address.split(u','))
                if (isRemote(candidate) || hasScriptScheme(candidate))
                    return false;
        }
        if (isRemote(address))
            return false;
        if (address.startsWith(QLatin1String("data:")))
            return name == QLatin1String("src") && tag == QLatin1String("img") &&
                   address.startsWith(QLatin1String("data:image/")) &&
                   !address.startsWith(QLatin1String("data:image/svg"));
        return true;
    }
    return !address.startsWith(QLatin1String("data:"));
}

struct Attribute {
    QString name;
    QString value;
    bool hasValue = false;
};

// Reads a tag's attributes from position i (just after the name) to its ">"; returns the
// position after ">", or -1 when the tag never closes.
qsizetype readAttributes(const QString& html, qsizetype i, QList<Attribute>* attributes) {
    const qsizetype n = html.size();
    while (i < n) {
        while (i < n && (isBlank(html.at(i)) || html.at(i) == u'/'))
            ++i;
        if (i >= n)
            return -1;
        if (html.at(i) == u'>')
            return i + 1;
        Attribute attribute;
        const qsizetype nameStart = i;
        // A name may begin with "=" (it is then part of the name).
        ++i;
        while (i < n && !isBlank(html.at(i)) && html.at(i) != u'/' && html.at(i) != u'>' &&
               html.at(i) != u'=')
            ++i;
        attribute.name = html.mid(nameStart, i - nameStart).toLower();
        qsizetype j = i;
        while (j < n && isBlank(html.at(j)))
            ++j;
        if (j < n && html.at(j) == u'=') {
            i = j + 1;
            while (i < n && isBlank(html.at(i)))
                ++i;
            if (i >= n)
                return -1;
            attribute.hasValue = true;
            const QChar quote = html.at(i);
            if (quote == u'"' || quote == u'\'') {
                const qsizetype end = html.indexOf(quote, i + 1);
                if (end < 0)
                    return -1;
                attribute.value = html.mid(i + 1, end - i - 1);
                i = end + 1;
            } else {
                const qsizetype start = i;
                while (i < n && !isBlank(html.at(i)) && html.at(i) != u'>')
                    ++i;
                attribute.value = html.mid(start, i - start);
            }
        }
        attributes->append(attribute);
    }
    return -1;
}

// A value for a double-quoted attribute: quotes and angle brackets as references, an "&"
// that starts no reference as well.
QString quotedValue(const QString& value) {
    QString out;
    out.reserve(value.size() + 8);
    for (QChar c : value) {
        if (c == u'"')
            out += QLatin1String("&quot;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

} // namespace

QString HtmlFragmentSanitizer::escapeText(const QString& text) {
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == u'&' || c == u'<' || c == u'>' || c == u'"' || c == u'\'')
            break;
        ++i;
    }
    if (i == text.size())
        return text;
    QString out = text.left(i);
    out.reserve(text.size() + 16);
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'\'':
            out += QLatin1String("&#39;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

bool HtmlFragmentSanitizer::isSafeLinkAddress(const QString& address) {
    const QString normalised = normalisedAddress(address);
    return !hasScriptScheme(normalised) && !normalised.startsWith(QLatin1String("data:"));
}

QString HtmlFragmentSanitizer::sanitizeFragment(const QString& html) {
    if (!html.contains(u'<'))
        return html;
    QString out;
    out.reserve(html.size());
    const qsizetype n = html.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = html.indexOf(u'<', i);
        if (lt < 0) {
            out += QStringView(html).mid(i);
            break;
        }
        out += QStringView(html).mid(i, lt - i);
        i = lt;
        const QChar next = lt + 1 < n ? html.at(lt + 1) : QChar();
        if (QStringView(html).mid(lt).startsWith(QLatin1String("<!--"))) {
            const qsizetype end = html.indexOf(QLatin1String("-->"), lt + 4);
            i = end < 0 ? n : end + 3;
            continue;
        }
        if (next == u'!' || next == u'?') {
            const qsizetype end = html.indexOf(u'>', lt + 2);
            i = end < 0 ? n : end + 1;
            continue;
        }
        const bool closing = next == u'/';
        const qsizetype nameStart = lt + (closing ? 2 : 1);
        if (nameStart >= n || !isAsciiLetter(html.at(nameStart))) {
            out += QLatin1String("&lt;");
            i = lt + 1;
            continue;
        }
        qsizetype nameEnd = nameStart;
        while (nameEnd < n && !isBlank(html.at(nameEnd)) && html.at(nameEnd) != u'/' &&
               html.at(nameEnd) != u'>')
            ++nameEnd;
        const QString name = html.mid(nameStart, nameEnd - nameStart).toLower();
        QList<Attribute> attributes;
        const qsizetype after = readAttributes(html, nameEnd, &attributes);
        if (after < 0) {
            // Never closed: the rest is text.
            out += QLatin1String("&lt;");
            i = lt + 1;
            continue;
        }
        i = after;
        bool nameIsPlain = true;
        for (QChar c : name)
            nameIsPlain = nameIsPlain && (isAsciiLetter(c) || c.isDigit() || c == u'-');
        if (!nameIsPlain || droppedTags().contains(name))
            continue;
        if (droppedWithContent().contains(name)) {
            if (closing)
                continue;
            // Skip to the matching end tag (raw text inside: no nesting).
            const QString endTag = QStringLiteral("</") + name;
            qsizetype search = i;
            qsizetype end = -1;
            while ((end = html.indexOf(endTag, search, Qt::CaseInsensitive)) >= 0) {
                const qsizetype k = end + endTag.size();
                if (k >= n || isBlank(html.at(k)) || html.at(k) == u'>' || html.at(k) == u'/')
                    break;
                search = k;
            }
            if (end < 0) {
                i = n;
            } else {
                const qsizetype close = html.indexOf(u'>', end);
                i = close < 0 ? n : close + 1;
            }
            continue;
        }
        if (closing) {
            out += QLatin1String("</") + name + u'>';
            continue;
        }
        out += u'<' + name;
        for (const Attribute& attribute : std::as_const(attributes)) {
            if (!keepAttribute(name, attribute.name, attribute.value))
                continue;
            out += u' ' + attribute.name;
            if (attribute.hasValue)
                out += QLatin1String("=\"") + quotedValue(attribute.value) + u'"';
        }
        if (html.at(after - 2) == u'/')
            out += u'/';
        out += u'>';
    }
    return out;
}
