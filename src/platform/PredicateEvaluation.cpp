// Evaluating filter trees against key-value sources.
//
// Evaluation allocates nothing in the common case: constants are folded and their search
// tables built when the filter is made, texts are read in place from the source's values
// or from its cache of folded texts, and all per-call state lives on the stack, so one
// filter can be evaluated from several threads at once.
#include "Predicate.h"
#include "PredicatePrivate.h"
#include "TextFolding.h"

#include <QDateTime>

#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define LARKSPOON_HAVE_AVX2_SEARCH 1
#endif
#include <limits>

namespace predicate_detail {

// ---------------------------------------------------------------------------------------
// Texts

SubstringSearcher::SubstringSearcher(const QString& pattern) : m_pattern(pattern) {
    const qsizetype length = pattern.size();
    m_skip.fill(length);
    const char16_t* p = reinterpret_cast<const char16_t*>(pattern.constData());
    for (qsizetype i = 0; i + 1 < length; ++i)
        m_skip[p[i] & 0xFF] = length - 1 - i;
}

namespace {

// The bit that makes an ASCII capital its lower-case letter; set in a unit before comparing
// it with a lower-case letter of the pattern (and only then: '@' | 0x20 is '`').
inline char16_t caseBit(char16_t patternUnit) {
    return patternUnit >= u'a' && patternUnit <= u'z' ? 0x20 : 0;
}

inline bool sameIgnoringAsciiCase(const char16_t* t, const char16_t* p, qsizetype m) {
    for (qsizetype i = 0; i < m; ++i)
        if (char16_t(t[i] | caseBit(p[i])) != p[i])
            return false;
    return true;
}

} // namespace

bool SubstringSearcher::isInAsciiIgnoringCase(QStringView text) const {
    const qsizetype m = m_pattern.size();
    const qsizetype n = text.size();
    // The text's units beyond ASCII fold to themselves (foldsLikeAscii): they match a
    // pattern's unit only when equal, which the comparisons below do as the case bit of
    // a unit beyond ASCII is 0.
    if (m == 0 || m > n)
        return false;
    const char16_t* t = text.utf16();
    const char16_t* p = reinterpret_cast<const char16_t*>(m_pattern.constData());
    const char16_t first = p[0];
    const char16_t last = p[m - 1];
    const char16_t firstBit = caseBit(first);
    const char16_t lastBit = caseBit(last);
    qsizetype pos = 0;
#if defined(__SSE2__)
    // Candidates are the positions whose first and last units match; eight at a time.
    const __m128i firstUnits = _mm_set1_epi16(short(first));
    const __m128i lastUnits = _mm_set1_epi16(short(last));
    const __m128i firstBits = _mm_set1_epi16(short(firstBit));
    const __m128i lastBits = _mm_set1_epi16(short(lastBit));
    for (; pos + 8 + m - 1 <= n; pos += 8) {
        const __m128i blockFirst =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos)), firstBits);
        const __m128i blockLast =
            _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos + m - 1)), lastBits);
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi16(firstUnits, blockFirst), _mm_cmpeq_epi16(lastUnits, blockLast))));
        while (mask != 0) {
            const int bit = __builtin_ctz(mask);
            if (sameIgnoringAsciiCase(t + pos + bit / 2, p, m))
                return true;
            mask &= ~(3u << bit);
        }
    }
#endif
    for (; pos <= n - m; ++pos)
        if (char16_t(t[pos] | firstBit) == first && char16_t(t[pos + m - 1] | lastBit) == last &&
            sameIgnoringAsciiCase(t + pos, p, m))
            return true;
    return false;
}

