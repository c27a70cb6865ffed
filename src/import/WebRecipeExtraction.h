#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

class LibrarySession;
class RecipesManagedObject;

namespace webimport {

// What an extractor found on a page, before anything is put in the library.
struct ExtractedRecipe {
    QString extractor;       // the extractor's class name: "AllRecipesImporter", ... or "SchemaOrgImporter"
    QVariantMap fields;      // recipe record keys -> values (name, directions as HTML, yield, keywords,
                             // importedFromURL, ...)
    QString ingredientsText; // plain text lines for the ingredient list parser
    QList<QUrl> pictureUrls; // picture 1 first; the numbered step photos follow where an extractor has them
};

// The extractor class name the address's host picks, or an empty text for other hosts.
QString extractorNameForUrl(const QUrl& url);

// Runs the host's extractor over a downloaded page (raw bytes; each extractor decodes them as it
// reads pages), then the schema.org reader (JSON-LD and microdata, any host); nullopt when no
// recipe is on it.
std::optional<ExtractedRecipe> extractRecipe(const QByteArray& page, const QUrl& url);

// Makes a new, unsaved recipe record in the session's context from what was found, its
// ingredients parsed by the ingredient list parser and its directions through the rich-text
// conversion.
RecipesManagedObject* makeRecipe(const ExtractedRecipe& found, LibrarySession& session);

} // namespace webimport

class ObjectContext;

namespace webimport {

// The values makeRecipe gives the record: the fields with the directions converted and the
// ingredients as the parser's rows, also stored as structured text in ingredientsArray.
struct RecordValues {
    QVariantMap fields;
    QVariantList ingredients;
};
RecordValues recordValues(const ExtractedRecipe& found, ObjectContext* context, const QString& libraryPath);

} // namespace webimport
