#include "import/WebRecipeExtraction.h"

namespace webimport {

QString extractorNameForUrl(const QUrl&) {
    return {};
}

std::optional<ExtractedRecipe> extractRecipe(const QByteArray&, const QUrl&) {
    return std::nullopt;
}

RecipesManagedObject* makeRecipe(const ExtractedRecipe&, LibrarySession&) {
    return nullptr;
}

} // namespace webimport
