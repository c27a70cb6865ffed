#include "import/SchemaOrgImporter.h"

#include "import/WebPageText.h"
#include "present/HtmlFragmentSanitizer.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using webimport::ExtractedRecipe;

namespace {

// Nesting deeper than this in a page's JSON is not followed.
constexpr int kMaxDepth = 32;

// A schema text as plain text: it may hold markup and character references.
QString plain(const QString& text) {
    return webimport::htmlToText(text).trimmed();
}

bool typeIs(const QJsonValue& type, QLatin1String name) {
    const auto matches = [&](const QString& text) {
        return text == name || text.endsWith(QLatin1Char('/') + name) ||
               text.endsWith(QLatin1Char(':') + name);
    };
    if (type.isArray()) {
        for (const QJsonValue& entry : type.toArray())
            if (matches(entry.toString()))
                return true;
        return false;
    }
    return matches(type.toString());
}

// The first object of type Recipe in a JSON value: the value itself, its "@graph", a list
// entry, or any value nested inside.
std::optional<QJsonObject> findRecipe(const QJsonValue& value, int depth = 0) {
    if (depth > kMaxDepth)
        return std::nullopt;
    if (value.isArray()) {
        for (const QJsonValue& entry : value.toArray())
            if (auto found = findRecipe(entry, depth + 1))
                return found;
        return std::nullopt;
    }
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    if (typeIs(object.value(QStringLiteral("@type")), QLatin1String("Recipe")))
        return object;
    if (object.contains(QStringLiteral("@graph")))
        if (auto found = findRecipe(object.value(QStringLiteral("@graph")), depth + 1))
            return found;
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.key() != QLatin1String("@graph") && (it.value().isObject() || it.value().isArray()))
            if (auto found = findRecipe(it.value(), depth + 1))
                return found;
    return std::nullopt;
}

// Every text of a value that may be one text, a number, a list, or objects with a name.
QStringList texts(const QJsonValue& value, const QString& objectKey = QStringLiteral("name")) {
    QStringList out;
    if (value.isString()) {
        out.append(value.toString());
    } else if (value.isDouble()) {
        out.append(QString::number(value.toDouble()));
    } else if (value.isArray()) {
        for (const QJsonValue& entry : value.toArray())
            out += texts(entry, objectKey);
    } else if (value.isObject()) {
        out += texts(value.toObject().value(objectKey), objectKey);
    }
    QStringList cleaned;
    for (const QString& text : std::as_const(out))
        if (const QString p = plain(text); !p.isEmpty())
            cleaned.append(p);
    return cleaned;
}

// The directions as HTML text: one paragraph per step, a section's name as a bold heading.
void addInstructions(const QJsonValue& value, QStringList& html, int depth = 0) {
    if (depth > kMaxDepth)
        return;
    if (value.isString()) {
        // A single text may be HTML with paragraphs, or lines.
        const QString text = webimport::htmlToText(value.toString());
        for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (!line.trimmed().isEmpty())
                html.append(HtmlFragmentSanitizer::escapeText(line.trimmed()));
        return;
    }
    if (value.isArray()) {
        for (const QJsonValue& entry : value.toArray())
            addInstructions(entry, html, depth + 1);
        return;
    }
    if (!value.isObject())
        return;
    const QJsonObject object = value.toObject();
    if (typeIs(object.value(QStringLiteral("@type")), QLatin1String("HowToSection"))) {
        const QString name = plain(object.value(QStringLiteral("name")).toString());
        if (!name.isEmpty())
            html.append(QStringLiteral("<b>") + HtmlFragmentSanitizer::escapeText(name) +
                        QStringLiteral("</b>"));
        addInstructions(object.value(QStringLiteral("itemListElement")), html, depth + 1);
        return;
    }
    QJsonValue text = object.value(QStringLiteral("text"));
    if (!text.isString() || text.toString().trimmed().isEmpty())
        text = object.value(QStringLiteral("name"));
    if (text.isString())
        addInstructions(text, html, depth + 1);
    else if (object.contains(QStringLiteral("itemListElement")))
        addInstructions(object.value(QStringLiteral("itemListElement")), html, depth + 1);
}