#if defined(LARKSPOON_HAVE_AVX2_SEARCH)
namespace {

// The candidate scan of indexIn sixteen positions at a time, on processors that have
// AVX2. Returns the first match, or -1 with *resume set to where the scan stopped.
__attribute__((target("avx2"))) qsizetype avx2Candidates(const char16_t* t, qsizetype n, const char16_t* p,
                                                         qsizetype m, qsizetype* resume) {
    const __m256i first = _mm256_set1_epi16(short(p[0]));
    const __m256i lastUnits = _mm256_set1_epi16(short(p[m - 1]));
    const size_t middleBytes = size_t(m - 2) * sizeof(char16_t);
    qsizetype pos = 0;
    for (; pos + 16 + m - 1 <= n; pos += 16) {
        const __m256i blockFirst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + pos));
        const __m256i blockLast = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t + pos + m - 1));
        unsigned mask = unsigned(_mm256_movemask_epi8(_mm256_and_si256(
            _mm256_cmpeq_epi16(first, blockFirst), _mm256_cmpeq_epi16(lastUnits, blockLast))));
        while (mask != 0) {
            const int bit = __builtin_ctz(mask);
            const qsizetype candidate = pos + bit / 2;
            if (std::memcmp(t + candidate + 1, p + 1, middleBytes) == 0)
                return candidate;
            mask &= ~(3u << bit);
        }
    }
    *resume = pos;
    return -1;
}

bool hasAvx2() {
    static const bool supported = [] {
        __builtin_cpu_init(); // may run before the library's own start-up code
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return supported;
}

} // namespace
#endif

qsizetype SubstringSearcher::indexIn(QStringView text) const {
    const qsizetype m = m_pattern.size();
    const qsizetype n = text.size();
    if (m == 0 || m > n)
        return -1;
    if (m == 1)
        return text.indexOf(m_pattern.front());
    const char16_t* t = text.utf16();
    const char16_t* p = reinterpret_cast<const char16_t*>(m_pattern.constData());
    const char16_t last = p[m - 1];
    qsizetype pos = 0;
#if defined(LARKSPOON_HAVE_AVX2_SEARCH)
    if (hasAvx2()) {
        const qsizetype found = avx2Candidates(t, n, p, m, &pos);
        if (found >= 0)
            return found;
    }
#endif
#if defined(__SSE2__)
    // Candidates are the positions whose first and last units match; eight at a time.
    const __m128i first = _mm_set1_epi16(short(p[0]));
    const __m128i lastUnits = _mm_set1_epi16(short(last));
    const size_t middleBytes = size_t(m - 2) * sizeof(char16_t);
    for (; pos + 8 + m - 1 <= n; pos += 8) {
        const __m128i blockFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos));
        const __m128i blockLast = _mm_loadu_si128(reinterpret_cast<const __m128i*>(t + pos + m - 1));
        unsigned mask = unsigned(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi16(first, blockFirst), _mm_cmpeq_epi16(lastUnits, blockLast))));
        while (mask != 0) {
            const int bit = __builtin_ctz(mask);
            const qsizetype candidate = pos + bit / 2;
            if (std::memcmp(t + candidate + 1, p + 1, middleBytes) == 0)
                return candidate;
            mask &= ~(3u << bit);
        }
    }
#endif
    const size_t headBytes = size_t(m - 1) * sizeof(char16_t);
    while (pos <= n - m) {
        const char16_t c = t[pos + m - 1];
        if (c == last && std::memcmp(t + pos, p, headBytes) == 0)
            return pos;
        pos += m_skip[c & 0xFF];
    }
    return -1;
}

