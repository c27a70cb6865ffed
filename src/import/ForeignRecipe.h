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
};

struct ForeignReadResult {
    QList<ForeignRecipe> recipes;
    QList<SkippedEntry> skipped;
    // Entries of the file seen (recipes made plus entries skipped).
    int entries = 0;
};
