// Character references cannot smuggle a blocked scheme or construct past the sanitiser:
// every blocked address and style is tried with its key character written plainly and as
// each form of reference the page engine reads.
#include "present/HtmlFragmentSanitizer.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// The ways to write the character c: plainly, by name, in decimal and in hex, with and
// without the semicolon, with many leading zeros, in upper and lower case.
QStringList spellings(char16_t c, const char* name) {
    const QString dec = QString::number(c);
    const QString hex = QString::number(c, 16);
    const QString zeros(20, u'0');
    return {
        QString(QChar(c)),
        QStringLiteral("&%1;").arg(QLatin1String(name)),
        QStringLiteral("&#%1;").arg(dec),
        QStringLiteral("&#%1").arg(dec),
        QStringLiteral("&#0000000%1;").arg(dec),
        QStringLiteral("&#%1%2").arg(zeros, dec),
        QStringLiteral("&#x%1;").arg(hex),
        QStringLiteral("&#X%1;").arg(hex.toUpper()),
        QStringLiteral("&#x%1").arg(hex.toUpper()),
        QStringLiteral("&#x00000000%1;").arg(hex),
        QStringLiteral("&#X%1%2").arg(zeros, hex.toUpper()),
    };
}

} // namespace

TEST(HtmlFragmentSanitizerReferences, BlockedSchemesAndConstructsStayBlockedWhateverTheSpelling) {
    // <tag attribute="before KEY after">: the attribute must go, the title must stay. Each
    // `after` starts with a character that cannot continue a reference.
    const struct {
        const char* tag;
        const char* attribute;
        const char* before;
        char16_t key;
        const char* name;
        const char* after;
    } cases[] = {
        {"a", "href", "JaVaScRiPt", u':', "colon", "void(0)"},
        {"a", "href", "javascript", u':', "colon", "void(0)"},
        {"a", "href", "vbscript", u':', "colon", "msgbox(1)"},
        {"a", "href", "livescript", u':', "colon", "x"},
        {"a", "href", "data", u':', "colon", "text/html,x"},
        {"img", "src", "http", u':', "colon", "//evil.test/a.png"},
        {"img", "src", "HTTPS", u':', "colon", "//evil.test/a.png"},
        {"img", "src", "ftp", u':', "colon", "//evil.test/a.png"},
        {"img", "src", "ws", u':', "colon", "//evil.test/"},
        {"img", "src", "wss", u':', "colon", "//evil.test/"},
        {"img", "src", "", u'/', "sol", "/evil.test/a.png"},
        {"img", "src", "\\", u'\\', "bsol", "host.test\\a.png"},
        {"img", "src", "data", u':', "colon", "image/svg+xml,x"},
        {"img", "srcset", "x.png 1x, http", u':', "colon", "//evil.test/a.png 2x"},
        {"video", "poster", "https", u':', "colon", "//evil.test/p.png"},
        {"div", "style", "background:url", u'(', "lpar", "http://evil.test/)"},
        {"div", "style", "background:image-set", u'(', "lpar", "'x.png' 1x)"},
        {"div", "style", "width:expression", u'(', "lpar", "prompt(1))"},
        {"div", "style", "", u'@', "commat", "import 'x.css'"},
        {"div", "style", "background:u", u'\\', "bsol", "rl(x)"},
    };
    for (const auto& c : cases) {
        for (const QString& key : spellings(c.key, c.name)) {
            const QString value = QString::fromLatin1(c.before) + key + QString::fromLatin1(c.after);
            const QString html = QStringLiteral("<%1 %2=\"%3\" title=\"t\">")
                                     .arg(QLatin1String(c.tag), QLatin1String(c.attribute), value);
            EXPECT_EQ(HtmlFragmentSanitizer::sanitizeFragment(html),
                      QStringLiteral("<%1 title=\"t\">").arg(QLatin1String(c.tag)))
                << html.toStdString();
        }
    }
    EXPECT_FALSE(HtmlFragmentSanitizer::isSafeLinkAddress(QStringLiteral("javascript&#0000000000058;x")));
    EXPECT_FALSE(HtmlFragmentSanitizer::isSafeLinkAddress(QStringLiteral("&#x0000000006A;avascript:x")));
    EXPECT_FALSE(HtmlFragmentSanitizer::isSafeLinkAddress(QStringLiteral("data&colon;text/html,x")));
}

TEST(HtmlFragmentSanitizerReferences, HarmlessAddressesWithReferencesAreKept) {
    const char* const kept[] = {
        "<a href=\"https&#0000000058;//example.com/\">",    // a link may be remote
        "<img src=\"a&#x00000003a;b.png\">",                // a colon inside a local name
        "<a href=\"java&#0;script:x\">",                    // U+FFFD, not a scheme
        "<a href=\"java&#x110000;script:x\">",              // past Unicode: U+FFFD
        "<a href=\"java&#99999999999999999999;script:x\">", // no wrapping round to a letter
        "<p style=\"color:red&semi;margin:0\">",
    };
    for (const char* html : kept)
        EXPECT_EQ(HtmlFragmentSanitizer::sanitizeFragment(QString::fromLatin1(html)),
                  QString::fromLatin1(html))
            << html;
}