namespace {

bool isAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QString foldedForModifiers(QStringView text, int modifiers) {
    if (modifiers & CaseInsensitive)
        return foldedText(text, (modifiers & DiacriticInsensitive) != 0);
    if (modifiers & DiacriticInsensitive)
        return textWithoutDiacritics(text);
    return text.toString();
}

namespace {

// Orders texts by Unicode code point (UTF-16 order differs above the surrogate range).
int compareCodePoints(QStringView a, QStringView b) {
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x == y)
            continue;
        auto fix = [](char16_t u) -> int { return u >= 0xE000 ? u - 0x800 : u >= 0xD800 ? u + 0x2000 : u; };
        return fix(x) < fix(y) ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

qsizetype nextCodePoint(QStringView text, qsizetype i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return i + 2;
    return i + 1;
}

// Whole-text wildcard match: "*" any run of characters, "?" exactly one. Linear backtracking
// to the last star keeps it O(text x pattern) whatever the pattern.
bool likeMatches(QStringView text, QStringView pattern) {
    qsizetype t = 0;
    qsizetype p = 0;
    qsizetype starPattern = -1;
    qsizetype starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starPattern = p++;
            starText = t;
            continue;
        }
        if (p < pattern.size() && pattern[p] == QLatin1Char('?')) {
            t = nextCodePoint(text, t);
            ++p;
            continue;
        }
        if (p < pattern.size() && pattern[p] == text[t]) {
            ++t;
            ++p;
            continue;
        }
        if (starPattern < 0)
            return false;
        p = starPattern + 1;
        starText = nextCodePoint(text, starText);
        t = starText;
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

bool textContains(QStringView text, const QString& needle, const SubstringSearcher* searcher) {
    if (needle.isEmpty())
        return false; // an empty text is found nowhere
    if (searcher)
        return searcher->indexIn(text) >= 0;
    return text.indexOf(needle) >= 0;
}

// ---------------------------------------------------------------------------------------
// Values

enum class ValueClass { Nil, Number, Text, Date, List, Other };

ValueClass classOf(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return ValueClass::Nil;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
        return ValueClass::Number;
    case QMetaType::QString:
        return ValueClass::Text;
    case QMetaType::QDateTime:
        return v.toDateTime().isValid() ? ValueClass::Date : ValueClass::Nil;
    case QMetaType::QDate:
        return v.toDate().isValid() ? ValueClass::Date : ValueClass::Nil;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return ValueClass::List;
    default:
        return ValueClass::Other;
    }
}

struct Number {
    bool integral = true;
    qint64 integer = 0;
    double real = 0;
};

Number numberOf(const QVariant& v) {
    Number n;
    switch (v.typeId()) {
    case QMetaType::Bool:
        n.integer = v.toBool() ? 1 : 0;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        n.integral = false;
        n.real = v.toDouble();
        break;
    case QMetaType::ULongLong:
    case QMetaType::ULong: {
        const qulonglong u = v.toULongLong();
        if (u > qulonglong(std::numeric_limits<qint64>::max())) {
            n.integral = false;
            n.real = double(u);
        } else {
            n.integer = qint64(u);
        }
        break;
    }
    default:
        n.integer = v.toLongLong();
        break;
    }
    return n;
}

std::optional<int> compareNumbers(const Number& a, const Number& b) {
    if (a.integral && b.integral)
        return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    const double x = a.integral ? double(a.integer) : a.real;
    const double y = b.integral ? double(b.integer) : b.real;
    if (std::isnan(x) || std::isnan(y))
        return std::nullopt;
    return x < y ? -1 : x > y ? 1 : 0;
}

qint64 instantOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().startOfDay().toMSecsSinceEpoch();
    return v.toDateTime().toMSecsSinceEpoch();
}

qsizetype listSize(const QVariant& v) {
    if (v.typeId() == QMetaType::QStringList)
        return static_cast<const QStringList*>(v.constData())->size();
    return static_cast<const QVariantList*>(v.constData())->size();
}

QVariant listAt(const QVariant& v, qsizetype i) {
    if (v.typeId() == QMetaType::QStringList)
        return QVariant(static_cast<const QStringList*>(v.constData())->at(i));
    return static_cast<const QVariantList*>(v.constData())->at(i);
}

// One operand as a comparison sees it.
struct Item {
    const QVariant* value = nullptr; // null: nil (unless text is set)
    const QString* text = nullptr;   // a text value, already folded for the comparison
    bool folded = false;             // the texts inside value (a list) are already folded
    bool asciiUnfolded = false;      // text is plain ASCII not yet folded (searched ignoring case)
};

Item makeItem(const QVariant& v, int modifiers, bool alreadyFolded, QString& storage) {
    Item item;
    item.value = &v;
    item.folded = alreadyFolded;
    if (v.typeId() == QMetaType::QString) {
        const QString* raw = static_cast<const QString*>(v.constData());
        if (modifiers == 0 || alreadyFolded) {
            item.text = raw;
        } else {
            storage = foldedForModifiers(*raw, modifiers);
            item.text = &storage;
        }
    }
    return item;
}

ValueClass classOf(const Item& item) {
    if (item.text)
        return ValueClass::Text;
    return item.value ? classOf(*item.value) : ValueClass::Nil;
}

bool itemsEqual(const Item& a, const Item& b, int modifiers);

bool listsEqual(const Item& a, const Item& b, int modifiers) {
    const qsizetype n = listSize(*a.value);
    if (n != listSize(*b.value))
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        const QVariant x = listAt(*a.value, i);
        const QVariant y = listAt(*b.value, i);
        QString xStorage;
        QString yStorage;
        if (!itemsEqual(makeItem(x, modifiers, a.folded, xStorage),
                        makeItem(y, modifiers, b.folded, yStorage), modifiers))
            return false;
    }
    return true;
}

