#pragma once

#include "platform/ManagedObject.h"
#include "platform/Predicate.h"

#include <QSet>
#include <QStringList>

#include <functional>

// A recipe record: its identity and dates on insert, its keywords, and its image files
// ("Images/<uniqueID>-Image<N>.jpg" in the library folder).
class RecipesManagedObject : public ManagedObject {
public:
    using ManagedObject::ManagedObject;

    void awakeFromInsert() override;

    // The recipes of the user's own library, those of no subscribed platefeed:
    // platefeedPredicateKey == nil.
    static const PredicatePtr& ownLibraryPredicate();

    // keywords lower-cased as a whole and split at every ","; absent yields none.
    QStringList keywordsArray() const;

    // Adds k to keywords unless it is absent, the "My Recipes" name, or already an entry
    // (compared case-sensitively); empty entries are dropped on the way.
    void addKeyword(const QString& keyword);
    // Removes every entry equal to k (case-sensitively) and drops empty entries.
    void removeKeyword(const QString& keyword);

    // The file of image index; empty when the uniqueID cannot safely name a file (it may
    // come from another person's file or feed).
    QString imagePathAtIndex(int index) const;
    bool hasImageAtIndex(int index) const;
    bool hasFirstImage() const { return hasImageAtIndex(1); }
    // Replaces the file of image index atomically (a temporary file renamed into place), so
    // a crash leaves the old picture or the new one. The caller supplies JPEG data.
    // Durable writes flush each picture to disk before answering. Staged ones (a bulk
    // import's) go into the library's staging folder without a flush: one syncImages() call
    // makes them durable before the store is saved, and commitStagedImages() moves them into
    // "Images" once the save has committed, so an import that fails or is killed leaves no
    // picture belonging to no recipe.
    enum class ImageWrite { Durable, Staged };
    bool saveImage(const QByteArray& data, int atIndex, QString* error = nullptr,
                   ImageWrite mode = ImageWrite::Durable) const;
    // Flushes the file system that holds the library's pictures (staged or not).
    static bool syncImages(const QString& libraryPath);
    // Removes the file of image index (staged or not); a missing file is no error.
    void deleteImageAtIndex(int index) const;

    // The folder of staged pictures inside a library.
    static QString stagingFolder(const QString& libraryPath);
    // Moves the staged pictures into "Images" (replacing) and makes them durable; a picture
    // whose recipe identity keep refuses is removed instead. Without keep every one moves.
    // Answers how many moved.
    static int commitStagedImages(const QString& libraryPath,
                                  const std::function<bool(const QString& uniqueID)>& keep = {});

    // The library folder the recipe's files live in: the folder of its store.
    QString libraryPath() const;

    // A new identity: the instant in local time as year-month-day-hour-minute-second-
    // milliseconds, then a random suffix from 0 to 9999998.
    static QString makeUniqueID(const QDateTime& now, quint32 random);
    // makeUniqueID with a new random suffix (from random) until the identity is not taken.
    static QString makeUniqueID(const QDateTime& now, const QSet<QString>& taken,
                                const std::function<quint32()>& random);

    // Whether text can be used inside a file name: not empty, no folder separator, no
    // control character, and not "." or "..".
    static bool isSafeFileNamePart(const QString& text);

    // The keys a recipe derives from its values: keywordsArray and hasFirstImage.
    static QStringList derivedKeyNames();

protected:
    std::optional<QVariant> derivedValueForKey(const QString& key) const override;
};
