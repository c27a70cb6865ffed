// Structured text: whatever reads as a value must write and read back as the same value,
// and writing it again must give the same text.
#include "platform/StructuredText.h"

#include <QString>
#include <QVariant>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QString& text) {
    std::fprintf(stderr, "fuzz_structured_text: %s\n%s\n", what, text.left(2000).toUtf8().constData());
    std::abort();
}

// The scalar reading rules must take any text.
void readScalars(const QVariant& value, int budget) {
    if (budget <= 0)
        return;
    if (value.metaType().id() == QMetaType::QVariantList) {
        for (const QVariant& item : value.toList())
            readScalars(item, --budget);
    } else if (value.metaType().id() == QMetaType::QVariantMap) {
        for (const QVariant& item : value.toMap())
            readScalars(item, --budget);
    } else {
        (void)structuredBoolValue(value);
        (void)structuredIntegerValue(value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QVariant value = valueFromStructuredText(text);
    if (!value.isValid())
        return 0;
    const int kind = value.metaType().id();
    if (kind != QMetaType::QVariantList && kind != QMetaType::QVariantMap)
        fail("the top level is neither an array nor a dictionary", text);
    readScalars(value, 64);
    const QString written = structuredTextFromValue(value);
    const QVariant again = valueFromStructuredText(written);
    if (again != value)
        fail("the written text reads back differently", written);
    if (structuredTextFromValue(again) != written)
        fail("writing the value again gives another text", written);
    return 0;
}
