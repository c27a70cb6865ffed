#include "TextFolding.h"

namespace {

bool isPlainAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QString foldedText(QStringView text, bool diacriticInsensitive) {
    if (isPlainAscii(text)) {
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
    if (isPlainAscii(text))
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
