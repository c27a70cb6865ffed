#include "MealMasterReader.h"

#include "ForeignText.h"

#include <QHash>
#include <QStringList>

#include <optional>

namespace MealMasterReader {

namespace {

// The first column of a two-column ingredient line is this wide.
constexpr qsizetype kColumnWidth = 41;

struct Row {
    QString quantity;
    QString unit;
    QString text;
};

bool isQuantityCharacter(QChar c) {
    return c == u' ' || c.isDigit() || c == u'/' || c == u'.' || c == u'-';
}

// One ingredient column: seven characters of quantity, a space, two of unit, a space, the
// text. Empty when the column is not laid out so.
std::optional<Row> parseColumn(QStringView column) {
    if (column.trimmed().isEmpty())
        return std::nullopt;
    for (qsizetype i = 0; i < 7 && i < column.size(); ++i)
        if (!isQuantityCharacter(column[i]))
            return std::nullopt;
    if (column.size() > 7 && column[7] != u' ')
        return std::nullopt;
    for (qsizetype i = 8; i < 10 && i < column.size(); ++i)
        if (!column[i].isLetter() && column[i] != u' ')
            return std::nullopt;
    if (column.size() > 10 && column[10] != u' ')
        return std::nullopt;
    Row row;
    row.quantity = column.left(7).trimmed().toString();
    row.unit = column.mid(8, 2).trimmed().toString();
    row.text = column.mid(11).trimmed().toString();
    if (row.quantity.isEmpty() && row.unit.isEmpty() && row.text.isEmpty())
        return std::nullopt;
    return row;
}

bool isEndLine(QStringView trimmed) {
    return trimmed == QLatin1String("MMMMM") || trimmed == QLatin1String("-----");
}

bool isHeaderLine(QStringView trimmed) {
    return (trimmed.startsWith(QLatin1String("MMMMM-----")) || trimmed.startsWith(QLatin1String("-----"))) &&
           (trimmed.contains(QLatin1String("Meal-Master"), Qt::CaseInsensitive) ||
            trimmed.contains(QLatin1String("Recipe via"), Qt::CaseInsensitive) ||
            trimmed.contains(QLatin1String("Exported by"), Qt::CaseInsensitive));
}

// "MMMMM-----FILLING-----" or "-----Dry Ingredients-----": the title; empty otherwise.
QString groupTitle(QStringView trimmed) {
    QStringView rest = trimmed;
    if (rest.startsWith(QLatin1String("MMMMM")))
        rest = rest.mid(5);
    if (!rest.startsWith(QLatin1String("---")) || !rest.endsWith(QLatin1String("---")))
        return {};
    while (rest.startsWith(u'-'))
        rest = rest.mid(1);
    while (rest.endsWith(u'-'))
        rest.chop(1);
    return rest.trimmed().toString();
}

QStringView fieldValue(QStringView trimmed, QLatin1String field) {
    return trimmed.startsWith(field, Qt::CaseInsensitive) ? trimmed.mid(field.size()).trimmed()
                                                          : QStringView();
}

bool isField(QStringView trimmed, QLatin1String field) {
    return trimmed.startsWith(field, Qt::CaseInsensitive);
}

QString ingredientLine(const Row& row) {
    QString text = row.text;
    // "Eggs; separated": what follows the semicolon is the preparation.
    const qsizetype semicolon = text.indexOf(u';');
    if (semicolon >= 0)
        text = text.left(semicolon).trimmed() + QLatin1String(", ") + text.mid(semicolon + 1).trimmed();
    QStringList parts;
    for (const QString& part : {row.quantity, unitWord(row.unit), text})
        if (!part.isEmpty())
            parts.append(part);
    return parts.join(u' ');
}

class RecipeBuilder {
public:
    explicit RecipeBuilder(ForeignReadResult& result) : m_result(result) {}

    bool isOpen() const { return m_open; }

    void begin(QStringView title) {
        end();
        m_open = true;
        m_inDirections = false;
        m_recipe = ForeignRecipe();
        m_recipe.name = title.toString();
        m_rows.clear();
        m_paragraphs.clear();
        m_paragraph.clear();
        ++m_result.entries;
    }

    void line(QStringView line) {
        const QStringView trimmed = line.trimmed();
        if (!m_inDirections && m_rows.isEmpty()) {
            if (const QStringView categories = fieldValue(trimmed, QLatin1String("Categories:"));
                isField(trimmed, QLatin1String("Categories:"))) {
                for (const QString& entry : categories.toString().split(u',')) {
                    const QString keyword = ForeignText::oneLine(entry);
                    if (!keyword.isEmpty() && !m_recipe.keywords.contains(keyword))
                        m_recipe.keywords.append(keyword);
                }
                return;
            }
            for (const QLatin1String field : {QLatin1String("Yield:"), QLatin1String("Servings:")})
                if (isField(trimmed, field)) {
                    m_recipe.yield = ForeignText::oneLine(fieldValue(trimmed, field)).simplified();
                    return;
                }
        }
        if (trimmed.isEmpty()) {
            endParagraph();
            return;
        }
        if (!m_inDirections) {
            const QString title = groupTitle(trimmed);
            if (!title.isEmpty()) {
                m_rows.append(title + u':');
                return;
            }
            if (addIngredients(line))
                return;
            m_inDirections = true;
        }
        m_paragraph.append(trimmed.toString());
    }

