#include "CardTemplate.h"

#include "RecipeDisplayController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// The sections a card knows, in the order used when a template names none.
const QStringList& knownSections() {
    static const QStringList keys = {QStringLiteral("ingredients"), QStringLiteral("metrics"),
                                     QStringLiteral("description"), QStringLiteral("directions"),
                                     QStringLiteral("notes"),       QStringLiteral("private_notes"),
                                     QStringLiteral("keywords")};
    return keys;
}

bool isFolderName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

} // namespace

std::optional<QString> CardTemplate::markerValue(const QString& text, const QString& marker) {
    const qsizetype at = text.indexOf(marker);
    if (marker.isEmpty() || at < 0)
        return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype star = text.indexOf(u'*', start);
    return star < 0 ? text.mid(start) : text.mid(start, star - start);
}

int CardTemplate::integerMarker(const QString& text, const QString& marker, int fallback) {
    const std::optional<QString> value = markerValue(text, marker);
    if (!value)
        return fallback;
    // A leading decimal integer: spaces, an optional sign, then digits; the rest is ignored.
    const QStringView view = QStringView(*value).trimmed();
    qsizetype i = 0;
    const bool negative = i < view.size() && view[i] == u'-';
    if (i < view.size() && (view[i] == u'-' || view[i] == u'+'))
        ++i;
    const qsizetype firstDigit = i;
    long long number = 0;
    while (i < view.size() && view[i].isDigit() && view[i].unicode() < 128) {
        number = number * 10 + (view[i].unicode() - u'0');
        if (number > 1000000000LL)
            return fallback; // no card is that large; an absurd value is no value
        ++i;
    }
    if (i == firstDigit)
        return fallback;
    return static_cast<int>(negative ? -number : number);
}

CardTemplate CardTemplate::fromText(const QString& path, const QString& text, bool metricUnits,
                                    bool printDescription) {
    CardTemplate result;
    result.path = path;
    result.text = text;

    // The theme folder: the path less its file, format folder and "Print Templates".
    QString folder = QDir::cleanPath(path);
    for (int i = 0; i < 3; ++i)
        folder = folder.left(qMax<qsizetype>(0, folder.lastIndexOf(u'/')));
    result.basePath = folder + u'/';
    result.basePath.replace(u' ', QLatin1String("%20"));

    result.maxHeight = integerMarker(text, QStringLiteral("maxHeightBeforeCreatingNewPage:"), 0);
    result.pageHeight = integerMarker(text, QStringLiteral("pageHeight:"), 0);
    result.pageWidth = integerMarker(text, QStringLiteral("pageWidth:"), 0);
    result.minHeightOffsetValue = integerMarker(text, QStringLiteral("minHeightOffsetValue:"), 0);
    result.fontSize = integerMarker(text, QStringLiteral("fontSize:"), 10);

    // The 4 by 6 inch formats (432 points wide) keep their size; any other card becomes an A4
    // page where paper is metric. A template without its size stays without one, so it is
    // still refused.
    if (metricUnits && result.pageWidth > 0 && result.pageHeight > 0 && result.pageWidth != 432) {
        result.pageWidth = 595;
        result.pageHeight = 841;
    }

    const std::optional<QString> order = markerValue(text, QStringLiteral("printOrder:"));
    const QStringList keys = order ? order->split(u',') : knownSections();
    for (const QString& key : keys) {
        if (!knownSections().contains(key) || result.printOrder.contains(key))
            continue;
        if (key == QLatin1String("description") && !printDescription)
            continue;
        result.printOrder.append(key);
    }

    if (const std::optional<QString> rules = markerValue(text, QStringLiteral("placementRules:"))) {
        for (const QString& rule : rules->split(QStringLiteral(" and "), Qt::SkipEmptyParts)) {
            const QStringList parts = rule.split(QStringLiteral(" after "));
            if (parts.size() == 2 && !parts.at(0).isEmpty() && !parts.at(1).isEmpty())
                result.printRulesArray.append({parts.at(0), parts.at(1)});
        }
    }

    result.statusBarNote = markerValue(text, QStringLiteral("statusBarNote:")).value_or(QString());
    return result;
}

std::optional<CardTemplate> CardTemplate::read(const QString& path, bool metricUnits, bool printDescription) {
    const std::optional<QString> text = RecipeDisplayController::readTextFile(path);
    if (!text)
        return std::nullopt;
    return fromText(path, *text, metricUnits, printDescription);
}

QString CardTemplate::formatNote(const QString& statusBarNote, bool metricUnits) {
    if (statusBarNote == QLatin1String("For use with unruled 4\" x 6\" index cards"))
        return QCoreApplication::translate("CardTemplate", "For use with unruled 4\" x 6\" index cards");
    if (statusBarNote == QLatin1String("For use with 4\" x 6\" borderless photo paper"))
        return QCoreApplication::translate("CardTemplate", "For use with 4\" x 6\" borderless photo paper");
    if (statusBarNote == QLatin1String("For use with US Letter paper"))
        return metricUnits ? QCoreApplication::translate("CardTemplate", "For use with A4 paper")
                           : QCoreApplication::translate("CardTemplate", "For use with US Letter paper");
    return statusBarNote;
}

QString CardTemplate::templatePath(const QString& resourcesThemes, const QString& developmentThemes,
                                   const QString& theme, const QString& format, bool alternate) {
    if (!isFolderName(theme) || !isFolderName(format))
        return QString();
    for (const QString& root : {resourcesThemes, developmentThemes}) {
        const QString folder = root + u'/' + theme + QLatin1String("/Print Templates/") + format;
        if (!root.isEmpty() && QFileInfo(folder).isDir())
            return folder +
                   (alternate ? QLatin1String("/AlternateTemplate.html") : QLatin1String("/Template.html"));
    }
    return QString();
}

QString CardTemplate::formatsFolder(const QString& resourcesThemes, const QString& developmentThemes,
                                    const QString& theme) {
    if (!isFolderName(theme))
        return QString();
    for (const QString& root : {resourcesThemes, developmentThemes}) {
        const QString folder = root + u'/' + theme + QLatin1String("/Print Templates");
        if (!root.isEmpty() && QFileInfo(folder).isDir())
            return folder;
    }
    return QString();
}