bool itemsEqual(const Item& a, const Item& b, int modifiers) {
    const ValueClass ca = classOf(a);
    const ValueClass cb = classOf(b);
    if (ca != cb)
        return false;
    switch (ca) {
    case ValueClass::Nil:
        return true;
    case ValueClass::Text:
        return *a.text == *b.text;
    case ValueClass::Number: {
        const std::optional<int> order = compareNumbers(numberOf(*a.value), numberOf(*b.value));
        return order && *order == 0;
    }
    case ValueClass::Date:
        return instantOf(*a.value) == instantOf(*b.value);
    case ValueClass::List:
        return listsEqual(a, b, modifiers);
    case ValueClass::Other:
        return *a.value == *b.value;
    }
    return false;
}

std::optional<int> itemsOrder(const Item& a, const Item& b) {
    const ValueClass ca = classOf(a);
    if (ca != classOf(b))
        return std::nullopt;
    switch (ca) {
    case ValueClass::Text:
        return compareCodePoints(*a.text, *b.text);
    case ValueClass::Number:
        return compareNumbers(numberOf(*a.value), numberOf(*b.value));
    case ValueClass::Date: {
        const qint64 x = instantOf(*a.value);
        const qint64 y = instantOf(*b.value);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    default:
        return std::nullopt;
    }
}

// Whether raw, folded for the modifiers, equals folded; without allocating for ASCII texts,
// which is what keyword lists nearly always hold.
bool foldsTo(const QString& raw, int modifiers, bool alreadyFolded, const QString& folded) {
    if (modifiers == 0 || alreadyFolded)
        return raw == folded;
    if (isAscii(raw)) {
        // ASCII has no diacritics and folds its capitals to lower case.
        if (raw.size() != folded.size())
            return false;
        const bool caseInsensitive = (modifiers & CaseInsensitive) != 0;
        for (qsizetype i = 0; i < raw.size(); ++i) {
            char16_t c = raw[i].unicode();
            if (caseInsensitive && c >= u'A' && c <= u'Z')
                c = char16_t(c + 32);
            if (c != folded[i].unicode())
                return false;
        }
        return true;
    }
    return foldedForModifiers(raw, modifiers) == folded;
}

bool listHasEqualElement(const Item& list, const Item& value, int modifiers) {
    if (value.text) {
        // Only a text element can equal a text.
        if (list.value->typeId() == QMetaType::QStringList) {
            for (const QString& element : *static_cast<const QStringList*>(list.value->constData()))
                if (foldsTo(element, modifiers, list.folded, *value.text))
                    return true;
            return false;
        }
        for (const QVariant& element : *static_cast<const QVariantList*>(list.value->constData()))
            if (element.typeId() == QMetaType::QString &&
                foldsTo(*static_cast<const QString*>(element.constData()), modifiers, list.folded,
                        *value.text))
                return true;
        return false;
    }
    const qsizetype n = listSize(*list.value);
    for (qsizetype i = 0; i < n; ++i) {
        const QVariant element = listAt(*list.value, i);
        QString storage;
        if (itemsEqual(makeItem(element, modifiers, list.folded, storage), value, modifiers))
            return true;
    }
    return false;
}

QVariant stepInto(const QVariant& value, const QString& key) {
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return static_cast<const QVariantMap*>(value.constData())->value(key);
    case QMetaType::QVariantHash:
        return static_cast<const QVariantHash*>(value.constData())->value(key);
    case QMetaType::QVariantList: {
        // A key of a list is the list of that key of each element.
        QVariantList out;
        for (const QVariant& element : *static_cast<const QVariantList*>(value.constData()))
            out.append(stepInto(element, key));
        return QVariant(out);
    }
    default:
        return QVariant();
    }
}

