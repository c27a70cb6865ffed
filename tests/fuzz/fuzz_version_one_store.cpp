// First-generation library files take any bytes: a read gives recipes or an error, never
// both; every recipe found is read or reported; the groups refer only to recipes and groups
// that were read, and ingredients come in position order.
#include "library/VersionOneStore.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& input) {
    std::fprintf(stderr, "fuzz_version_one_store: %s (%lld bytes)\n", what,
                 static_cast<long long>(input.size()));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const versionone::ReadResult read = versionone::readStore(bytes);
    const versionone::Store& store = read.store;
    if (!read.ok()) {
        if (!store.recipes.isEmpty() || !store.sources.isEmpty())
            fail("an error came with records", bytes);
        return 0;
    }
    if (store.recipes.size() + store.unreadable.size() != store.recipesFound)
        fail("recipes are lost between those read and those reported", bytes);
    for (const versionone::Unreadable& entry : store.unreadable)
        if (entry.index < 0 || entry.index >= store.recipesFound || entry.reason.isEmpty())
            fail("an unreadable recipe is reported without its place or reason", bytes);
    for (const versionone::Recipe& recipe : store.recipes)
        for (qsizetype i = 1; i < recipe.ingredients.size(); ++i)
            if (recipe.ingredients[i - 1].position > recipe.ingredients[i].position)
                fail("ingredients out of position order", bytes);
    for (const versionone::Source& source : store.sources) {
        for (int recipe : source.recipes)
            if (recipe < 0 || recipe >= store.recipes.size())
                fail("a group refers to a recipe that was not read", bytes);
        for (int child : source.children)
            if (child < 0 || child >= store.sources.size())
                fail("a group refers to a child that was not read", bytes);
        if (source.parent < -1 || source.parent >= store.sources.size())
            fail("a group refers to a parent that was not read", bytes);
    }
    return 0;
}