QString yieldText(const QJsonValue& value) {
    const QStringList all = texts(value);
    // A list often gives a bare number and a worded yield ("4", "4 servings"): the words win.
    for (const QString& text : all) {
        bool number = false;
        text.toDouble(&number);
        if (!number)
            return text;
    }
    return all.value(0);
}

QUrl imageUrl(const QJsonValue& value, const QUrl& page, int depth = 0) {
    if (depth > kMaxDepth)
        return {};
    if (value.isString())
        return page.resolved(QUrl(value.toString().trimmed()));
    if (value.isArray()) {
        for (const QJsonValue& entry : value.toArray())
            if (QUrl url = imageUrl(entry, page, depth + 1); url.isValid() && !url.isEmpty())
                return url;
        return {};
    }
    const QJsonObject object = value.toObject();
    for (const QString& key : {QStringLiteral("url"), QStringLiteral("contentUrl")})
        if (object.contains(key))
            return imageUrl(object.value(key), page, depth + 1);
    return {};
}

// Keyword texts: each may itself be a comma-separated list; duplicates (ignoring case) dropped.
void addKeywords(QStringList& keywords, const QStringList& values) {
    for (const QString& value : values) {
        for (QString keyword : value.split(QLatin1Char(','))) {
            keyword = keyword.trimmed();
            if (!keyword.isEmpty() && !keywords.contains(keyword, Qt::CaseInsensitive))
                keywords.append(keyword);
        }
    }
}

std::optional<ExtractedRecipe> recipeFromJson(const QJsonObject& recipe, const QUrl& url) {
    ExtractedRecipe found;
    found.extractor = QStringLiteral("SchemaOrgImporter");
    QVariantMap& fields = found.fields;
    fields.insert(QStringLiteral("importedFromURL"), url.toString());
    const auto set = [&](const QString& key, const QString& value) {
        if (!value.isEmpty())
            fields.insert(key, value);
    };
    set(QStringLiteral("name"), texts(recipe.value(QStringLiteral("name"))).value(0));
    set(QStringLiteral("recipeDescription"), texts(recipe.value(QStringLiteral("description"))).value(0));
    QJsonValue ingredients = recipe.value(QStringLiteral("recipeIngredient"));
    if (ingredients.isUndefined())
        ingredients = recipe.value(QStringLiteral("ingredients"));
    found.ingredientsText = texts(ingredients).join(QLatin1Char('\n'));
    QStringList steps;
    addInstructions(recipe.value(QStringLiteral("recipeInstructions")), steps);
    set(QStringLiteral("directions"), steps.join(QStringLiteral("\n\n")));
    set(QStringLiteral("yield"), yieldText(recipe.value(QStringLiteral("recipeYield"))));
    set(QStringLiteral("prepTime"),
        SchemaOrgImporter::durationText(texts(recipe.value(QStringLiteral("prepTime"))).value(0)));
    set(QStringLiteral("cookingTime"),
        SchemaOrgImporter::durationText(texts(recipe.value(QStringLiteral("cookTime"))).value(0)));
    // The record has no total time; it goes into the notes so that it is not lost.
    const QString total =
        SchemaOrgImporter::durationText(texts(recipe.value(QStringLiteral("totalTime"))).value(0));
    if (!total.isEmpty())
        fields.insert(QStringLiteral("notes"), SchemaOrgImporter::tr("Total time: %1").arg(total));
    const QStringList cuisines = texts(recipe.value(QStringLiteral("recipeCuisine")));
    set(QStringLiteral("cuisine"), cuisines.value(0));
    QStringList keywords;
    addKeywords(keywords, cuisines);
    addKeywords(keywords, texts(recipe.value(QStringLiteral("recipeCategory"))));
    addKeywords(keywords, texts(recipe.value(QStringLiteral("keywords"))));
    set(QStringLiteral("keywords"), keywords.join(QLatin1Char(',')));
    set(QStringLiteral("attribution"),
        texts(recipe.value(QStringLiteral("author"))).join(QStringLiteral(", ")));
    if (const QUrl picture = imageUrl(recipe.value(QStringLiteral("image")), url);
        picture.isValid() && !picture.isEmpty())
        found.pictureUrls.append(picture);
    if (!fields.contains(QStringLiteral("name")) && found.ingredientsText.isEmpty() &&
        !fields.contains(QStringLiteral("directions")))
        return std::nullopt;
    return found;
}

