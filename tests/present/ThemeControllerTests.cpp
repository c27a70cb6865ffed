// The theme selector's logic over real theme folders, and the built-in themes' templates.
#include "platform/UserDefaults.h"
#include "present/ThemeController.h"
#include "present/ThemeTextSizePort.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

class ThemeControllerTest : public ::testing::Test {
protected:
    QTemporaryDir m_dir;
    QString m_resources = m_dir.filePath(QStringLiteral("Themes"));
    QString m_development = m_dir.filePath(QStringLiteral("Theme Development"));

    void SetUp() override {
        for (const char* key : {"selectedTheme", "hasLaunchedBefore", "hasShownThemeSelector"})
            UserDefaults::removeObjectForKey(QString::fromLatin1(key));
    }
    static void makeTheme(const QString& root, const QString& name, bool withThumb = true) {
        ASSERT_TRUE(QDir().mkpath(root + QLatin1Char('/') + name + QStringLiteral("/Recipe View")));
        if (withThumb) {
            QFile thumb(root + QLatin1Char('/') + name + QStringLiteral("/thumb.png"));
            ASSERT_TRUE(thumb.open(QIODevice::WriteOnly));
        }
    }
    static QStringList names(const QList<ThemeRow>& rows) {
        QStringList result;
        for (const ThemeRow& row : rows)
            result << row.name;
        return result;
    }
};

struct CountingPage final : ThemeTextSizePort {
    int larger = 0;
    int smaller = 0;
    void makeTextLarger() override { ++larger; }
    void makeTextSmaller() override { ++smaller; }
};

TEST_F(ThemeControllerTest, ListsBothRootsInOneCaseInsensitiveOrderWithoutSkippedNames) {
    makeTheme(m_resources, QStringLiteral("sky"));
    makeTheme(m_resources, QStringLiteral("Autumn"), false);
    makeTheme(m_resources, QStringLiteral("!StaticPages"));
    makeTheme(m_development, QStringLiteral("Basil"));
    for (const char* file : {".DS_Store", "ReadMe.rtf"}) {
        QFile skipped(m_development + QLatin1Char('/') + QLatin1String(file));
        ASSERT_TRUE(skipped.open(QIODevice::WriteOnly));
    }

    const QList<ThemeRow> rows = ThemeController::themeList(m_resources, m_development);
    EXPECT_EQ(names(rows),
              (QStringList{QStringLiteral("Autumn"), QStringLiteral("Basil"), QStringLiteral("sky")}));
    EXPECT_EQ(rows.at(0).root, ThemeRow::Root::Resources);
    EXPECT_TRUE(rows.at(0).thumbnailPath.isEmpty()); // no thumb.png: an empty thumbnail
    EXPECT_EQ(rows.at(1).root, ThemeRow::Root::Development);
    EXPECT_EQ(rows.at(1).thumbnailPath, m_development + QStringLiteral("/Basil/thumb.png"));

    // A missing root adds nothing.
    EXPECT_EQ(names(ThemeController::themeList(m_resources, m_dir.filePath(QStringLiteral("absent")))),
              (QStringList{QStringLiteral("Autumn"), QStringLiteral("sky")}));
}

