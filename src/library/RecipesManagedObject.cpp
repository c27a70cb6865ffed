#include "RecipesManagedObject.h"

#include "platform/ObjectContext.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>

QString RecipesManagedObject::makeUniqueID(const QDateTime& now, quint32 random) {
    return QStringLiteral("%1-%2").arg(now.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss-zzz"))).arg(random % 9999999u);
}

void RecipesManagedObject::awakeFromInsert() {
    const QDateTime now = QDateTime::currentDateTime();
    setValueForKey(now, QStringLiteral("dateCreated"));
    setValueForKey(now, QStringLiteral("dateUpdated"));
    setValueForKey(makeUniqueID(now, QRandomGenerator::global()->generate()), QStringLiteral("uniqueID"));
}

QStringList RecipesManagedObject::keywordsArray() const {
    const QVariant keywords = valueForKey(QStringLiteral("keywords"));
    if (keywords.isNull())
        return {};
    return keywords.toString().toLower().split(QLatin1Char(','));
}

QString RecipesManagedObject::libraryPath() const {
    return QFileInfo(managedObjectContext()->storePath()).absolutePath();
}

bool RecipesManagedObject::isSafeFileNamePart(const QString& text) {
    if (text.isEmpty() || text == QLatin1String(".") || text == QLatin1String(".."))
        return false;
    for (QChar c : text)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    return true;
}

QString RecipesManagedObject::imagePathAtIndex(int index) const {
    const QString uniqueID = stringValue(QStringLiteral("uniqueID"));
    if (!isSafeFileNamePart(uniqueID))
        return {};
    return QStringLiteral("%1/Images/%2-Image%3.jpg").arg(libraryPath(), uniqueID).arg(index);
}

bool RecipesManagedObject::hasImageAtIndex(int index) const {
    const QString path = imagePathAtIndex(index);
    return !path.isEmpty() && QFileInfo::exists(path);
}

std::optional<QVariant> RecipesManagedObject::derivedValueForKey(const QString& key) const {
    if (key == QLatin1String("keywordsArray"))
        return QVariant(keywordsArray());
    if (key == QLatin1String("hasFirstImage"))
        return QVariant(hasFirstImage());
    return std::nullopt;
}
