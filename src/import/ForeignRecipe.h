#pragma once

#include "share/RecipeImportOperation.h"

#include <QList>
#include <QString>
#include <QStringList>

// One recipe as read from another program's file, before it becomes a record. Texts are
// decoded and trimmed; empty text means the file had nothing for the field.
struct ForeignRecipe {
    QString name;
    QString attribution;
    QString recipeDescription;
    QString yield;
    QString notes;
    QStringList keywords;
    // One ingredient per line, as the ingredient list parser reads them; a group title is a
    // line ending in ":".
    QString ingredientsText;
    // Paragraphs separated by a blank line.
    QString directions;
    // 1 to 3; 0 when the file gave none.
    int difficulty = 0;
    // Times as the recipe shows them ("1 hour 30 minutes"); empty when the file gave none.
    QString prepTime;
    QString cookingTime;
    QString inactivePrepTime;
    // The recipe's picture as the file holds it (any format Qt or the JPEG 2000 decoder
    // reads); it becomes image 1, scaled to cover 450 x 338 and cropped to that, as JPEG.
    QByteArray picture;
};

struct ForeignReadResult {
    QList<ForeignRecipe> recipes;
    QList<SkippedEntry> skipped;
    // Entries of the file seen (recipes made plus entries skipped).
    int entries = 0;
    // Why the file could not be read at all (it is not in the format); empty when it was.
    QString error;
};