TEST_F(ThemeControllerTest, AThemeInBothRootsIsListedTwiceWithTheResourcesThumbnailAndTheLastRowSelected) {
    makeTheme(m_resources, QStringLiteral("Sky"));
    makeTheme(m_resources, QStringLiteral("Linen"));
    makeTheme(m_development, QStringLiteral("Sky"));

    ThemeController controller(m_resources, m_development);
    controller.setupThemeSelector();
    const QList<ThemeRow>& rows = controller.rows();
    ASSERT_EQ(names(rows),
              (QStringList{QStringLiteral("Linen"), QStringLiteral("Sky"), QStringLiteral("Sky")}));
    EXPECT_EQ(rows.at(1).root, ThemeRow::Root::Resources);
    EXPECT_EQ(rows.at(2).root, ThemeRow::Root::Development);
    EXPECT_EQ(rows.at(2).thumbnailPath, m_resources + QStringLiteral("/Sky/thumb.png"));
    EXPECT_EQ(controller.rowToSelect(), 2); // "Sky" is the default choice

    // Choosing stores the name and asks for a new render; a stored name no row has
    // selects nothing.
    QSignalSpy chosen(&controller, &ThemeController::themeChosen);
    controller.chooseTheme(0);
    controller.chooseTheme(7);
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toString(), QStringLiteral("Linen"));
    EXPECT_EQ(ThemeController::selectedTheme(), QStringLiteral("Linen"));
    UserDefaults::setObjectForKey(QStringLiteral("Removed"), QStringLiteral("selectedTheme"));
    controller.setupThemeSelector();
    EXPECT_EQ(controller.rowToSelect(), -1);
}

TEST(ThemeSelectorGeometryTest, NarrowMainWindowsGrowAndOtherContainersGiveUpTheSelectorWidth) {
    const auto check = [](int width, bool inMainWindow, int growth, int page) {
        const ThemeSelectorGeometry geometry = ThemeController::selectorGeometry(width, inMainWindow);
        EXPECT_EQ(geometry.windowGrowth, growth) << width;
        EXPECT_EQ(geometry.webViewWidth, page) << width;
    };
    check(800, true, 100, 700);
    check(899, true, 1, 700);
    check(900, true, 0, 700);
    check(1000, true, 0, 800);
    check(800, false, 0, 600); // the full-screen view never grows
    check(150, false, 0, 0);   // never a negative width
}

TEST_F(ThemeControllerTest, TheIntroductionAppearsOnceAndOnlyOnAFirstLaunch) {
    EXPECT_TRUE(ThemeController::takeIntroductionTurn());
    EXPECT_FALSE(ThemeController::takeIntroductionTurn());

    UserDefaults::removeObjectForKey(QStringLiteral("hasShownThemeSelector"));
    UserDefaults::setObjectForKey(false, QStringLiteral("hasLaunchedBefore")); // present, whatever its value
    EXPECT_FALSE(ThemeController::takeIntroductionTurn());
}

TEST_F(ThemeControllerTest, CommandsForAllPagesReachEveryLiveController) {
    CountingPage first;
    CountingPage second;
    ThemeController a(m_resources, m_development);
    a.setTextSizePort(&first);
    QSignalSpy toggles(&a, &ThemeController::selectorToggleRequested);
    {
        ThemeController b(m_resources, m_development);
        b.setTextSizePort(&second);
        ThemeController::enlargeRecipeWebViewsText();
        ThemeController::enlargeRecipeWebViewsText();
    }
    ThemeController::shrinkRecipeWebViewsText();
    EXPECT_EQ(first.larger, 2);
    EXPECT_EQ(first.smaller, 1);
    EXPECT_EQ(second.larger, 2);
    EXPECT_EQ(second.smaller, 0);

    // Closing the introduction hides the selectors with it, once.
    a.removeThemeIntroductionWindow();
    EXPECT_EQ(toggles.count(), 0);
    a.introductionShown();
    a.removeThemeIntroductionWindow();
    a.removeThemeIntroductionWindow();
    EXPECT_EQ(toggles.count(), 1);
}

