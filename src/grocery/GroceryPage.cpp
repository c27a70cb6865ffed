#include "grocery/GroceryPage.h"

#include "grocery/GroceryCategories.h"
#include "measure/MeasurementsConverter.h"
#include "platform/StructuredText.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace GroceryPage {

namespace {

const QString kQuantity = QStringLiteral("quantity");
const QString kMeasurement = QStringLiteral("measurement");
const QString kName = QStringLiteral("name");
const QString kMethod = QStringLiteral("method");
const QString kCategory = QStringLiteral("category");
const QString kIsMyItem = QStringLiteral("isMyItem");

QString uncategorizedTitle() {
    return QCoreApplication::translate("Grocery", "Uncategorized");
}

// The aisle position an item is printed under; 0 (the last section) when it has none or
// names no aisle of the list, so no item is ever left off the page.
int sectionOf(const QVariantMap& item, int categoryCount) {
    const auto found = item.constFind(kCategory);
    if (found == item.cend())
        return 0;
    bool ok = false;
    const int position = found->toString().toInt(&ok);
    return ok && position >= 1 && position <= categoryCount ? position : 0;
}

// The items by section: index 0 is uncategorized, i is the aisle at position i.
QList<QList<const QVariantMap*>> sections(const QList<QVariantMap>& items, int categoryCount) {
    QList<QList<const QVariantMap*>> result(categoryCount + 1);
    for (const QVariantMap& item : items)
        result[sectionOf(item, categoryCount)].append(&item);
    return result;
}

QString itemLine(const QVariantMap& item) {
    QString line = QStringLiteral("\u2610&nbsp;&nbsp;");
    if (structuredBoolValue(item.value(kIsMyItem)))
        line += u'*';
    for (const QString& key : {kQuantity, kMeasurement}) {
        const QString text = item.value(key).toString();
        if (!text.isEmpty())
            line += text.toHtmlEscaped() + QStringLiteral("&nbsp;");
    }
    line += item.value(kName).toString().toHtmlEscaped();
    const QString method = item.value(kMethod).toString();
    if (!method.isEmpty())
        line += QStringLiteral(",&nbsp;") + method.toHtmlEscaped();
    return line + QStringLiteral("<br>");
}

QString section(const QString& header, const QList<const QVariantMap*>& items) {
    QString text = QStringLiteral("<div id=\"main\"><div id=\"aisle\" class=\"content_box\"><div "
                                  "class=\"section_header\">") +
                   header.toHtmlEscaped() + QStringLiteral("</div><div class=\"items\">");
    for (const QVariantMap* item : items)
        text += itemLine(*item);
    // The boxes are closed, so the next aisle follows this one instead of sitting in it; the
    // lines have a box of their own so every text engine starts them below the header.
    return text + QStringLiteral("</div></div></div><hr>");
}

} // namespace

QString pageTemplate(const QString& resourcesRoot) {
    const QString path = resourcesRoot + QStringLiteral("/Themes/!StaticPages/Grocery List.html");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("error could not read %s", qPrintable(path));
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

QList<QVariantMap> printedItems(const QList<QVariantMap>& neededRows, const QList<QVariantMap>& myItems) {
    QList<QVariantMap> items = neededRows;
    for (QVariantMap item : myItems) {
        item.insert(kIsMyItem, true);
        items.append(item);
    }
    std::stable_sort(items.begin(), items.end(), [](const QVariantMap& x, const QVariantMap& y) {
        return x.value(kName).toString().compare(y.value(kName).toString(), Qt::CaseInsensitive) < 0;
    });
    return items;
}

QString html(const QString& templateText, const QString& title, const QList<QVariantMap>& items,
             const GroceryCategories& categories, bool singleCharacterFractions) {
    const int categoryCount = int(categories.categories().size());
    const QList<QList<const QVariantMap*>> bySection = sections(items, categoryCount);
    QString list;
    for (int position = 1; position <= categoryCount; ++position)
        if (!bySection.at(position).isEmpty())
            list += section(categories.categories().at(position - 1).name, bySection.at(position));
    if (!bySection.at(0).isEmpty())
        list += section(uncategorizedTitle(), bySection.at(0));

    QString page = templateText;
    page.replace(QLatin1String("<!--groceryListTitle-->"), title.toHtmlEscaped());
    page.replace(QLatin1String("<!--groceryList-->"), list);
    if (singleCharacterFractions) {
        for (const MeasurementsConverter::GraphicalFraction& fraction :
             MeasurementsConverter::graphicalFractionTable())
            page.replace(fraction.typed, QString(fraction.character));
    }
    return page;
}

QString itemText(const QVariantMap& item) {
    QStringList parts;
    for (const QString& key : {kQuantity, kMeasurement, kName}) {
        const QString text = item.value(key).toString().trimmed();
        if (!text.isEmpty())
            parts.append(text);
    }
    QString text = parts.join(u' ');
    const QString method = item.value(kMethod).toString().trimmed();
    if (!method.isEmpty())
        text += QStringLiteral(", ") + method;
    if (structuredBoolValue(item.value(kIsMyItem)))
        text.prepend(u'*');
    return text;
}

QString plainText(const QString& title, const QList<QVariantMap>& items,
                  const GroceryCategories& categories) {
    const int categoryCount = int(categories.categories().size());
    const QList<QList<const QVariantMap*>> bySection = sections(items, categoryCount);
    QString text = title + u'\n';
    auto append = [&text](const QString& header, const QList<const QVariantMap*>& sectionItems) {
        text += u'\n' + header + u'\n';
        for (const QVariantMap* item : sectionItems)
            text += QStringLiteral("- ") + itemText(*item) + u'\n';
    };
    for (int position = 1; position <= categoryCount; ++position)
        if (!bySection.at(position).isEmpty())
            append(categories.categories().at(position - 1).name, bySection.at(position));
    if (!bySection.at(0).isEmpty())
        append(uncategorizedTitle(), bySection.at(0));
    return text;
}

} // namespace GroceryPage