// The values a key path reaches from source, from step `from` on, appended to out: one for
// each record at its end, so a to-many step (and every further one) adds all of them.
void appendPathValues(const KeyValueSource& source, const QStringList& path, qsizetype from,
                      QVariantList& out) {
    const KeyValueSource* current = &source;
    qsizetype i = from;
    while (i + 1 < path.size()) {
        if (const KeyValueSource* next = current->relatedSource(path[i])) {
            current = next;
            ++i;
            continue;
        }
        QList<const KeyValueSource*> related;
        if (!current->relatedSources(path[i], &related))
            break;
        for (const KeyValueSource* each : std::as_const(related))
            appendPathValues(*each, path, i + 1, out);
        return;
    }
    QVariant value = current->valueForKey(path[i]);
    for (++i; i < path.size(); ++i)
        value = stepInto(value, path[i]);
    out.append(value);
}

QVariant resolveValue(const Expression& e, const KeyValueSource& object, const QVariantMap& variables) {
    switch (e.kind) {
    case Expression::Kind::Constant:
        return e.constant;
    case Expression::Kind::KeyPath: {
        // Follow related sources (records) as far as they go, then step into values.
        const KeyValueSource* source = &object;
        qsizetype i = 0;
        while (i + 1 < e.path.size()) {
            const KeyValueSource* next = source->relatedSource(e.path[i]);
            if (!next) {
                // Through a to-many relationship the path reads a collection: the values of
                // every related record ("ANY children.name").
                QList<const KeyValueSource*> related;
                if (!source->relatedSources(e.path[i], &related))
                    break;
                QVariantList values;
                for (const KeyValueSource* each : std::as_const(related))
                    appendPathValues(*each, e.path, i + 1, values);
                return QVariant(values);
            }
            source = next;
            ++i;
        }
        QVariant value = source->valueForKey(e.path[i]);
        for (++i; i < e.path.size(); ++i)
            value = stepInto(value, e.path[i]);
        return value;
    }
    case Expression::Kind::Self:
        return object.selfValue();
    case Expression::Kind::Variable: {
        const auto it = variables.constFind(e.variable);
        if (it == variables.constEnd())
            return QVariant();
        return normalizedValue(it.value()).value_or(QVariant());
    }
    case Expression::Kind::Aggregate: {
        QVariantList list;
        list.reserve(e.elements.size());
        for (const Expression& element : e.elements)
            list.append(resolveValue(element, object, variables));
        return QVariant(list);
    }
    }
    return QVariant();
}

QVariant foldValue(const QVariant& value, int modifiers) {
    if (value.typeId() == QMetaType::QString)
        return QVariant(foldedForModifiers(value.toString(), modifiers));
    if (value.typeId() == QMetaType::QVariantList) {
        QVariantList out;
        for (const QVariant& element : value.toList())
            out.append(foldValue(element, modifiers));
        return QVariant(out);
    }
    return value;
}

// MATCHES compares texts with [d] folding only; [c] becomes a regular-expression option, so
// that folding cannot change the meaning of escapes such as \D.
int foldingModifiers(Operator op, int modifiers) {
    return op == Operator::Matches ? (modifiers & DiacriticInsensitive) : modifiers;
}

QRegularExpression compiledPattern(const QString& pattern, int modifiers) {
    QRegularExpression::PatternOptions options = QRegularExpression::NoPatternOption;
    if (modifiers & CaseInsensitive)
        options |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern), options);
}

PreparedConstant prepareConstant(const QVariant& value, int foldModifiers, bool wantSearcher, bool wantRegex,
                                 int modifiers) {
    PreparedConstant prepared;
    prepared.folded = foldValue(value, foldModifiers);
    if (prepared.folded.typeId() == QMetaType::QString) {
        prepared.isText = true;
        prepared.foldedText = prepared.folded.toString();
        if (wantSearcher && !prepared.foldedText.isEmpty())
            prepared.searcher.emplace(prepared.foldedText);
        if (wantRegex) {
            prepared.regex = compiledPattern(prepared.foldedText, modifiers);
            prepared.regex->optimize();
        }
    } else if (prepared.folded.typeId() == QMetaType::QVariantList) {
        const QVariantList list = prepared.folded.toList();
        prepared.listIsAllTexts = !list.isEmpty();
        for (const QVariant& element : list) {
            if (element.typeId() != QMetaType::QString) {
                prepared.listIsAllTexts = false;
                break;
            }
        }
        if (prepared.listIsAllTexts)
            for (const QVariant& element : list)
                prepared.textSet.insert(element.toString());
    }
    return prepared;
}

