// Property lists: any bytes give a value or an error, never both and never a crash; a
// value that was read spells out no more than 64 times the input plus 1 MB (shared values
// in binary lists counted at every reference), and writes as XML that reads back as the
// same value, apart from the normalisation of the XML writer (text without the characters
// XML 1.0 cannot carry), and as a document that a strict XML reader takes.
#include "platform/PropertyList.h"

#include <QByteArray>
#include <QDateTime>
#include <QVariant>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& bytes) {
    std::fprintf(stderr, "fuzz_property_list: %s\n%s\n", what, bytes.left(2000).constData());
    std::abort();
}

// Text as XML 1.0 carries it: without NUL and the other C0 controls but tab, line feed and
// carriage return, without U+FFFE and U+FFFF, and without unpaired surrogates.
QString xmlText(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
            out += c;
            out += s.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF || (u < 0x20 && u != 9 && u != 10 && u != 13))
            continue;
        out += c;
    }
    return out;
}

// The error of a strict XML reader, empty when it reads the document.
QString xmlError(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    while (!reader.atEnd())
        reader.readNext();
    return reader.hasError() ? reader.errorString() : QString();
}

// The value as it should come back from XML.
QVariant normalised(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::QVariantList: {
        QVariantList out;
        for (const QVariant& item : v.toList())
            out.append(normalised(item));
        return out;
    }
    case QMetaType::QVariantMap: {
        QVariantMap out;
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            out.insert(xmlText(it.key()), normalised(it.value()));
        return out;
    }
    case QMetaType::QString:
        return xmlText(v.toString());
    case QMetaType::QDateTime: {
        // XML dates are whole seconds.
        qint64 ms = v.toDateTime().toMSecsSinceEpoch();
        ms -= ((ms % 1000) + 1000) % 1000;
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    }
    default:
        return v;
    }
}

// What a value spells out: 16 bytes an object, plus its text (UTF-16) or data.
quint64 spelledOut(const QVariant& v) {
    quint64 total = 16;
    switch (v.metaType().id()) {
    case QMetaType::QVariantList:
        for (const QVariant& item : v.toList())
            total += spelledOut(item);
        break;
    case QMetaType::QVariantMap: {
        const QVariantMap map = v.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            total += 16 + quint64(it.key().size()) * 2 + spelledOut(it.value());
        break;
    }
    case QMetaType::QString:
        total += quint64(v.toString().size()) * 2;
        break;
    case QMetaType::QByteArray:
        total += quint64(v.toByteArray().size());
        break;
    default:
        break;
    }
    return total;
}

bool same(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType())
        return false;
    switch (a.metaType().id()) {
    case QMetaType::QVariantList: {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i)
            if (!same(x[i], y[i]))
                return false;
        return true;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (x.size() != y.size())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it)
            if (!y.contains(it.key()) || !same(it.value(), y.value(it.key())))
                return false;
        return true;
    }
    case QMetaType::Double: {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y || (std::isnan(x) && std::isnan(y));
    }
    default:
        return a == b;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const PropertyListResult first = readPropertyList(bytes);
    if (!first.ok()) {
        if (first.value.isValid())
            fail("an error came with a value", bytes);
        return 0;
    }
    if (spelledOut(first.value) > quint64(size) * 64 + 1024 * 1024)
        fail("the value expands far past the input", bytes);
    const QByteArray xml = xmlPropertyListData(first.value);
    const PropertyListResult second = readPropertyList(xml);
    if (!second.ok())
        fail("the written XML does not read back", xml);
    if (!same(normalised(first.value), second.value))
        fail("the written XML reads back differently", xml);
    if (!xmlError(xml).isEmpty())
        fail("the written XML is not well-formed XML 1.0", xml);
    return 0;
}
