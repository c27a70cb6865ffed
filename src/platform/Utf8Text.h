#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstring>

// UTF-8 bytes as text, character for character. QString::fromUtf8() takes a leading U+FEFF
// (zero width no-break space) for a byte-order mark and leaves it out, and makes a null
// QString of no bytes, which records read as "no text". A stored or exchanged text is not a
// document: it keeps its leading U+FEFF, and no bytes are the empty text.
inline QString exactTextFromUtf8(QByteArrayView bytes) {
    static constexpr char kEncodedFeff[] = "\xEF\xBB\xBF";
    qsizetype marks = 0;
    while (bytes.size() - 3 * marks >= 3 && std::memcmp(bytes.data() + 3 * marks, kEncodedFeff, 3) == 0)
        ++marks;
    if (marks == 0) {
        if (bytes.isEmpty())
            return QStringLiteral("");
        return QString::fromUtf8(bytes);
    }
    // The rest does not start with U+FEFF, so the decoder keeps all of it.
    return QString(marks, QChar(0xFEFF)) + QString::fromUtf8(bytes.sliced(3 * marks));
}
