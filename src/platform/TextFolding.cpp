#include "TextFolding.h"

namespace {

// Units beyond ASCII that every folding keeps as they are. A short, checked list: Latin-1
// symbols except the micro sign (it folds to mu), the multiplication and division signs,
// general punctuation past the spaces that decompose canonically, and currency signs.
inline bool foldsToItself(char16_t c) {
    return (c >= 0xA0 && c <= 0xBF && c != 0xB5) || c == 0xD7 || c == 0xF7 || (c >= 0x2010 && c <= 0x2027) ||
           (c >= 0x2030 && c <= 0x205E) || (c >= 0x20A0 && c <= 0x20C0);
}

} // namespace

bool foldsLikeAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80 && !foldsToItself(c.unicode()))
            return false;
    return true;
}

QString foldedText(QStringView text, bool diacriticInsensitive) {
    if (foldsLikeAscii(text)) {
        // Fast path for the common case: ASCII has no diacritics and folds to lower case.
        QString out(text.size(), Qt::Uninitialized);
        QChar* d = out.data();
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            d[i] = QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
        }
        return out;
    }
    const QString folded = text.toString().toCaseFolded();
    return diacriticInsensitive ? textWithoutDiacritics(folded) : folded;
}

QString textWithoutDiacritics(QStringView text) {
    if (foldsLikeAscii(text))
        return text.toString();
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        const auto category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing ||
            category == QChar::Mark_SpacingCombining)
            continue;
        out.append(c);
    }
    return out.normalized(QString::NormalizationForm_C);
}