// Everything one application of the operator needs.
struct Operands {
    Item left;
    Item right;
    const SubstringSearcher* leftSearcher = nullptr;  // for IN on texts: left inside right
    const SubstringSearcher* rightSearcher = nullptr; // for CONTAINS: right inside left
    const QSet<QString>* rightTextSet = nullptr;      // IN with an all-text constant list
    const QRegularExpression* regex = nullptr;        // MATCHES with a constant pattern
};

bool apply(Operator op, int modifiers, const Operands& o) {
    const int folding = foldingModifiers(op, modifiers);
    const Item& l = o.left;
    const Item& r = o.right;
    switch (op) {
    case Operator::Equal:
        return itemsEqual(l, r, folding);
    case Operator::NotEqual:
        return !itemsEqual(l, r, folding);
    case Operator::Less: {
        const auto order = itemsOrder(l, r);
        return order && *order < 0;
    }
    case Operator::LessOrEqual: {
        const auto order = itemsOrder(l, r);
        return order && *order <= 0;
    }
    case Operator::Greater: {
        const auto order = itemsOrder(l, r);
        return order && *order > 0;
    }
    case Operator::GreaterOrEqual: {
        const auto order = itemsOrder(l, r);
        return order && *order >= 0;
    }
    case Operator::Contains:
        if (l.asciiUnfolded)
            return r.text && o.rightSearcher && o.rightSearcher->isInAsciiIgnoringCase(*l.text);
        if (l.text && r.text)
            return textContains(*l.text, *r.text, o.rightSearcher);
        if (classOf(l) == ValueClass::List)
            return listHasEqualElement(l, r, folding);
        return false;
    case Operator::In:
        if (o.rightTextSet)
            return l.text && o.rightTextSet->contains(*l.text);
        if (classOf(r) == ValueClass::List)
            return listHasEqualElement(r, l, folding);
        if (l.text && r.text)
            return textContains(*r.text, *l.text, o.leftSearcher);
        return false;
    case Operator::BeginsWith:
        return l.text && r.text && !r.text->isEmpty() && l.text->startsWith(*r.text);
    case Operator::EndsWith:
        return l.text && r.text && !r.text->isEmpty() && l.text->endsWith(*r.text);
    case Operator::Like:
        return l.text && r.text && likeMatches(*l.text, *r.text);
    case Operator::Matches: {
        if (!l.text || !r.text)
            return false;
        if (o.regex)
            return o.regex->isValid() && o.regex->match(*l.text).hasMatch();
        const QRegularExpression regex = compiledPattern(*r.text, modifiers);
        return regex.isValid() && regex.match(*l.text).hasMatch();
    }
    case Operator::Between: {
        if (classOf(r) != ValueClass::List || listSize(*r.value) != 2)
            return false;
        const QVariant lower = listAt(*r.value, 0);
        const QVariant upper = listAt(*r.value, 1);
        QString lowerStorage;
        QString upperStorage;
        const auto aboveLower = itemsOrder(l, makeItem(lower, folding, r.folded, lowerStorage));
        const auto belowUpper = itemsOrder(l, makeItem(upper, folding, r.folded, upperStorage));
        return aboveLower && *aboveLower >= 0 && belowUpper && *belowUpper <= 0;
    }
    }
    return false;
}

// Reads one side of a comparison. Holder and storage keep what the item points into.
// asciiUnfolded: the side may be an ASCII text left as it is (the text searched by CONTAINS
// with a constant pattern), which saves the source a folded copy.
Item resolveSide(const Expression& e, const std::optional<PreparedConstant>& prepared, int folding,
                 const KeyValueSource& object, const QVariantMap& variables, QVariant& holder,
                 QString& storage, bool asciiUnfolded = false) {
    if (prepared) {
        Item item;
        item.value = &prepared->folded;
        item.text = prepared->isText ? &prepared->foldedText : nullptr;
        item.folded = true;
        return item;
    }
    if ((folding & CaseInsensitive) && e.kind == Expression::Kind::KeyPath && e.path.size() == 1) {
        // ASCII folds to its lower case whatever the modifiers ([c] or [cd]).
        if (asciiUnfolded) {
            if (const QString* ascii = object.asciiTextForKey(e.path.front())) {
                Item item;
                item.text = ascii;
                item.asciiUnfolded = true;
                return item;
            }
        }
        // The source's cache folds exactly as foldedForModifiers does for [c] and [cd].
        if (const QString* cached =
                object.foldedTextForKey(e.path.front(), (folding & DiacriticInsensitive) != 0)) {
            Item item;
            item.text = cached;
            item.folded = true;
            return item;
        }
    }
    holder = resolveValue(e, object, variables);
    return makeItem(holder, folding, false, storage);
}

} // namespace

