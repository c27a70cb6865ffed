#pragma once

#include <QChar>
#include <QString>

// Rewrites every maximal run of the character c: a run of length L becomes a run of
// newLength(L). One pass, whatever the length of the text. Replacing each pair "cc" by "c"
// in one left-to-right pass over non-overlapping occurrences, for example, turns a run of
// L into L / 2 + L % 2.
template <class NewLength> QString rewriteRuns(const QString& text, QChar c, NewLength newLength) {
    if (!text.contains(c))
        return text;
    QString out(text.size(), Qt::Uninitialized);
    QChar* o = out.data();
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    while (p < end) {
        if (*p != c) {
            *o++ = *p++;
            continue;
        }
        const QChar* const runStart = p;
        while (p < end && *p == c)
            ++p;
        for (qsizetype k = newLength(qsizetype(p - runStart)); k > 0; --k)
            *o++ = c;
    }
    out.truncate(o - out.constData());
    return out;
}

// Each pair "cc" replaced by "c", left to right, non-overlapping.
inline qsizetype halvedRunLength(qsizetype length) {
    return length / 2 + length % 2;
}
