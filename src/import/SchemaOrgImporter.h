#pragma once

#include "import/WebRecipeExtraction.h"

#include <QCoreApplication>
#include <QString>

// Reads a recipe that a page describes in schema.org terms, on any site: a "Recipe" in a
// JSON-LD script (also inside "@graph", lists and "@type" lists), or else in microdata
// (itemtype ".../Recipe").
class SchemaOrgImporter {
    Q_DECLARE_TR_FUNCTIONS(SchemaOrgImporter)
public:
    static std::optional<webimport::ExtractedRecipe> recipeFromPage(const QString& pageText, const QUrl& url);

    // An ISO 8601 duration ("PT1H15M") as the time texts of recipes ("1 hour 15 min"); other
    // texts unchanged; an empty text for a zero duration.
    static QString durationText(const QString& duration);
};