void Comparison::prepare() {
    const int folding = foldingModifiers(op, modifiers);
    preparedLeft.reset();
    preparedRight.reset();
    if (left.kind == Expression::Kind::Constant)
        preparedLeft = prepareConstant(left.constant, folding, op == Operator::In, false, modifiers);
    if (right.kind == Expression::Kind::Constant)
        preparedRight = prepareConstant(right.constant, folding, op == Operator::Contains,
                                        op == Operator::Matches, modifiers);
}

bool Comparison::evaluate(const KeyValueSource& object, const QVariantMap& variables) const {
    const int folding = foldingModifiers(op, modifiers);
    Operands operands;
    QVariant rightHolder;
    QString rightStorage;
    operands.right = resolveSide(right, preparedRight, folding, object, variables, rightHolder, rightStorage);
    if (preparedRight) {
        operands.rightSearcher = preparedRight->searcher ? &*preparedRight->searcher : nullptr;
        operands.rightTextSet = preparedRight->listIsAllTexts ? &preparedRight->textSet : nullptr;
        operands.regex = preparedRight->regex ? &*preparedRight->regex : nullptr;
    }

    if (quantifier == Quantifier::Single) {
        QVariant leftHolder;
        QString leftStorage;
        const bool searchedText = op == Operator::Contains && operands.rightSearcher && !preparedLeft;
        operands.left = resolveSide(left, preparedLeft, folding, object, variables, leftHolder, leftStorage,
                                    searchedText);
        if (preparedLeft && preparedLeft->searcher)
            operands.leftSearcher = &*preparedLeft->searcher;
        return apply(op, modifiers, operands);
    }

    // ANY, ALL, NONE: the left side is a collection, tested element by element. A single
    // value counts as a collection of one, nil as an empty one.
    QVariant collectionHolder;
    const QVariant* collection = nullptr;
    bool folded = false;
    if (preparedLeft) {
        collection = &preparedLeft->folded;
        folded = true;
    } else {
        collectionHolder = resolveValue(left, object, variables);
        collection = &collectionHolder;
    }
    auto test = [&](const QVariant& element) {
        QString storage;
        operands.left = makeItem(element, folding, folded, storage);
        return apply(op, modifiers, operands);
    };
    qsizetype matches = 0;
    qsizetype count = 0;
    switch (classOf(*collection)) {
    case ValueClass::Nil:
        break;
    case ValueClass::List:
        count = listSize(*collection);
        for (qsizetype i = 0; i < count; ++i) {
            if (test(listAt(*collection, i))) {
                ++matches;
                if (quantifier != Quantifier::All)
                    break;
            } else if (quantifier == Quantifier::All) {
                return false;
            }
        }
        break;
    default:
        count = 1;
        matches = test(*collection) ? 1 : 0;
        break;
    }
    switch (quantifier) {
    case Quantifier::Any:
        return matches > 0;
    case Quantifier::All:
        return matches == count;
    case Quantifier::None:
        return matches == 0;
    case Quantifier::Single:
        break;
    }
    return false;
}

} // namespace predicate_detail

bool Predicate::evaluate(const KeyValueSource& object, const QVariantMap& variables) const {
    switch (m_kind) {
    case Kind::True:
        return true;
    case Kind::False:
        return false;
    case Kind::And:
        for (const PredicatePtr& sub : m_subpredicates)
            if (!sub->evaluate(object, variables))
                return false;
        return true;
    case Kind::Or:
        for (const PredicatePtr& sub : m_subpredicates)
            if (sub->evaluate(object, variables))
                return true;
        return false;
    case Kind::Not:
        return !m_subpredicates.front()->evaluate(object, variables);
    case Kind::Comparison:
        return m_comparison->evaluate(object, variables);
    }
    return false;
}
