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

QString RecipesManagedObject::makeUniqueID(const QDateTime& now, const QSet<QString>& taken,
                                           const std::function<quint32()>& random) {
    QString id = makeUniqueID(now, random());
    while (taken.contains(id))
        id = makeUniqueID(now, random());
    return id;
}

namespace {

// The recipe identities of one context: those of its store, read once, and every one given
// out since. Pictures are named by identity, so two recipes must never share one; a large
// import makes many in the same millisecond. A child of the context: it lives as long.
class RecipeIdentities : public QObject {
public:
    static RecipeIdentities& of(ObjectContext* context) {
        for (QObject* child : context->children())
            if (auto* identities = dynamic_cast<RecipeIdentities*>(child))
                return *identities;
        return *new RecipeIdentities(context);
    }

    QString issue(const QDateTime& now) {
        const QString id = RecipesManagedObject::makeUniqueID(
            now, m_taken, [] { return QRandomGenerator::global()->generate(); });
        m_taken.insert(id);
        return id;
    }

private:
    explicit RecipeIdentities(ObjectContext* context) : QObject(context) {
        // A store that cannot be read refuses every save, so no identity reaches it.
        const QStringList stored = context->storedTexts(QStringLiteral("Recipes"), QStringLiteral("uniqueID"))
                                       .value_or(QStringList());
        m_taken = QSet<QString>(stored.cbegin(), stored.cend());
    }

    QSet<QString> m_taken;
};

} // namespace

void RecipesManagedObject::awakeFromInsert() {
    const QDateTime now = QDateTime::currentDateTime();
    setValueForKey(now, QStringLiteral("dateCreated"));
    setValueForKey(now, QStringLiteral("dateUpdated"));
    ObjectContext* context = managedObjectContext();
    setValueForKey(context ? RecipeIdentities::of(context).issue(now)
                           : makeUniqueID(now, QRandomGenerator::global()->generate()),
                   QStringLiteral("uniqueID"));
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
    if (mode == ImageWrite::Durable) {
        QDir().mkpath(QFileInfo(path).absolutePath());
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
    // Staged: the same temporary-then-rename replacement in the staging folder, without the
    // flush.
    const QString staged = stagingFolder(libraryPath()) + QLatin1Char('/') + QFileInfo(path).fileName();
    QDir().mkpath(stagingFolder(libraryPath()));
    QTemporaryFile file(staged + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(true);
    bool written = file.open() && file.write(data) == data.size() && file.flush();
    if (written) {
        file.close();
        written = ::rename(QFile::encodeName(file.fileName()).constData(),
                           QFile::encodeName(staged).constData()) == 0;
        if (written)
            file.setAutoRemove(false);
    }
    if (!written && error)
        *error = QCoreApplication::translate("RecipesManagedObject",
                                             "The picture could not be written to \"%1\": %2")
                     .arg(staged, file.errorString());
    return written;
}

bool RecipesManagedObject::syncImages(const QString& libraryPath) {
    // The library folder's file system holds "Images" and the staging folder alike.
    const QByteArray folder = QFile::encodeName(libraryPath);
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    const bool synced = ::syncfs(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

void RecipesManagedObject::deleteImageAtIndex(int index) const {
    const QString path = imagePathAtIndex(index);
    if (path.isEmpty())
        return;
    QFile::remove(path);
    QFile::remove(stagingFolder(libraryPath()) + QLatin1Char('/') + QFileInfo(path).fileName());
}

QString RecipesManagedObject::stagingFolder(const QString& libraryPath) {
    return libraryPath + QStringLiteral("/Images Staging");
}

int RecipesManagedObject::commitStagedImages(const QString& libraryPath,
                                             const std::function<bool(const QString& uniqueID)>& keep) {
    QDir staging(stagingFolder(libraryPath));
    if (!staging.exists())
        return 0;
    const QString images = libraryPath + QStringLiteral("/Images");
    QDir().mkpath(images);
    int moved = 0;
    const QStringList names = staging.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const qsizetype marker = name.lastIndexOf(QLatin1String("-Image"));
        // Temporary files of a write that never finished, and anything not named for a
        // recipe, belong to no recipe.
        const bool picture = marker > 0 && name.endsWith(QLatin1String(".jpg"));
        if (!picture || (keep && !keep(name.left(marker)))) {
            staging.remove(name);
            continue;
        }
        const QByteArray from = QFile::encodeName(staging.filePath(name));
        const QByteArray to = QFile::encodeName(images + QLatin1Char('/') + name);
        if (::rename(from.constData(), to.constData()) == 0)
            ++moved;
        else
            qWarning("a staged picture could not be moved into Images: %s", from.constData());
    }
    if (moved > 0)
        syncImages(libraryPath);
    staging.rmdir(staging.absolutePath());
    return moved;
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
