// The starter recipes a new library is filled with.
#include "platform/DataModel.h"
#include "platform/PropertyList.h"
#include "platform/StructuredText.h"

#include <gtest/gtest.h>

#include <QImage>

TEST(SampleRecipesResource, RecipesAreCurrentGenerationWithIngredientsAndPictures) {
    const PropertyListResult file =
        readPropertyListFile(resourcesPath() + QStringLiteral("/New Library Recipes.lsr"));
    ASSERT_TRUE(file.ok()) << file.error.toStdString();
    const QVariantList recipes = file.value.toList();
    EXPECT_GE(recipes.size(), 12);

    int withPicture = 0;
    for (const QVariant& entry : recipes) {
        ASSERT_EQ(entry.typeId(), QMetaType::QVariantMap);
        const QVariantMap recipe = entry.toMap();
        const std::string name = recipe.value(QStringLiteral("name")).toString().toStdString();
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(recipe.value(QStringLiteral("modelVersion")).toString(), QStringLiteral("2.3")) << name;

        const QVariant ingredients =
            valueFromStructuredText(recipe.value(QStringLiteral("ingredientsArray")).toString());
        ASSERT_EQ(ingredients.typeId(), QMetaType::QVariantList) << name;
        const QVariantList rows = ingredients.toList();
        EXPECT_FALSE(rows.isEmpty()) << name;
        for (const QVariant& row : rows) {
            ASSERT_EQ(row.typeId(), QMetaType::QVariantMap) << name;
            EXPECT_FALSE(row.toMap().value(QStringLiteral("name")).toString().isEmpty()) << name;
        }

        const QVariant image = recipe.value(QStringLiteral("image1"));
        if (image.typeId() == QMetaType::QByteArray) {
            EXPECT_FALSE(QImage::fromData(image.toByteArray(), "JPEG").isNull()) << name;
            ++withPicture;
        }
    }
    EXPECT_GE(withPicture, 9);
}
