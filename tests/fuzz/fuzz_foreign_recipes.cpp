// The MasterCook tag cutter, the MealMaster reader and the MacGourmet reader take any bytes:
// every entry seen is a recipe or a skipped entry, and one-line fields hold no line break.
#include "import/MacGourmetReader.h"
#include "import/MasterCookReader.h"
#include "import/MealMasterReader.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& input) {
    std::fprintf(stderr, "fuzz_foreign_recipes: %s\n%s\n", what, input.left(2000).constData());
    std::abort();
}

bool hasLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r');
}

void check(const ForeignReadResult& read, const QByteArray& input) {
    if (read.recipes.size() + read.skipped.size() != read.entries)
        fail("entries are lost between recipes and skipped ones", input);
    for (const ForeignRecipe& recipe : read.recipes) {
        if (hasLineBreak(recipe.name) || hasLineBreak(recipe.yield) || hasLineBreak(recipe.attribution))
            fail("a one-line field holds a line break", input);
        for (const QString& keyword : recipe.keywords)
            if (keyword.isEmpty() || hasLineBreak(keyword))
                fail("a keyword is empty or holds a line break", input);
        if (recipe.ingredientsText.contains(QLatin1String("\n\n")))
            fail("an empty ingredient line", input);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    check(MasterCookReader::read(input), input);
    check(MealMasterReader::read(input), input);
    check(MacGourmetReader::read(input), input);
    return 0;
}
