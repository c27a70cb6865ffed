// The aisle list and starter ingredient matches shipped with the application.
#include "platform/DataModel.h"
#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QSet>

TEST(GroceryResources, CategoriesAndMatchesAreConsistent) {
    const PropertyListResult categories =
        readPropertyListFile(resourcesPath() + QStringLiteral("/Grocery Categories.plist"));
    ASSERT_TRUE(categories.ok()) << categories.error.toStdString();
    QSet<qint64> numbers;
    const QVariantList categoryList = categories.value.toList();
    for (const QVariant& entry : categoryList) {
        const QVariantMap category = entry.toMap();
        EXPECT_FALSE(category.value(QStringLiteral("name")).toString().trimmed().isEmpty());
        const QVariant number = category.value(QStringLiteral("randomNumber"));
        ASSERT_EQ(number.typeId(), QMetaType::LongLong);
        EXPECT_TRUE(number.toLongLong() >= 0 && number.toLongLong() <= 9998);
        numbers.insert(number.toLongLong());
    }
    EXPECT_GE(categoryList.size(), 10);
    EXPECT_EQ(numbers.size(), categoryList.size());

    const PropertyListResult matches =
        readPropertyListFile(resourcesPath() + QStringLiteral("/Grocery Category Matches.plist"));
    ASSERT_TRUE(matches.ok()) << matches.error.toStdString();
    QSet<QString> names;
    const QVariantList matchList = matches.value.toList();
    for (const QVariant& entry : matchList) {
        const QVariantMap match = entry.toMap();
        const QString name = match.value(QStringLiteral("name")).toString();
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(names.contains(name)) << name.toStdString();
        names.insert(name);
        EXPECT_TRUE(numbers.contains(match.value(QStringLiteral("category")).toLongLong()))
            << name.toStdString();
    }
    EXPECT_GE(matchList.size(), 200);
}