std::optional<ExtractedRecipe> fromJsonLd(const QString& page, const QUrl& url) {
    static const QRegularExpression script(
        QStringLiteral("<script[^>]*type\\s*=\\s*[\"']?application/ld\\+json[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    auto matches = script.globalMatch(page);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const qsizetype start = match.capturedEnd();
        const qsizetype end = page.indexOf(QLatin1String("</script"), start, Qt::CaseInsensitive);
        if (end < 0)
            break;
        QString json = page.mid(start, end - start).trimmed();
        if (json.startsWith(QLatin1String("<![CDATA[")) && json.endsWith(QLatin1String("]]>")))
            json = json.mid(9, json.size() - 12);
        QJsonParseError error{};
        QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError) {
            // Pages often put raw line breaks and tabs inside their texts, which JSON does
            // not allow; as blanks the description reads.
            for (QChar& c : json)
                if (c.unicode() < 0x20)
                    c = QLatin1Char(' ');
            document = QJsonDocument::fromJson(json.toUtf8(), &error);
        }
        if (error.error != QJsonParseError::NoError)
            continue;
        const QJsonValue root =
            document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());
        if (const auto recipe = findRecipe(root))
            if (auto found = recipeFromJson(*recipe, url))
                return found;
    }
    return std::nullopt;
}

// --- microdata -----------------------------------------------------------------------

bool isVoidElement(const QString& name) {
    static const QStringList names{QStringLiteral("meta"), QStringLiteral("img"),   QStringLiteral("link"),
                                   QStringLiteral("br"),   QStringLiteral("input"), QStringLiteral("source"),
                                   QStringLiteral("hr"),   QStringLiteral("area"),  QStringLiteral("base")};
    return names.contains(name);
}

QString attribute(const QString& tag, const QString& name) {
    const QRegularExpression pattern(
        QStringLiteral("\\s%1\\s*=\\s*(\"([^\"]*)\"|'([^']*)'|([^\\s>]+))").arg(name),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(tag);
    if (!match.hasMatch())
        return {};
    for (int group = 2; group <= 4; ++group)
        if (match.capturedStart(group) >= 0)
            return webimport::decodeCharacterReferences(match.captured(group));
    return {};
}

// The end of the element whose open tag ends at tagEnd: just past its matching close tag,
// or the end of the text when it is never closed.
qsizetype elementEnd(const QString& html, const QString& name, qsizetype tagEnd) {
    const QRegularExpression tags(QStringLiteral("<(/?)%1[\\s>/]").arg(QRegularExpression::escape(name)),
                                  QRegularExpression::CaseInsensitiveOption);
    int depth = 1;
    auto it = tags.globalMatch(html, tagEnd);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        depth += match.capturedLength(1) ? -1 : 1;
        if (depth == 0) {
            const qsizetype close = html.indexOf(QLatin1Char('>'), match.capturedStart());
            return close < 0 ? html.size() : close + 1;
        }
    }
    return html.size();
}

struct MicroTag {
    QString tag; // the open tag's text
    QString name;
    qsizetype contentStart;
    qsizetype end;
};

