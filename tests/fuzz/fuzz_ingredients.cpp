// Ingredient text from anywhere (pasted, imported, downloaded): the parser and the quantity
// operations must take any text without crashing or hanging, and give bounded, finite
// results.
//
// Input: UTF-8 text; an input that starts with the bytes FF FE is UTF-16LE code units
// instead, so unpaired surrogates reach the code too. The last four bytes also give a
// scaling factor (any float, infinities and NaN included).
#include "measure/IngredientsSorter.h"
#include "measure/MeasurementsConverter.h"

#include <QString>
#include <QVariantMap>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void fail(const char* what, const QString& text) {
    std::fprintf(stderr, "fuzz_ingredients: %s\n%s\n", what, text.left(2000).toUtf8().constData());
    std::abort();
}

QString textFromInput(const uint8_t* data, size_t size) {
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        const size_t units = (size - 2) / 2;
        QString text(qsizetype(units), Qt::Uninitialized);
        for (size_t i = 0; i < units; ++i)
            text[qsizetype(i)] = QChar(char16_t(data[2 + 2 * i] | (data[3 + 2 * i] << 8)));
        return text;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

void checkScaled(const QString& text, float factor) {
    const QString scaled = MeasurementsConverter::scaledStringFromString(text, factor);
    if (scaled == MeasurementsConverter::FAILED_CONVERSION)
        return;
    // Every word or number of the text gives at most a few dozen characters.
    if (scaled.size() > 50 * (text.size() + 1))
        fail("scaled text out of proportion", text);
    for (const QLatin1String word : {QLatin1String("inf"), QLatin1String("nan")}) {
        if (scaled.contains(word) && !text.contains(word))
            fail("a value that is not a number was written", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = textFromInput(data, size);

    static const IngredientsSorter sorter;
    const QVariantList records = sorter.sortedIngredientsFromString(text);
    qsizetype lineEnds = 0;
    for (QChar c : text)
        lineEnds += (c == u'\n' || c == u'\r') ? 1 : 0;
    if (records.size() > lineEnds + 1)
        fail("more records than lines", text);

    static MeasurementsConverter converter;
    int converted = 0;
    for (const QVariant& entry : records) {
        QVariantMap record = entry.toMap();
        if (record.size() != 6)
            fail("a record without its six keys", text);
        const int random = record.value(QStringLiteral("randomNumber")).toInt();
        if (random < 0 || random > 998)
            fail("randomNumber out of range", text);
        for (const char* key : {"quantity", "measurement", "name", "method"}) {
            const QVariant value = record.value(QLatin1String(key));
            if (value.typeId() != QMetaType::QString)
                fail("a text field that is not text", text);
            for (QChar c : value.toString()) {
                switch (c.unicode()) {
                case u'\n':
                case u'\r':
                case u'\t':
                case 0x00A0:
                case 0x2022:
                case 0x25CF:
                case u'*':
                    fail("a cleaned character reached a record", text);
                default:
                    break;
                }
            }
        }
        const QString title = record.value(QStringLiteral("isGroupTitle")).toString();
        if (title != QLatin1String("YES") && title != QLatin1String("NO"))
            fail("isGroupTitle is neither YES nor NO", text);

        const QString quantity = record.value(QStringLiteral("quantity")).toString();
        if (converted++ < 20 && quantity.size() < 256) {
            checkScaled(quantity, 1.5f);
            (void)converter.preferredMeasurementFromMeasurement(
                record.value(QStringLiteral("measurement")).toString(), quantity);
            QVariantMap lowest = record;
            converter
                .ingredientDictionaryAfterConvertingMeasurementsToLowestCompatibleQuantitiesFromDictionary(
                    lowest);
            converter.ingredientDictionaryAfterConvertingMeasurementsToNearestUsableQuantitiesFromDictionary(
                record);
        }
    }

    checkScaled(text, 2.0f);
    if (size >= 8) {
        float factor = 0;
        std::memcpy(&factor, data + size - 4, sizeof factor);
        checkScaled(text, factor);
    }

    const float value = MeasurementsConverter::floatFromTypedFraction(text);
    if (!std::isfinite(value))
        fail("floatFromTypedFraction gave a value that is not finite", text);
    const QString fraction = MeasurementsConverter::typedFractionFromFloat(value);
    if (fraction.size() > 48)
        fail("kitchen fraction too long", text);
    return 0;
}