// Every built-in theme's four templates carry everything the page renderer fills, and
// nothing that would run or fetch.
TEST(BuiltInThemesTest, TemplatesHoldEveryPlaceholderAndMarkerAndNoScriptOrRemoteResource) {
    const QStringList needed = {
        QStringLiteral("<!--base_Path-->"),
        QStringLiteral("<!--minHeight-->"),
        QStringLiteral("minHeightOffsetValue:"),
        QStringLiteral("<!--recipe_title-->"),
        QStringLiteral("<!--directions_title-->"),
        QStringLiteral("<!--directions-->"),
        QStringLiteral("<!--description_title-->"),
        QStringLiteral("<!--description-->"),
        QStringLiteral("<!--notes_title-->"),
        QStringLiteral("<!--notes-->"),
        QStringLiteral("<!--private_notes_title-->"),
        QStringLiteral("<!--private_notes-->"),
        QStringLiteral("<!--ingredients_title-->"),
        QStringLiteral("<!--ingredients-->"),
        QStringLiteral("<!--recipe_picture-->"),
        QStringLiteral("<!--extrainfo_title-->"),
        QStringLiteral("<!--extrainfo-->"),
        QStringLiteral("<!--recipe_rating-->"),
        QStringLiteral("/*title_hide*/"),
        QStringLiteral("/*directions_hide*/"),
        QStringLiteral("/*description_hide*/"),
        QStringLiteral("/*notes_hide*/"),
        QStringLiteral("/*private_notes_hide*/"),
        QStringLiteral("/*ingredients_hide*/"),
        QStringLiteral("/*picture_hide*/"),
        QStringLiteral("/*extrainfo_hide*/"),
        QStringLiteral("/*rating_hide*/"),
    };
    // Texts the renderer replaces over the whole page must not occur by accident.
    const QRegularExpression accidental(
        QStringLiteral("[1-7]/[2-8]|(First|Second|Third|Fourth|Fifth)Image|\\[\\d+\\]"));
    const QRegularExpression forbidden(QStringLiteral("<script|https?:|javascript:|@import|\\son[a-z]+\\s*="),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression offset(QStringLiteral("minHeightOffsetValue:(\\d+)\\*/"));

    const QString root = ThemeController::defaultResourcesRoot();
    const QList<ThemeRow> rows = ThemeController::themeList(root, QString());
    QStringList themes;
    for (const ThemeRow& row : rows)
        themes << row.name;
    for (const char* theme : {"Sky", "Linen", "Slate"})
        EXPECT_TRUE(themes.contains(QLatin1String(theme))) << theme;

    for (const ThemeRow& row : rows) {
        EXPECT_FALSE(row.thumbnailPath.isEmpty()) << row.name.toStdString();
        for (const char* mode : {"Recipe View", "Full Screen"}) {
            for (const char* file : {"Template.html", "AlternateTemplate.html"}) {
                const QString path = root + QLatin1Char('/') + row.name + QLatin1Char('/') +
                                     QLatin1String(mode) + QLatin1Char('/') + QLatin1String(file);
                QFile templateFile(path);
                ASSERT_TRUE(templateFile.open(QIODevice::ReadOnly)) << path.toStdString();
                const QString text = QString::fromUtf8(templateFile.readAll());
                for (const QString& placeholder : needed)
                    EXPECT_TRUE(text.contains(placeholder))
                        << path.toStdString() << ": " << placeholder.toStdString();
                EXPECT_TRUE(offset.match(text).hasMatch()) << path.toStdString();
                EXPECT_FALSE(forbidden.match(text).hasMatch()) << path.toStdString();
                EXPECT_FALSE(accidental.match(text).hasMatch()) << path.toStdString();
            }
        }
        // The style sheets the templates link fetch nothing either, and name their encoding.
        QDirIterator sheets(root + QLatin1Char('/') + row.name, {QStringLiteral("*.css")}, QDir::Files,
                            QDirIterator::Subdirectories);
        while (sheets.hasNext()) {
            QFile sheet(sheets.next());
            ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
            const QByteArray bytes = sheet.readAll();
            EXPECT_FALSE(forbidden.match(QString::fromUtf8(bytes)).hasMatch())
                << sheet.fileName().toStdString();
            // The page is UTF-16; without its own charset a style sheet would be read as UTF-16 too.
            EXPECT_TRUE(bytes.startsWith("@charset \"UTF-8\";")) << sheet.fileName().toStdString();
        }
    }
}

} // namespace