    void end() {
        if (!m_open)
            return;
        m_open = false;
        endParagraph();
        m_recipe.ingredientsText = m_rows.join(u'\n');
        m_recipe.directions = m_paragraphs.join(QLatin1String("\n\n"));
        m_result.recipes.append(m_recipe);
    }

private:
    // One or two ingredient columns; false when the line is not laid out as ingredients.
    bool addIngredients(QStringView line) {
        const QStringView first = line.left(kColumnWidth);
        const std::optional<Row> left = parseColumn(first);
        if (!left)
            return false;
        std::optional<Row> right;
        if (line.size() > kColumnWidth) {
            right = parseColumn(line.mid(kColumnWidth));
            // Without a second column the text simply runs long.
            if (!right || !first.endsWith(u' '))
                right.reset();
        }
        const Row whole = right ? *left : *parseColumn(line);
        add(whole);
        if (right)
            add(*right);
        return true;
    }

    void add(const Row& row) {
        // "-softened" below an ingredient continues it.
        if (row.quantity.isEmpty() && row.unit.isEmpty() && row.text.startsWith(u'-') && !m_rows.isEmpty() &&
            !m_rows.last().endsWith(u':')) {
            m_rows.last() += u' ' + row.text.mid(1).trimmed();
            return;
        }
        const QString text = ingredientLine(row);
        if (!text.isEmpty())
            m_rows.append(text);
    }

    void endParagraph() {
        if (m_paragraph.isEmpty())
            return;
        m_paragraphs.append(m_paragraph.join(u' '));
        m_paragraph.clear();
    }

    ForeignReadResult& m_result;
    bool m_open = false;
    bool m_inDirections = false;
    ForeignRecipe m_recipe;
    QStringList m_rows;
    QStringList m_paragraphs;
    QStringList m_paragraph;
};

} // namespace

QString unitWord(const QString& unit) {
    static const QHash<QString, QString> words = {{QStringLiteral("bn"), QStringLiteral("bunch")},
                                                  {QStringLiteral("c"), QStringLiteral("cup")},
                                                  {QStringLiteral("cl"), QStringLiteral("clove")},
                                                  {QStringLiteral("cn"), QStringLiteral("can")},
                                                  {QStringLiteral("ct"), QStringLiteral("carton")},
                                                  {QStringLiteral("dr"), QStringLiteral("drop")},
                                                  {QStringLiteral("ds"), QStringLiteral("dash")},
                                                  {QStringLiteral("ea"), QStringLiteral("each")},
                                                  {QStringLiteral("fl"), QStringLiteral("fluid ounce")},
                                                  {QStringLiteral("g"), QStringLiteral("gram")},
                                                  {QStringLiteral("ga"), QStringLiteral("gallon")},
                                                  {QStringLiteral("kg"), QStringLiteral("kilogram")},
                                                  {QStringLiteral("l"), QStringLiteral("liter")},
                                                  {QStringLiteral("lb"), QStringLiteral("pound")},
                                                  {QStringLiteral("lg"), QStringLiteral("large")},
                                                  {QStringLiteral("md"), QStringLiteral("medium")},
                                                  {QStringLiteral("ml"), QStringLiteral("milliliter")},
                                                  {QStringLiteral("oz"), QStringLiteral("ounce")},
                                                  {QStringLiteral("pk"), QStringLiteral("package")},
                                                  {QStringLiteral("pn"), QStringLiteral("pinch")},
                                                  {QStringLiteral("pt"), QStringLiteral("pint")},
                                                  {QStringLiteral("qt"), QStringLiteral("quart")},
                                                  {QStringLiteral("sl"), QStringLiteral("slice")},
                                                  {QStringLiteral("sm"), QStringLiteral("small")},
                                                  {QStringLiteral("t"), QStringLiteral("teaspoon")},
                                                  {QStringLiteral("tb"), QStringLiteral("tablespoon")},
                                                  {QStringLiteral("T"), QStringLiteral("tablespoon")},
                                                  {QStringLiteral("ts"), QStringLiteral("teaspoon")},
                                                  {QStringLiteral("x"), QString()}};
    const auto it = words.constFind(unit);
    if (it != words.cend())
        return *it;
    const auto lower = words.constFind(unit.toLower());
    return lower != words.cend() ? *lower : unit;
}

bool looksLikeMealMaster(const QByteArray& head) {
    const QString text =
        ForeignText::fromWindows1252(QByteArrayView(head).first(qMin<qsizetype>(head.size(), 4096)));
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = text.size();
        const QStringView trimmed = QStringView(text).mid(start, end - start).trimmed();
        if (isHeaderLine(trimmed))
            return true;
        start = end + 1;
    }
    return false;
}

ForeignReadResult read(const QByteArray& bytes) {
    return readText(ForeignText::withoutControlCharacters(ForeignText::decodeBytes(bytes, false)));
}

ForeignReadResult readText(QStringView text) {
    ForeignReadResult result;
    RecipeBuilder builder(result);
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end < 0)
            end = n;
        QStringView line = text.mid(start, end - start);
        start = end + 1;
        if (line.endsWith(u'\r'))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (isField(trimmed, QLatin1String("Title:"))) {
            builder.begin(ForeignText::oneLine(fieldValue(trimmed, QLatin1String("Title:"))));
            continue;
        }
        if (isEndLine(trimmed) || isHeaderLine(trimmed)) {
            builder.end();
            continue;
        }
        if (builder.isOpen())
            builder.line(line);
    }
    builder.end();
    return result;
}

} // namespace MealMasterReader