std::optional<ExtractedRecipe> fromMicrodata(const QString& page, const QUrl& url) {
    static const QRegularExpression recipeTag(
        QStringLiteral(
            "<([a-zA-Z][a-zA-Z0-9]*)[^>]*itemtype\\s*=\\s*[\"']?[^\"'>]*schema\\.org/Recipe[\"'\\s>][^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch top = recipeTag.match(page);
    if (!top.hasMatch())
        return std::nullopt;
    const qsizetype scopeEnd = elementEnd(page, top.captured(1).toLower(), top.capturedEnd());
    const QString scope = page.mid(top.capturedEnd(), scopeEnd - top.capturedEnd());

    static const QRegularExpression propTag(
        QStringLiteral("<([a-zA-Z][a-zA-Z0-9]*)[^>]*\\sitemprop\\s*=[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    QMultiHash<QString, QString> values;
    QStringList order;
    qsizetype position = 0;
    while (true) {
        const QRegularExpressionMatch match = propTag.match(scope, position);
        if (!match.hasMatch())
            break;
        const QString tag = match.captured(0);
        const QString name = match.captured(1).toLower();
        const qsizetype contentEnd =
            isVoidElement(name) ? match.capturedEnd() : elementEnd(scope, name, match.capturedEnd());
        QString value = attribute(tag, QStringLiteral("content"));
        if (value.isEmpty() && (name == QLatin1String("img") || name == QLatin1String("source")))
            value = attribute(tag, QStringLiteral("src"));
        if (value.isEmpty() && (name == QLatin1String("link") || name == QLatin1String("a")) &&
            attribute(tag, QStringLiteral("itemprop")) == QLatin1String("image"))
            value = attribute(tag, QStringLiteral("href"));
        if (value.isEmpty() && name == QLatin1String("time"))
            value = attribute(tag, QStringLiteral("datetime"));
        if (value.isEmpty() && !isVoidElement(name))
            value = scope.mid(match.capturedEnd(), contentEnd - match.capturedEnd());
        for (const QString& property :
             attribute(tag, QStringLiteral("itemprop")).split(QLatin1Char(' '), Qt::SkipEmptyParts))
            values.insert(property, value);
        // A property that is an item of its own (a step, an author) is read as a whole.
        const bool isItem = tag.contains(QLatin1String("itemscope"), Qt::CaseInsensitive);
        position = isItem ? contentEnd : match.capturedEnd();
    }
    const auto list = [&](const QString& key) {
        QStringList all = values.values(key);
        std::reverse(all.begin(), all.end()); // QMultiHash answers the latest first
        return all;
    };
    QJsonObject recipe;
    const auto put = [&](const QString& key, const QString& property) {
        const QStringList all = list(property);
        if (!all.isEmpty())
            recipe.insert(key, QJsonArray::fromStringList(all));
    };
    for (const QString& key :
         {QStringLiteral("name"), QStringLiteral("description"), QStringLiteral("recipeIngredient"),
          QStringLiteral("ingredients"), QStringLiteral("recipeYield"), QStringLiteral("prepTime"),
          QStringLiteral("cookTime"), QStringLiteral("totalTime"), QStringLiteral("recipeCuisine"),
          QStringLiteral("recipeCategory"), QStringLiteral("keywords"), QStringLiteral("author"),
          QStringLiteral("image")})
        put(key, key);
    if (const QStringList steps = list(QStringLiteral("recipeInstructions")); !steps.isEmpty())
        recipe.insert(QStringLiteral("recipeInstructions"), QJsonArray::fromStringList(steps));
    return recipeFromJson(recipe, url);
}

// --- the page's own sections -----------------------------------------------------------

// The heading words of the sections a recipe page is made of.
bool isSectionWord(const QString& heading) {
    static const QStringList words{
        QStringLiteral("ingredients"), QStringLiteral("directions"),  QStringLiteral("instructions"),
        QStringLiteral("method"),      QStringLiteral("preparation"), QStringLiteral("equipment"),
        QStringLiteral("nutrition"),   QStringLiteral("notes"),       QStringLiteral("steps")};
    return words.contains(heading.trimmed().toLower());
}

// The lines of the first section headed by one of words (h1 to h6, ignoring case): from the
// heading to the next heading of the same or a higher rank, or to another section's heading.
QStringList sectionLines(const QString& page, const QStringList& words) {
    static const QRegularExpression heading(QStringLiteral("<h([1-6])[^>]*>(.{0,300}?)</h\\1\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    auto it = heading.globalMatch(page);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString title = webimport::htmlToText(match.captured(2)).trimmed();
        if (!words.contains(title.toLower()))
            continue;
        const int rank = match.captured(1).toInt();
        qsizetype end = page.size();
        auto next = heading.globalMatch(page, match.capturedEnd());
        while (next.hasNext()) {
            const QRegularExpressionMatch following = next.next();
            if (following.captured(1).toInt() <= rank ||
                isSectionWord(webimport::htmlToText(following.captured(2)))) {
                end = following.capturedStart();
                break;
            }
        }
        QStringList lines;
        const QString text = webimport::htmlToText(page.mid(match.capturedEnd(), end - match.capturedEnd()))
                                 .replace(QChar(0xA0), QLatin1Char(' '));
        for (const QString& line : text.split(QLatin1Char('\n')))
            if (!line.simplified().isEmpty())
                lines.append(line.simplified());
        if (!lines.isEmpty())
            return lines;
    }
    return {};
}

// A described recipe that leaves its ingredients or steps out of the description often shows
// them on the page under the usual headings: they are taken from there.
void fillFromSections(const QString& page, ExtractedRecipe& found) {
    if (found.ingredientsText.isEmpty())
        found.ingredientsText = sectionLines(page, {QStringLiteral("ingredients")}).join(QLatin1Char('\n'));
    if (!found.fields.contains(QStringLiteral("directions"))) {
        QStringList steps = sectionLines(page, {QStringLiteral("directions"), QStringLiteral("instructions"),
                                                QStringLiteral("method"), QStringLiteral("preparation")});
        for (QString& step : steps)
            step = HtmlFragmentSanitizer::escapeText(step);
        if (!steps.isEmpty())
            found.fields.insert(QStringLiteral("directions"), steps.join(QStringLiteral("\n\n")));
    }
}

} // namespace

std::optional<ExtractedRecipe> SchemaOrgImporter::recipeFromPage(const QString& pageText, const QUrl& url) {
    std::optional<ExtractedRecipe> found = fromJsonLd(pageText, url);
    if (!found)
        found = fromMicrodata(pageText, url);
    if (found)
        fillFromSections(pageText, *found);
    return found;
}

QString SchemaOrgImporter::durationText(const QString& duration) {
    static const QRegularExpression iso(
        QStringLiteral("^P(?:(\\d+)D)?(?:T(?:(\\d+)H)?(?:(\\d+)M)?(?:(\\d+(?:\\.\\d+)?)S)?)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = duration.trimmed();
    const QRegularExpressionMatch match = iso.match(text);
    if (!match.hasMatch() || text.size() < 2 || text.endsWith(QLatin1Char('T'), Qt::CaseInsensitive))
        return text;
    qint64 days = match.captured(1).toLongLong();
    qint64 hours = match.captured(2).toLongLong();
    qint64 minutes = match.captured(3).toLongLong();
    const qint64 seconds = qint64(match.captured(4).toDouble());
    // Sites write 90 minutes as "PT90M": shown as hours and minutes.
    hours += minutes / 60;
    minutes %= 60;
    QStringList parts;
    if (days)
        parts.append(days == 1 ? tr("1 day") : tr("%1 days").arg(days));
    if (hours)
        parts.append(hours == 1 ? tr("1 hour") : tr("%1 hours").arg(hours));
    if (minutes)
        parts.append(tr("%1 min").arg(minutes));
    if (parts.isEmpty() && seconds)
        parts.append(tr("%1 sec").arg(seconds));
    return parts.join(QLatin1Char(' '));
}
