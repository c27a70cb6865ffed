// Filter text: whatever parses must print to a text that parses to an equal tree, and both
// trees must select the same objects. Evaluation through the source's folded-text cache,
// with variables bound at evaluation or substituted beforehand, must agree as well.
#include "platform/Predicate.h"
#include "platform/TextFolding.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QString& text, const QString& printed = {}) {
    std::fprintf(stderr, "fuzz_predicate: %s\ninput:   %s\nprinted: %s\n", what,
                 text.left(2000).toUtf8().constData(), printed.left(2000).toUtf8().constData());
    std::abort();
}

// A dictionary with a cache of folded texts, like a record of the store.
class CachedSource final : public KeyValueSource {
public:
    explicit CachedSource(const QVariantMap& values) : m_values(values) {
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.value().typeId() == QMetaType::QString) {
                m_folded.insert(it.key(), foldedText(it.value().toString(), false));
                m_foldedNoDiacritics.insert(it.key(), foldedText(it.value().toString(), true));
            }
        }
    }
    QVariant valueForKey(const QString& key) const override { return m_values.value(key); }
    QVariant selfValue() const override { return m_values; }
    const QString* foldedTextForKey(const QString& key, bool diacriticInsensitive) const override {
        const QHash<QString, QString>& cache = diacriticInsensitive ? m_foldedNoDiacritics : m_folded;
        const auto it = cache.constFind(key);
        return it == cache.constEnd() ? nullptr : &it.value();
    }

private:
    QVariantMap m_values;
    QHash<QString, QString> m_folded;
    QHash<QString, QString> m_foldedNoDiacritics;
};

QVariantMap recipe() {
    return {
        {QStringLiteral("name"), QString::fromUtf8("Crème Brûlée au Café")},
        {QStringLiteral("keywords"), QStringLiteral("dessert,French,soup")},
        {QStringLiteral("keywordsArray"),
         QStringList{QStringLiteral("dessert"), QStringLiteral("french"), QStringLiteral("soup")}},
        {QStringLiteral("rating"), 4},
        {QStringLiteral("difficulty"), qint64(2)},
        {QStringLiteral("hasBeenPrepared"), 1},
        {QStringLiteral("hasFirstImage"), false},
        {QStringLiteral("price"), 3.75},
        {QStringLiteral("notes"), QString::fromUtf8("ÉCLAIR \xF0\x9F\x98\x80 straße 2 eggs")},
        {QStringLiteral("uniqueID"), QStringLiteral("2010-05-01-10-00-00-000-42")},
        {QStringLiteral("dateCreated"), QDateTime(QDate(2010, 5, 1), QTime(10, 0), Qt::UTC)},
        {QStringLiteral("ingredient"), QVariantMap{{QStringLiteral("name"), QStringLiteral("egg")},
                                                   {QStringLiteral("quantity"), QStringLiteral("2")}}},
        {QStringLiteral("mixed"),
         QVariantList{1, QStringLiteral("Two"), QVariant(), QVariantList{QStringLiteral("x")}, 2.5}},
        {QStringLiteral("empty"), QString()},
    };
}

bool evaluateBoth(const Predicate& p, const QVariantMap& variables, const KeyValueSource& a,
                  const KeyValueSource& b, const QString& text) {
    const bool first = p.evaluate(a, variables);
    if (first != p.evaluate(b, variables))
        fail("the folded-text cache and folding on the fly disagree", text, p.format());
    return first;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    static const QVariantList arguments{QStringLiteral("soup"),
                                        3,
                                        QStringList{QStringLiteral("a"), QStringLiteral("French")},
                                        QVariant(),
                                        QStringLiteral("name"),
                                        QStringLiteral("ingredient.name")};
    const PredicateParseResult parsed = Predicate::parse(text, arguments);
    if (!parsed.ok()) {
        if (parsed.error.isEmpty() || parsed.errorPosition < 0 || parsed.errorPosition > text.size())
            fail("a refused filter has no error text or position", text);
        return 0;
    }
    const PredicatePtr& predicate = parsed.predicate;
    const QString printed = predicate->format();
    const PredicateParseResult reparsed = Predicate::parse(printed);
    if (!reparsed.ok())
        fail("the printed filter does not parse", text,
             printed + QStringLiteral("\nerror: ") + reparsed.error);
    if (!reparsed.predicate->isEqual(*predicate))
        fail("the printed filter parses to another tree", text, printed);
    if (reparsed.predicate->format() != printed)
        fail("printing the reparsed filter gives another text", text, printed);
    (void)predicate->keysUsed();

    static const QVariantMap values = recipe();
    static const CachedSource cachedRecipe(values);
    static const VariantKeyValueSource plainRecipe(values);
    static const CachedSource cachedEmpty({});
    static const VariantKeyValueSource plainText(QString::fromUtf8("Crème"));
    const QVariantMap variables{
        {QStringLiteral("value"), QStringLiteral("EGG")},
        {QStringLiteral("low"), 1},
        {QStringLiteral("list"), QStringList{QStringLiteral("soup"), QStringLiteral("x")}}};
    const PredicatePtr substituted = predicate->substitutingVariables(variables);

    const KeyValueSource* pairs[][2] = {
        {&cachedRecipe, &plainRecipe}, {&cachedEmpty, &cachedEmpty}, {&plainText, &plainText}};
    for (const auto& pair : pairs) {
        const bool original = evaluateBoth(*predicate, variables, *pair[0], *pair[1], text);
        if (evaluateBoth(*reparsed.predicate, variables, *pair[0], *pair[1], text) != original)
            fail("the printed filter selects differently", text, printed);
        if (evaluateBoth(*substituted, {}, *pair[0], *pair[1], text) != original)
            fail("substituting the variables changes the result", text, substituted->format());
    }
    return 0;
}
