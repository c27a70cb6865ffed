#pragma once

#include <QString>

// Makes recipe texts safe to put into a generated page. Recipes come from other people
// (exchange files, feeds, web pages), so what they hold must not run, fetch or restructure
// anything in the page that shows them.
class HtmlFragmentSanitizer {
public:
    // Plain text as HTML text: "&", "<", ">", '"' and "'" become character references, so
    // the text shows as typed and cannot open a tag, a comment or an attribute.
    static QString escapeText(const QString& text);

    // An HTML fragment (directions) with its harmless markup kept:
    // - dropped with their content: script, style, iframe, noscript, template, svg, math,
    //   textarea, title, xmp, noembed, noframes, plaintext (they run code, or their content
    //   is not markup and an unclosed one would swallow the rest of the page);
    // - dropped tags (content kept): object, embed, applet, frame, frameset, base, meta,
    //   link, html, head, body;
    // - comments, doctype and processing instructions are dropped (an unclosed comment
    //   would hide the rest of the page);
    // - attributes: every "on..." handler; URL attributes whose address (after character
    //   references and blanks are resolved) is javascript:, vbscript: or, except images
    //   in src, data:; src-like attributes (src, srcset, background, poster, lowsrc,
    //   dynsrc, data) naming a remote address (http, https, ftp or "//host"); style
    //   attributes that hold url(, image-set(, expression(, @import or a backslash (a CSS
    //   escape could spell any of them); names with odd characters;
    // - a "<" that starts no tag, or a tag never closed, is kept as text ("&lt;").
    // Every kept tag is written back with lower-case names and quoted attribute values.
    static QString sanitizeFragment(const QString& html);

    // Whether an address may be put into a link: not javascript:, vbscript: or data:.
    static bool isSafeLinkAddress(const QString& address);
};
