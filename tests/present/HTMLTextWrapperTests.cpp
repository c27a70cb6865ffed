// Directions between the stored HTML fragment and styled text: the reading steps, the
// fragment writer, the load-then-save round trip and hostile or huge input.
#include "present/HTMLTextWrapper.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString load(const QString& html) {
    return HTMLTextWrapper::attributedStringFromHTMLString(html)->toPlainText();
}

QString save(const QString& html) {
    return HTMLTextWrapper::normalizedHTMLString(html);
}

// The character format at the first occurrence of `text`.
QTextCharFormat formatAt(const QTextDocument& document, const QString& text) {
    const QTextCursor found = document.find(text);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

void expectStoredForm(const QString& fragment) {
    static const QRegularExpression excluded(
        QStringLiteral(
            "<\\s*/?\\s*(!doctype|html|head|body|xml|span|p|li|ol|ul|script|style|img|table|td|tr)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    EXPECT_FALSE(excluded.match(fragment).hasMatch()) << fragment.toStdString();
    static const QRegularExpression fontTag(QStringLiteral("<font[^>]*>"));
    for (const QRegularExpressionMatch& match : fontTag.globalMatch(fragment)) {
        const QString tag = match.captured();
        EXPECT_TRUE(tag == QLatin1String("<font face=\"\" size=\"\">") ||
                    !tag.contains(QLatin1String("face")))
            << tag.toStdString();
        EXPECT_FALSE(tag.contains(QLatin1String("size=\"")) &&
                     tag != QLatin1String("<font face=\"\" size=\"\">"));
    }
}

TEST(HTMLTextWrapper, ReadingFlattensListsBoldsReferencesAndNeutralisesFonts) {
    EXPECT_EQ(load(QStringLiteral("<ol><li>Mix</li><li>Bake</li></ol>Serve")),
              QStringLiteral("Mix\nBake\nServe"));
    EXPECT_EQ(save(QStringLiteral("Stir\n\nServe")), QStringLiteral("Stir<br><br>Serve"));
    EXPECT_EQ(save(QStringLiteral("<STRIKE>old</STRIKE>")), QStringLiteral("<s>old</s>"));

    const auto document = HTMLTextWrapper::attributedStringFromHTMLString(
        QStringLiteral("See [10] and [1]; <font face=\"Arial\" size=\"5\">a</font> "
                       "<font face=\"Times\" color=\"#ff0000\">b</font>"));
    EXPECT_EQ(document->toPlainText(), QStringLiteral("See [10] and [1]; a b"));
    // "[10]" bold as a whole, not "[1]" inside it with a plain "0".
    EXPECT_EQ(formatAt(*document, QStringLiteral("[10]")).fontWeight(), QFont::Bold);
    QTextCursor zero(document.get());
    zero.setPosition(QStringLiteral("See [10").size());
    EXPECT_EQ(zero.charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(*document, QStringLiteral("[1]")).fontWeight(), QFont::Bold);
    // Both font tags (whole tag, colour included) read as Helvetica size 3.
    QTextCursor cursor(document.get());
    cursor.setPosition(document->toPlainText().indexOf(u'a', 12) + 1);
    EXPECT_EQ(cursor.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("Helvetica")});
    EXPECT_EQ(cursor.charFormat().intProperty(QTextFormat::FontSizeAdjustment), 0);
    cursor.setPosition(document->toPlainText().size());
    EXPECT_EQ(cursor.charFormat().fontFamilies().toStringList(), QStringList{QStringLiteral("Helvetica")});
    EXPECT_FALSE(cursor.charFormat().hasProperty(QTextFormat::ForegroundBrush));

    const QString saved = HTMLTextWrapper::htmlStringFromAttributedString(*document);
    EXPECT_EQ(saved, QStringLiteral("See <b>[10]</b> and <b>[1]</b>; <font face=\"\" size=\"\">a</font> "
                                    "<font face=\"\" size=\"\">b</font>"));
}

TEST(HTMLTextWrapper, WriterExpressesEachStyleAndEscapesText) {
    QTextDocument document;
    QTextCursor cursor(&document);
    auto insert = [&](const QString& text, auto apply) {
        QTextCharFormat format;
        apply(format);
        cursor.insertText(text, format);
    };
    insert(QStringLiteral("B"), [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    insert(QStringLiteral("I"), [](QTextCharFormat& f) { f.setFontItalic(true); });
    insert(QStringLiteral("U"), [](QTextCharFormat& f) { f.setFontUnderline(true); });
    insert(QStringLiteral("S"), [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    insert(QStringLiteral("C"), [](QTextCharFormat& f) { f.setForeground(QColor(0x12, 0x34, 0x56)); });
    insert(QStringLiteral("F"), [](QTextCharFormat& f) { f.setFontFamilies({QStringLiteral("Serif")}); });
    cursor.insertBlock();
    insert(QStringLiteral("<a & \"b\">  two"), [](QTextCharFormat&) {});
    cursor.insertBlock();
    cursor.insertImage(QStringLiteral("https://example.com/x.png"));

    const QString html = HTMLTextWrapper::htmlStringFromAttributedString(document);
    EXPECT_EQ(html, QStringLiteral("<b>B</b><i>I</i><u>U</u><s>S</s><font color=\"#123456\">C</font>"
                                   "<font face=\"\" size=\"\">F</font><br>"
                                   "&lt;a &amp; &quot;b&quot;&gt; &nbsp;two<br>"));
    // What was written reads back with the same text and styles.
    EXPECT_EQ(save(html), html);
    const auto reread = HTMLTextWrapper::attributedStringFromHTMLString(html);
    EXPECT_EQ(reread->toPlainText(), QStringLiteral("BIUSCF\n<a & \"b\">  two\n"));
    EXPECT_EQ(formatAt(*reread, QStringLiteral("C")).foreground().color(), QColor(0x12, 0x34, 0x56));
    EXPECT_TRUE(formatAt(*reread, QStringLiteral("S")).fontStrikeOut());
}

// The links of a document: their text and address, in order.
QList<std::pair<QString, QString>> linksOf(const QTextDocument& document) {
    QList<std::pair<QString, QString>> links;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString previous; // the address of the fragment before, in this block
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            const QString address = format.isAnchor() ? format.anchorHref() : QString();
            if (!address.isEmpty() && address == previous)
                links.last().first += it.fragment().text();
            else if (!address.isEmpty())
                links.append({it.fragment().text(), address});
            previous = address;
        }
    }
    return links;
}

TEST(HTMLTextWrapper, WebAndMailLinksSurviveBothConversionsOthersBecomeText) {
    using Links = QList<std::pair<QString, QString>>;
    const struct {
        const char* fragment;
        Links links; // after reading, and again after saving and reading back
        const char* text;
    } cases[] = {
        {"See <a href=\"https://example.com/pie?a=1&amp;b=&quot;2&quot;\">the pie</a>.",
         {{QStringLiteral("the pie"), QStringLiteral("https://example.com/pie?a=1&b=\"2\"")}},
         "See the pie."},
        {"<a href=\"http://example.com/[1]\">Old <b>site</b></a> [1]",
         {{QStringLiteral("Old site"), QStringLiteral("http://example.com/[1]")}},
         "Old site [1]"},
        {"Ask <a href=\"mailto:cook@example.com\">the cook</a>",
         {{QStringLiteral("the cook"), QStringLiteral("mailto:cook@example.com")}},
         "Ask the cook"},
        {"<a href=\"javascript:alert(1)\">run</a> <a href=\"java&#115;cript:x\">me</a>", {}, "run me"},
        {"<a href=\"file:///etc/passwd\">file</a> <a href=\"ftp://x/y\">ftp</a> <a href=\"pie.html\">rel</a>",
         {},
         "file ftp rel"},
        {"<a href=\"data:text/html,<b>x</b>\">data</a>", {}, "data"},
    };
    for (const auto& c : cases) {
        const QString fragment = QString::fromUtf8(c.fragment);
        const auto read = HTMLTextWrapper::attributedStringFromHTMLString(fragment);
        EXPECT_EQ(linksOf(*read), c.links) << c.fragment;
        EXPECT_EQ(read->toPlainText(), QString::fromUtf8(c.text)) << c.fragment;
        const QString saved = HTMLTextWrapper::htmlStringFromAttributedString(*read);
        const auto reread = HTMLTextWrapper::attributedStringFromHTMLString(saved);
        EXPECT_EQ(linksOf(*reread), c.links) << saved.toStdString();
        EXPECT_EQ(reread->toPlainText(), QString::fromUtf8(c.text)) << saved.toStdString();
        EXPECT_EQ(save(saved), saved) << c.fragment;
        // A link that is not kept leaves no address and no link look behind.
        if (c.links.isEmpty()) {
            for (const char* gone : {"href", "javascript", "file:", "<u>", "color"})
                EXPECT_FALSE(saved.contains(QLatin1String(gone))) << saved.toStdString();
        }
    }
    // The stored form of a link is the plain tag around its styled text, address escaped.
    EXPECT_EQ(save(QStringLiteral("<a href=\"https://x.example/?q=a&amp;b='c'\">x <i>y</i></a>")),
              QStringLiteral("<a href=\"https://x.example/?q=a&amp;b=&#39;c&#39;\">x <i>y</i></a>"));
    // A link typed into the editor (no HTML) is written too; one to a script is not.
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://a.example/\"><script>"));
    cursor.insertText(QStringLiteral("safe"), link);
    link.setAnchorHref(QStringLiteral(" JavaScript:alert(1)"));
    cursor.insertText(QStringLiteral(" bad"), link);
    EXPECT_EQ(HTMLTextWrapper::htmlStringFromAttributedString(document),
              QStringLiteral("<a href=\"https://a.example/&quot;&gt;&lt;script&gt;\">safe</a> bad"));
}

TEST(HTMLTextWrapper, LoadThenSaveIsIdempotent) {
    const QStringList fragments = {
        QStringLiteral("Preheat the oven.\n\nBake 20 minutes; see [2] and [12]."),
        QStringLiteral("<p>One</p><p>Two <b>bold <i>both</i></b> <u>under</u></p><p></p><p>Four</p>"),
        QStringLiteral("<ol><li>Mix</li><li>Rest</li></ol><ul><li>salt</li><li>pepper</li></ul>"),
        QStringLiteral(
            "<font face=\"Georgia\" size=\"4\" color=\"#00ff00\">green</font> &amp; <strike>old</strike>"
            " <span style=\"color:#0000ff; font-weight:bold\">blue</span>"),
        QStringLiteral("<h1>Title</h1>Line<br>next<br><br>  spaced   out  <br>"),
        QStringLiteral("Tom &lt;3 &quot;Jerry&quot; caf\u00e9 &nbsp; 5&deg;C [1][3]"),
        QStringLiteral("<a href=\"https://example.com\">link</a> <em>em</em> <strong>strong</strong>"),
    };
    for (const QString& fragment : fragments) {
        const QString once = save(fragment);
        expectStoredForm(once);
        EXPECT_EQ(save(once), once) << fragment.toStdString();
    }
}

TEST(HTMLTextWrapper, HostileAndHugeInputLeavesACleanFragmentWithItsText) {
    const QString page =
        QStringLiteral("<!DOCTYPE html><html><head><title>Cake</title><style>b { color: red }</style>"
                       "<script>alert('x')</script></head><body onload=\"steal()\">"
                       "<table><tr><td>Flour</td><td>200 g</td></tr></table>"
                       "<img src=\"https://tracker.example/p.gif\"><img src=\"http://x/y.png\" alt=\"pic\">"
                       "<p>Whisk <b>well</b>.</p><script src=\"https://evil.example/a.js\"></script>"
                       "<iframe src=\"https://evil.example\">framed</iframe></body></html>");
    const QString clean = save(page);
    expectStoredForm(clean);
    for (const char* gone : {"alert", "color: red", "tracker", "evil", "framed", "Cake", "<img", "onload"})
        EXPECT_FALSE(clean.contains(QLatin1String(gone), Qt::CaseInsensitive))
            << gone << " in " << clean.toStdString();
    for (const char* kept : {"Flour", "200 g", "Whisk", "<b>well</b>"})
        EXPECT_TRUE(clean.contains(QLatin1String(kept))) << kept << " missing from " << clean.toStdString();

    // About 5 MB of page: finishes, keeps its text, stays clean.
    QString huge;
    huge.reserve(5'300'000);
    huge += QStringLiteral("<html><body>");
    int rows = 0;
    while (huge.size() < 5'000'000) {
        huge += QStringLiteral("<script>var a%1 = '<b>';</script><style>p{}</style>"
                               "<table><tr><td>Step %1 <font face=\"Arial\">stir</font></td></tr></table>"
                               "<img src=\"https://cdn.example/%1.jpg\"><p>Paragraph %1 [%2]</p>\n\n")
                    .arg(rows)
                    .arg(rows % 12 + 1);
        ++rows;
    }
    huge += QStringLiteral("<p>The end</p></body></html>");
    const QString result = save(huge);
    EXPECT_TRUE(result.contains(QStringLiteral("Paragraph 0 <b>[1]</b>")));
    EXPECT_TRUE(
        result.contains(QStringLiteral("Step %1 <font face=\"\" size=\"\">stir</font>").arg(rows - 1)));
    EXPECT_TRUE(result.endsWith(QStringLiteral("The end")));
    EXPECT_FALSE(result.contains(QLatin1String("cdn.example")));
    EXPECT_FALSE(result.contains(QLatin1String("var a")));
}

} // namespace
