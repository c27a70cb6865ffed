#include "MacGourmetReader.h"

#include "platform/PropertyList.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// Totals beyond this many minutes (about 19 years) are held at it, so no sum overflows.
constexpr qint64 kMostMinutes = qint64(10) * 1000 * 1000;

bool isInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
        return true;
    default:
        return false;
    }
}

QString text(const QVariantMap& dict, const QString& key) {
    const QVariant value = dict.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

// A text of one line: its line breaks become spaces, and it is trimmed.
QString oneLine(const QString& value) {
    QString line = value;
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(u'\r', u' ');
    line.replace(u'\n', u' ');
    line.replace(QChar::LineSeparator, u' ');
    line.replace(QChar::ParagraphSeparator, u' ');
    return line.trimmed();
}

QVariantList list(const QVariantMap& dict, const QString& key) {
    const QVariant value = dict.value(key);
    return value.typeId() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

// Every line of the text as a paragraph.
QString paragraphs(const QString& plain) {
    QString normalised = plain;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(u'\r', u'\n');
    QStringList kept;
    for (const QString& line : normalised.split(u'\n'))
        if (!line.trimmed().isEmpty())
            kept.append(line.trimmed());
    return kept.join(QLatin1String("\n\n"));
}

// Later versions: the steps of DIRECTIONS_LIST, each with its label before it.
QString directionsFromList(const QVariantList& steps) {
    QStringList texts;
    for (const QVariant& step : steps) {
        const QVariantMap dict = step.toMap();
        const QString body = paragraphs(text(dict, QStringLiteral("DIRECTION_TEXT")));
        const QString label = oneLine(text(dict, QStringLiteral("LABEL_TEXT")));
        if (body.isEmpty() && label.isEmpty())
            continue;
        texts.append(label.isEmpty() ? body : body.isEmpty() ? label : label + QLatin1String(": ") + body);
    }
    return texts.join(QLatin1String("\n\n"));
}

QString notesFromList(const QVariantList& notes) {
    QStringList texts;
    for (const QVariant& note : notes) {
        const QString body = text(note.toMap(), QStringLiteral("NOTE_TEXT")).trimmed();
        if (!body.isEmpty())
            texts.append(body);
    }
    return texts.join(QLatin1String("\n\n"));
}

QByteArray picture(const QVariantMap& dict) {
    const QVariant image = dict.value(QStringLiteral("IMAGE"));
    const QString exportType = text(dict, QStringLiteral("EXPORT_TYPE"));
    if (exportType == QLatin1String("BINARY") && image.typeId() == QMetaType::QByteArray)
        return image.toByteArray();
    // Text exports write the picture's bytes as hexadecimal digits.
    if (exportType == QLatin1String("TEXT") && image.typeId() == QMetaType::QString) {
        const QString digits = image.toString().simplified().remove(u' ');
        const bool hex = std::all_of(digits.cbegin(), digits.cend(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        });
        if (hex && digits.size() % 2 == 0)
            return QByteArray::fromHex(digits.toLatin1());
    }
    return {};
}

} // namespace

int MacGourmetReader::difficulty(qint64 value) {
    if (value == 1 || value == 2)
        return 1;
    if (value == 3 || value == 4)
        return 2;
    return value == 5 ? 3 : 0;
}

QString MacGourmetReader::timeText(qint64 minutes) {
    if (minutes <= 0)
        return {};
    if (minutes <= 60)
        return QCoreApplication::translate("MacGourmetReader", "%1 minutes").arg(minutes);
    // Hours are counted while more than 60 minutes remain, so the rest is 1 to 60.
    const qint64 hours = (minutes - 1) / 60;
    return QCoreApplication::translate("MacGourmetReader", "%1 hour %2 minutes")
        .arg(hours)
        .arg(minutes - hours * 60);
}

QString MacGourmetReader::ingredientLine(const QVariantMap& row) {
    const QString measurement = oneLine(text(row, QStringLiteral("MEASUREMENT")));
    const QString description = oneLine(text(row, QStringLiteral("DESCRIPTION")));
    const QString direction = oneLine(text(row, QStringLiteral("DIRECTION")));
    const QVariant divider = row.value(QStringLiteral("IS_DIVIDER"));
    const bool heading = (divider.typeId() == QMetaType::Bool || isInteger(divider)) && divider.toBool();
    QStringList parts;
    if (heading) {
        QString title = description;
        title.remove(u'*');
        title = title.trimmed();
        if (title.isEmpty() && measurement.isEmpty() && direction.isEmpty())
            return {};
        parts = {title + u':', measurement, direction};
    } else {
        parts = {oneLine(text(row, QStringLiteral("QUANTITY"))), measurement, description, direction};
    }
    parts.removeAll(QString());
    return parts.join(u' ');
}

ForeignRecipe MacGourmetReader::readRecipe(const QVariantMap& dict) {
    ForeignRecipe recipe;
    recipe.name = oneLine(text(dict, QStringLiteral("NAME")));
    const QVariant level = dict.value(QStringLiteral("DIFFICULTY"));
    if (isInteger(level))
        recipe.difficulty = difficulty(level.toLongLong());
    recipe.directions = dict.contains(QStringLiteral("DIRECTIONS"))
                            ? paragraphs(text(dict, QStringLiteral("DIRECTIONS")))
                            : directionsFromList(list(dict, QStringLiteral("DIRECTIONS_LIST")));
    recipe.recipeDescription = text(dict, QStringLiteral("SUMMARY")).trimmed();
    recipe.attribution = oneLine(text(dict, QStringLiteral("SOURCE")));
    recipe.notes = dict.contains(QStringLiteral("NOTE"))
                       ? text(dict, QStringLiteral("NOTE")).trimmed()
                       : notesFromList(list(dict, QStringLiteral("NOTES_LIST")));
    recipe.yield = oneLine(text(dict, QStringLiteral("YIELD")));
    recipe.picture = picture(dict);

    const QString rowsKey = dict.contains(QStringLiteral("INGREDIENTS")) ? QStringLiteral("INGREDIENTS")
                                                                         : QStringLiteral("INGREDIENTS_TREE");
    QStringList lines;
    for (const QVariant& row : list(dict, rowsKey)) {
        const QString line = ingredientLine(row.toMap());
        if (!line.isEmpty())
            lines.append(line);
    }
    recipe.ingredientsText = lines.join(u'\n');

    for (const QString& word :
         oneLine(text(dict, QStringLiteral("KEYWORDS"))).split(u' ', Qt::SkipEmptyParts))
        if (!recipe.keywords.contains(word))
            recipe.keywords.append(word);

    qint64 totals[3] = {0, 0, 0};
    const qint64 kinds[3] = {kPreparationTime, kCookingTime, kInactiveTime};
    for (const QVariant& entry : list(dict, QStringLiteral("PREP_TIMES"))) {
        const QVariantMap time = entry.toMap();
        const QVariant kind = time.value(QStringLiteral("TIME_TYPE_ID"));
        const qsizetype slot = isInteger(kind) ? std::find(kinds, kinds + 3, kind.toLongLong()) - kinds : 3;
        if (slot >= 3)
            continue;
        for (const auto& [amountKey, unitKey] :
             {std::pair{QStringLiteral("AMOUNT"), QStringLiteral("TIME_UNIT_ID")},
              std::pair{QStringLiteral("AMOUNT_2"), QStringLiteral("TIME_UNIT_2_ID")}}) {
            const QVariant amount = time.value(amountKey);
            const QVariant unit = time.value(unitKey);
            if (!isInteger(amount) || !isInteger(unit))
                continue;
            const qint64 perUnit = unit.toLongLong() == kHours ? 60 : unit.toLongLong() == kMinutes ? 1 : 0;
            const qint64 value = std::clamp<qint64>(amount.toLongLong(), -kMostMinutes, kMostMinutes);
            totals[slot] = std::clamp<qint64>(totals[slot] + value * perUnit, -kMostMinutes, kMostMinutes);
        }
    }
    recipe.prepTime = timeText(totals[0]);
    recipe.cookingTime = timeText(totals[1]);
    recipe.inactivePrepTime = timeText(totals[2]);
    return recipe;
}

ForeignReadResult MacGourmetReader::readRoot(const QVariant& root) {
    ForeignReadResult result;
    if (root.typeId() != QMetaType::QVariantList)
        return result;
    const QVariantList entries = root.toList();
    for (const QVariant& entry : entries) {
        if (entry.typeId() == QMetaType::QVariantMap)
            result.recipes.append(readRecipe(entry.toMap()));
        else
            result.skipped.append({result.entries, QCoreApplication::translate(
                                                       "MacGourmetReader", "The entry is not a recipe.")});
        ++result.entries;
    }
    return result;
}

ForeignReadResult MacGourmetReader::read(const QByteArray& bytes) {
    const PropertyListResult parsed = readPropertyList(bytes);
    ForeignReadResult result;
    if (!parsed.ok()) {
        result.error =
            QCoreApplication::translate("MacGourmetReader", "The file is not a MacGourmet export: %1")
                .arg(parsed.error);
        return result;
    }
    if (parsed.value.typeId() != QMetaType::QVariantList) {
        result.error = QCoreApplication::translate(
            "MacGourmetReader", "The file is not a MacGourmet export: it holds no list of recipes.");
        return result;
    }
    return readRoot(parsed.value);
}
