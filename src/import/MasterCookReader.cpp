#include "MasterCookReader.h"

#include "ForeignText.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace MasterCookReader {

namespace {

bool isNameCharacter(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u':' || c == u'-' || c == u'.';
}

bool isSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Whether a quote before position i ends a value: what follows is the end of the tag, "/"
// or another attribute ("name="), after spaces.
bool closesValue(QStringView body, qsizetype i) {
    const qsizetype n = body.size();
    if (i < n && !isSpace(body[i]) && body[i] != u'/')
        return false;
    while (i < n && isSpace(body[i]))
        ++i;
    if (i >= n || body[i] == u'/')
        return true;
    while (i < n && isNameCharacter(body[i]))
        ++i;
    while (i < n && isSpace(body[i]))
        ++i;
    return i < n && body[i] == u'=';
}

QString attribute(const QList<QPair<QString, QString>>& attributes, QLatin1String name) {
    for (const auto& [key, value] : attributes)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

// "=== FILLING ===": MasterCook users write group titles as ingredients named so.
QString titleOfMarkedHeading(const QString& name) {
    // Most names are plain: only those starting and ending with a marker are matched.
    const auto isMarker = [](QChar c) { return c == u'=' || c == u'*' || c == u'#' || c == u'~'; };
    if (name.size() < 4 || !isMarker(name.front()) || !isMarker(name.back()))
        return {};
    static const QRegularExpression marked(QStringLiteral("^[=*#~]{2,}\\s*(.*?)\\s*[=*#~]{2,}$"));
    const QRegularExpressionMatch match = marked.match(name);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString headingLine(QString title) {
    while (title.endsWith(u':'))
        title.chop(1);
    title = title.trimmed();
    return title.isEmpty() ? QString() : title + u':';
}

// Builds the recipes from the tags of a file, one element at a time.
class RecipeBuilder {
public:
    explicit RecipeBuilder(ForeignReadResult& result) : m_result(result) {}

    void startTag(QStringView name, QStringView body, bool selfClosing, bool cutShort) {
        if (equals(name, "RcpE")) {
            endRecipe();
            m_open = true;
            m_entry = m_result.entries++;
            m_recipe = ForeignRecipe();
            m_lines.clear();
            m_steps.clear();
            if (cutShort) {
                // The file ends inside the recipe's own start tag: nothing of it can be read.
                m_open = false;
                m_result.skipped.append(
                    {m_entry,
                     QCoreApplication::translate("MasterCookReader", "The file ends inside the recipe.")});
                return;
            }
            const auto attrs = attributes(body);
            m_recipe.name = ForeignText::oneLine(attribute(attrs, QLatin1String("name")));
            m_author = ForeignText::oneLine(attribute(attrs, QLatin1String("author")));
            if (selfClosing)
                endRecipe();
            return;
        }
        if (!m_open)
            return;
        // Any other tag ends a text still being collected (its end tag is missing).
        endText();
        if (equals(name, "IngR")) {
            endIngredient();
            const auto attrs = attributes(body);
            if (attrs.isEmpty())
                return; // "<IngR>" alone: a row with nothing in it
            m_ingredientOpen = true;
            m_ingredient = attrs;
            m_preparation.clear();
            if (selfClosing)
                endIngredient();
        } else if (equals(name, "Serv")) {
            const QString quantity = ForeignText::oneLine(attribute(attributes(body), QLatin1String("qty")));
            if (!quantity.isEmpty() && quantity != QLatin1String("0"))
                m_recipe.yield = quantity;
        } else if (equals(name, "CatT") || equals(name, "DirT") || equals(name, "Desc") ||
                   equals(name, "Srce") || equals(name, "Note") ||
                   (equals(name, "IPrp") && m_ingredientOpen)) {
            if (!selfClosing) {
                m_textElement = name.toString();
                m_text.clear();
            }
        }
    }

    void endTag(QStringView name) {
        if (!m_open)
            return;
        if (equals(name, "RcpE")) {
            endRecipe();
            return;
        }
        endText();
        if (equals(name, "IngR"))
            endIngredient();
    }

    // Text between tags; raw text is decoded when its element ends, CDATA is taken as it is.
    void text(QStringView text, bool cdata) {
        if (!m_open || m_textElement.isEmpty())
            return;
        if (cdata)
            m_text.append(text.toString().replace(u'&', QLatin1String("&amp;")));
        else
            m_text.append(text);
    }

    void endOfFile() { endRecipe(); }

private:
    static bool equals(QStringView name, const char* expected) {
        return name.compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
    }

    void endText() {
        if (m_textElement.isEmpty())
            return;
        const QString value = ForeignText::decodeEntities(m_text);
        const QStringView element = m_textElement;
        if (equals(element, "CatT")) {
            const QString keyword = ForeignText::oneLine(value);
            if (!keyword.isEmpty() && !m_recipe.keywords.contains(keyword))
                m_recipe.keywords.append(keyword);
        } else if (equals(element, "DirT")) {
            const QString step = ForeignText::paragraphs(value);
            if (!step.isEmpty())
                m_steps.append(step);
        } else if (equals(element, "Desc")) {
            m_recipe.recipeDescription = ForeignText::paragraphs(value);
        } else if (equals(element, "Srce")) {
            m_recipe.attribution = ForeignText::oneLine(value);
        } else if (equals(element, "Note")) {
            m_recipe.notes = ForeignText::paragraphs(value);
        } else if (equals(element, "IPrp")) {
            m_preparation = ForeignText::oneLine(value);
        }
        m_textElement.clear();
        m_text.clear();
    }

    void endIngredient() {
        if (!m_ingredientOpen)
            return;
        m_ingredientOpen = false;
        const QString code = attribute(m_ingredient, QLatin1String("code")).trimmed().toUpper();
        const QString name = ForeignText::oneLine(attribute(m_ingredient, QLatin1String("name")));
        if (code == QLatin1String("B"))
            return; // a blank line
        if (code == QLatin1String("S")) {
            appendLine(headingLine(name));
            return;
        }
        const QString marked = titleOfMarkedHeading(name);
        if (!marked.isEmpty()) {
            appendLine(headingLine(marked));
            return;
        }
        if (code == QLatin1String("T")) {
            appendLine(name); // free text, no quantity
            return;
        }
        QStringList parts;
        for (const QString& part :
             {ForeignText::oneLine(attribute(m_ingredient, QLatin1String("qty"))),
              ForeignText::oneLine(attribute(m_ingredient, QLatin1String("unit"))), name})
            if (!part.isEmpty())
                parts.append(part);
        QString line = parts.join(u' ');
        if (!m_preparation.isEmpty())
            line += (line.isEmpty() ? QString() : QStringLiteral(", ")) + m_preparation;
        appendLine(line);
    }

    void appendLine(const QString& line) {
        if (!line.isEmpty())
            m_lines.append(line);
    }

    void endRecipe() {
        if (!m_open)
            return;
        endText();
        endIngredient();
        m_open = false;
        if (m_recipe.attribution.isEmpty())
            m_recipe.attribution = m_author;
        m_recipe.ingredientsText = m_lines.join(u'\n');
        QString directions;
        for (const QString& step : std::as_const(m_steps))
            directions += step + QLatin1String("\n\n");
        m_recipe.directions = directions;
        if (m_recipe.name.isEmpty() && m_lines.isEmpty() && m_steps.isEmpty()) {
            m_result.skipped.append(
                {m_entry, QCoreApplication::translate("MasterCookReader",
                                                      "The recipe has no name, ingredients or directions.")});
            return;
        }
        m_result.recipes.append(m_recipe);
    }

    ForeignReadResult& m_result;
    bool m_open = false;
    int m_entry = 0;
    ForeignRecipe m_recipe;
    QString m_author;
    QStringList m_lines;
    QStringList m_steps;
    QString m_textElement;
    QString m_text;
    bool m_ingredientOpen = false;
    QList<QPair<QString, QString>> m_ingredient;
    QString m_preparation;
};

} // namespace

QString decodeFile(const QByteArray& bytes) {
    // The declaration is near the start (after a log line at most).
    const QByteArray head = bytes.left(1024).toLower();
    const qsizetype declaration = head.indexOf("<?xml");
    bool utf8 = false;
    if (declaration >= 0) {
        const qsizetype end = head.indexOf("?>", declaration);
        const QByteArray text = head.mid(declaration, end < 0 ? -1 : end - declaration);
        utf8 = text.contains("utf-8") || text.contains("utf8");
    }
    return ForeignText::decodeBytes(bytes, utf8);
}

ForeignReadResult read(const QByteArray& bytes) {
    return readText(decodeFile(bytes));
}

ForeignReadResult readText(QStringView text) {
    ForeignReadResult result;
    RecipeBuilder builder(result);
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype lt = text.indexOf(u'<', pos);
        if (lt < 0) {
            builder.text(text.mid(pos), false);
            break;
        }
        if (lt > pos)
            builder.text(text.mid(pos, lt - pos), false);
        const QStringView rest = text.mid(lt);
        if (rest.startsWith(QLatin1String("<![CDATA["))) {
            const qsizetype contentStart = lt + 9;
            qsizetype end = text.indexOf(QLatin1String("]]>"), contentStart);
            qsizetype limit = end < 0 ? n : end;
            // A section cut short (the file was truncated inside a recipe and went on with
            // the next one) ends where a recipe starts on a line of its own.
            const qsizetype nextRecipe =
                text.mid(contentStart, limit - contentStart).indexOf(QLatin1String("\n<RcpE"));
            if (nextRecipe >= 0) {
                limit = contentStart + nextRecipe + 1;
                end = -1;
            }
            builder.text(text.mid(contentStart, limit - contentStart), true);
            pos = end < 0 ? limit : end + 3;
            continue;
        }
        if (rest.startsWith(QLatin1String("<!--"))) {
            const qsizetype end = text.indexOf(QLatin1String("-->"), lt + 4);
            pos = end < 0 ? n : end + 3;
            continue;
        }
        if (rest.startsWith(QLatin1String("<?"))) {
            const qsizetype end = text.indexOf(QLatin1String("?>"), lt + 2);
            pos = end < 0 ? n : end + 2;
            continue;
        }
        // A tag ends at its ">", or, when that is missing, where the next tag starts.
        qsizetype gt = text.indexOf(u'>', lt + 1);
        const qsizetype nextLt = text.indexOf(u'<', lt + 1);
        bool cutShort = false;
        if (gt < 0 || (nextLt >= 0 && nextLt < gt)) {
            cutShort = true;
            gt = nextLt < 0 ? n : nextLt;
            pos = gt;
        } else {
            pos = gt + 1;
        }
        if (rest.startsWith(QLatin1String("<!")))
            continue; // DOCTYPE and other declarations
        QStringView body = text.mid(lt + 1, gt - lt - 1);
        const bool closing = body.startsWith(u'/');
        if (closing)
            body = body.mid(1);
        const bool selfClosing = !cutShort && body.endsWith(u'/');
        if (selfClosing)
            body.chop(1);
        qsizetype nameLength = 0;
        while (nameLength < body.size() && isNameCharacter(body[nameLength]))
            ++nameLength;
        const QStringView name = body.left(nameLength);
        if (name.isEmpty())
            continue;
        if (closing)
            builder.endTag(name);
        else
            builder.startTag(name, body.mid(nameLength), selfClosing, cutShort && gt == n);
    }
    builder.endOfFile();
    return result;
}

QList<QPair<QString, QString>> attributes(QStringView body) {
    QList<QPair<QString, QString>> found;
    const qsizetype n = body.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && !isNameCharacter(body[i]))
            ++i;
        const qsizetype nameStart = i;
        while (i < n && isNameCharacter(body[i]))
            ++i;
        if (i == nameStart)
            break;
        const QString name = body.mid(nameStart, i - nameStart).toString();
        while (i < n && isSpace(body[i]))
            ++i;
        if (i >= n || body[i] != u'=') {
            found.append({name, QString()});
            continue;
        }
        ++i;
        while (i < n && isSpace(body[i]))
            ++i;
        if (i >= n)
            break;
        const QChar quote = body[i];
        if (quote != u'"' && quote != u'\'') {
            // An unquoted value runs to the next space.
            const qsizetype start = i;
            while (i < n && !isSpace(body[i]))
                ++i;
            found.append({name, ForeignText::decodeEntities(body.mid(start, i - start))});
            continue;
        }
        const qsizetype start = ++i;
        qsizetype end = -1;
        for (qsizetype j = start; j < n; ++j) {
            if (body[j] != quote)
                continue;
            if (closesValue(body, j + 1)) {
                end = j;
                break;
            }
        }
        if (end < 0)
            end = n; // the value runs to the end of the tag
        found.append({name, ForeignText::decodeEntities(body.mid(start, end - start))});
        i = end + 1;
    }
    return found;
}

} // namespace MasterCookReader
