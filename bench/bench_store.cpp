// The record store on a library of 20,000 recipes, each figure beside the floor of a raw
// SQLite query over the same data measured in the same run.
#include "BenchSupport.h"

#include "library/LibraryStore.h"
#include "library/SearchBoxMenu.h"
#include "platform/ObjectContext.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <sqlite3.h>

namespace {

constexpr int kRecipes = 20000;

// The "Entire Recipe" search of the toolbar for one typed text within "My Recipes".
PredicatePtr entireRecipeSearch(const QString& text) {
    static const PredicatePtr ownLibrary =
        Predicate::parse(QStringLiteral("platefeedPredicateKey == nil")).predicate;
    return SearchBoxMenu::searchPredicate(SearchBoxMenu::EntireRecipe, text, ownLibrary);
}

sqlite3* openRaw(const QString& library) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(libraryStorePath(library)).constData(), &db, SQLITE_OPEN_READWRITE,
                    nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    return db;
}

void BM_OpenAndFetchAllRecipes(benchmark::State& state) {
    const QString library = bench::libraryWithRecipes(kRecipes);
    for (auto _ : state) {
        QString error;
        std::unique_ptr<ObjectContext> context = openLibraryStore(library, false, &error);
        const QList<ManagedObject*> recipes = context->executeFetchRequest(
            FetchRequest(QStringLiteral("Recipes"), {}, {{QStringLiteral("name"), true, true}}));
        if (recipes.size() != kRecipes)
            state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(recipes.data());
    }
}
BENCHMARK(BM_OpenAndFetchAllRecipes)->Unit(benchmark::kMillisecond)->Iterations(5);

// Floor: every row and column read by SQLite and turned into Qt text, nothing else.
void BM_RawSQLite_ReadAllRecipes(benchmark::State& state) {
    const QString library = bench::libraryWithRecipes(kRecipes);
    for (auto _ : state) {
        sqlite3* db = openRaw(library);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM Recipes", -1, &statement, nullptr);
        qint64 characters = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                if (sqlite3_column_type(statement, c) == SQLITE_TEXT)
                    characters +=
                        QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                                          sqlite3_column_bytes(statement, c))
                            .size();
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        benchmark::DoNotOptimize(characters);
    }
}
BENCHMARK(BM_RawSQLite_ReadAllRecipes)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EntireRecipeSearch(benchmark::State& state) {
    const QString library = bench::libraryWithRecipes(kRecipes);
    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(library, false, &error);
    const QStringList words = {QStringLiteral("chicken"), QStringLiteral("zucchini"), QStringLiteral("LEMON"),
                               QStringLiteral("c")};
    FetchRequest request(QStringLiteral("Recipes"));
    request.predicate = entireRecipeSearch(words.first());
    context->executeFetchRequest(request); // read the store and warm the folded texts once
    int i = 0;
    for (auto _ : state) {
        request.predicate = entireRecipeSearch(words.at(i++ % words.size()));
        const QList<ManagedObject*> found = context->executeFetchRequest(request);
        benchmark::DoNotOptimize(found.data());
    }
}
BENCHMARK(BM_EntireRecipeSearch)->Unit(benchmark::kMillisecond);

// Floor: the same fourteen fields searched by SQLite's LIKE (ASCII case folding only).
void BM_RawSQLite_EntireRecipeSearch(benchmark::State& state) {
    const QString library = bench::libraryWithRecipes(kRecipes);
    sqlite3* db = openRaw(library);
    QStringList conditions;
    for (const QString& field : SearchBoxMenu::searchedKeys(SearchBoxMenu::EntireRecipe))
        conditions << QStringLiteral("\"%1\" LIKE ?1").arg(field);
    const QByteArray sql =
        QStringLiteral("SELECT Z_PK FROM Recipes WHERE (%1) AND platefeedPredicateKey IS NULL")
            .arg(conditions.join(QStringLiteral(" OR ")))
            .toUtf8();
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr);
    const char* const patterns[] = {"%chicken%", "%zucchini%", "%LEMON%", "%c%"};
    int i = 0;
    for (auto _ : state) {
        sqlite3_reset(statement);
        sqlite3_bind_text(statement, 1, patterns[i++ % 4], -1, SQLITE_STATIC);
        int rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW)
            ++rows;
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}
BENCHMARK(BM_RawSQLite_EntireRecipeSearch)->Unit(benchmark::kMillisecond);

void BM_SaveAfterChangingOneRecipe(benchmark::State& state) {
    const QString library = bench::scratchCopyOfLibrary(kRecipes);
    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(library, false, &error);
    const QList<ManagedObject*> recipes =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
    int i = 0;
    for (auto _ : state) {
        recipes.at(i % recipes.size())
            ->setValueForKey(QStringLiteral("changed %1").arg(i), QStringLiteral("notes"));
        ++i;
        if (!context->save(&error))
            state.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_SaveAfterChangingOneRecipe)->Unit(benchmark::kMillisecond)->Iterations(50);

// Floor: one UPDATE of one column in its own transaction, with the same durability.
void BM_RawSQLite_UpdateOneRow(benchmark::State& state) {
    const QString library = bench::scratchCopyOfLibrary(kRecipes);
    sqlite3* db = openRaw(library);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "UPDATE Recipes SET notes = ? WHERE Z_PK = ?", -1, &statement, nullptr);
    int i = 0;
    for (auto _ : state) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_reset(statement);
        const QByteArray text = QByteArray("changed ") + QByteArray::number(i);
        sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, 2, 1 + i++ % kRecipes);
        sqlite3_step(statement);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}
BENCHMARK(BM_RawSQLite_UpdateOneRow)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_SaveAfterInserting1000(benchmark::State& state) {
    const QString library = bench::scratchCopyOfLibrary(kRecipes);
    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(library, false, &error);
    context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes")));
    int next = kRecipes;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < 1000; ++i) {
            ManagedObject* recipe = context->insertNewObject(QStringLiteral("Recipes"));
            const QVariantMap values = bench::recipeValues(next++);
            for (auto it = values.begin(); it != values.end(); ++it)
                recipe->setValueForKey(it.value(), it.key());
        }
        state.ResumeTiming();
        if (!context->save(&error))
            state.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_SaveAfterInserting1000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Floor: 1,000 INSERTs of the same rows in one transaction.
void BM_RawSQLite_Insert1000(benchmark::State& state) {
    const QString library = bench::scratchCopyOfLibrary(kRecipes);
    sqlite3* db = openRaw(library);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Recipes (name, ingredientsArray, directions, notes, keywords, cuisine, "
                       "attribution, prepTime, cookingTime, yield, recipeDescription, rating) "
                       "VALUES (?,?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &statement, nullptr);
    const char* const keys[] = {
        "name",        "ingredientsArray", "directions",  "notes", "keywords",         "cuisine",
        "attribution", "prepTime",         "cookingTime", "yield", "recipeDescription"};
    int next = kRecipes;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<QVariantMap> rows;
        for (int i = 0; i < 1000; ++i)
            rows.push_back(bench::recipeValues(next++));
        state.ResumeTiming();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (const QVariantMap& row : rows) {
            sqlite3_reset(statement);
            for (int k = 0; k < 11; ++k) {
                const QByteArray text = row.value(QString::fromLatin1(keys[k])).toString().toUtf8();
                sqlite3_bind_text(statement, k + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            }
            sqlite3_bind_int(statement, 12, row.value(QStringLiteral("rating")).toInt());
            sqlite3_step(statement);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}
BENCHMARK(BM_RawSQLite_Insert1000)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks(argc, argv);
}
