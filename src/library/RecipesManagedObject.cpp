#include "RecipesManagedObject.h"

#include "GroupsManagedObject.h"
#include "platform/ObjectContext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <QRandomGenerator>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

QString RecipesManagedObject::makeUniqueID(const QDateTime& now, quint32 random) {
    return QStringLiteral("%1-%2")
        .arg(now.toLocalTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss-zzz")))
        .arg(random % 9999999u);
}

void RecipesManagedObject::awakeFromInsert() {
    const QDateTime now = QDateTime::currentDateTime();
    setValueForKey(now, QStringLiteral("dateCreated"));
    setValueForKey(now, QStringLiteral("dateUpdated"));
    setValueForKey(makeUniqueID(now, QRandomGenerator::global()->generate()), QStringLiteral("uniqueID"));
}

const PredicatePtr& RecipesManagedObject::ownLibraryPredicate() {
    static const PredicatePtr filter =
        Predicate::parse(QStringLiteral("platefeedPredicateKey == nil")).predicate;
    return filter;
}

QStringList RecipesManagedObject::keywordsArray() const {
    const QVariant keywords = valueForKey(QStringLiteral("keywords"));
    if (keywords.isNull())
        return {};
    return keywords.toString().toLower().split(QLatin1Char(','));
}

namespace {

const QString kKeywords = QStringLiteral("keywords");

QStringList nonEmptyEntries(const QStringList& entries) {
    QStringList kept;
    for (const QString& entry : entries)
        if (!entry.isEmpty())
            kept.append(entry);
    return kept;
}

} // namespace

void RecipesManagedObject::addKeyword(const QString& keyword) {
    if (keyword.isNull() || keyword == GroupsManagedObject::myRecipesName())
        return;
    QStringList entries = stringValue(kKeywords).split(QLatin1Char(','));
    if (entries.contains(keyword))
        return;
    entries.append(keyword);
    setValueForKey(nonEmptyEntries(entries).join(QLatin1Char(',')), kKeywords);
}

void RecipesManagedObject::removeKeyword(const QString& keyword) {
    QStringList entries = stringValue(kKeywords).split(QLatin1Char(','));
    entries.removeAll(keyword);
    setValueForKey(nonEmptyEntries(entries).join(QLatin1Char(',')), kKeywords);
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

bool RecipesManagedObject::saveImage(const QByteArray& data, int atIndex, QString* error,
                                     ImageWrite mode) const {
    const QString path = imagePathAtIndex(atIndex);
    if (path.isEmpty() || atIndex < 1 || atIndex > 12) {
        if (error)
            *error = QCoreApplication::translate("RecipesManagedObject",
                                                 "This recipe cannot hold a picture at position %1.")
                         .arg(atIndex);
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (mode == ImageWrite::Durable) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            if (error)
                *error = QCoreApplication::translate("RecipesManagedObject",
                                                     "The picture could not be written to \"%1\": %2")
                             .arg(path, file.errorString());
            return false;
        }
        return true;
    }
    // Deferred: the same temporary-then-rename replacement, without the flush.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(true);
    bool written = file.open() && file.write(data) == data.size() && file.flush();
    if (written) {
        file.close();
        written = ::rename(QFile::encodeName(file.fileName()).constData(),
                           QFile::encodeName(path).constData()) == 0;
        if (written)
            file.setAutoRemove(false);
    }
    if (!written && error)
        *error = QCoreApplication::translate("RecipesManagedObject",
                                             "The picture could not be written to \"%1\": %2")
                     .arg(path, file.errorString());
    return written;
}

bool RecipesManagedObject::syncImages(const QString& libraryPath) {
    const QByteArray folder = QFile::encodeName(libraryPath + QStringLiteral("/Images"));
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = ::syncfs(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

void RecipesManagedObject::deleteImageAtIndex(int index) const {
    const QString path = imagePathAtIndex(index);
    if (!path.isEmpty())
        QFile::remove(path);
}

QStringList RecipesManagedObject::derivedKeyNames() {
    return {QStringLiteral("keywordsArray"), QStringLiteral("hasFirstImage")};
}

std::optional<QVariant> RecipesManagedObject::derivedValueForKey(const QString& key) const {
    if (key == QLatin1String("keywordsArray"))
        return QVariant(keywordsArray());
    if (key == QLatin1String("hasFirstImage"))
        return QVariant(hasFirstImage());
    return std::nullopt;
}
