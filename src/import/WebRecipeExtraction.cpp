#include "import/WebRecipeExtraction.h"

#include "import/AutoImporterSuperClass.h"
#include "import/SchemaOrgImporter.h"
#include "library/LibrarySession.h"
#include "library/RecipesManagedObject.h"
#include "measure/IngredientsSorter.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"
#include "present/HTMLTextWrapper.h"

namespace webimport {

QString extractorNameForUrl(const QUrl& url) {
    const AutoImporterSuperClass* extractor = siteExtractorForUrl(url);
    return extractor ? extractor->className() : QString();
}

std::optional<ExtractedRecipe> extractRecipe(const QByteArray& page, const QUrl& url) {
    if (const AutoImporterSuperClass* extractor = siteExtractorForUrl(url)) {
        const std::optional<QString> text = extractor->readPage(page);
        if (text && extractor->checkIfRecipeIsOnPage(*text))
            return extractor->recipeFromPage(*text, url);
    }
    const std::optional<QString> text = decodePage(page, PageEncoding::Detected);
    if (!text)
        return std::nullopt;
    return SchemaOrgImporter::recipeFromPage(*text, url);
}

RecordValues recordValues(const ExtractedRecipe& found, ObjectContext* context, const QString& libraryPath) {
    RecordValues values;
    values.fields = found.fields;
    const auto directions = found.fields.constFind(QStringLiteral("directions"));
    if (directions != found.fields.constEnd())
        values.fields.insert(QStringLiteral("directions"),
                             HTMLTextWrapper::normalizedHTMLString(directions->toString()));
    values.ingredients =
        IngredientsSorter(context, libraryPath).sortedIngredientsFromString(found.ingredientsText);
    values.fields.insert(QStringLiteral("ingredientsArray"), structuredTextFromValue(values.ingredients));
    return values;
}

RecipesManagedObject* makeRecipe(const ExtractedRecipe& found, LibrarySession& session) {
    const RecordValues values = recordValues(found, session.context(), session.libraryPath());
    auto* recipe =
        static_cast<RecipesManagedObject*>(session.context()->insertNewObject(QStringLiteral("Recipes")));
    recipe->setValueForKey(true, QStringLiteral("isNewRecipe"));
    for (auto it = values.fields.constBegin(); it != values.fields.constEnd(); ++it)
        recipe->setValueForKey(it.value(), it.key());
    return recipe;
}

} // namespace webimport
