#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include "library/LibraryStore.h"
#include "platform/ObjectContext.h"
#include "platform/StructuredText.h"
#include "platform/UndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace bench {

namespace {

const char* const kDishes[] = {"Chicken", "Beef",     "Lentil",  "Mushroom",  "Salmon",
                               "Pork",    "Tofu",     "Shrimp",  "Vegetable", "Lamb",
                               "Turkey",  "Chickpea", "Spinach", "Pumpkin",   "Duck"};
const char* const kStyles[] = {"Curry",   "Stew",  "Risotto", "Tacos",    "Pie",
                               "Salad",   "Soup",  "Roast",   "Stir-Fry", "Casserole",
                               "Skewers", "Pasta", "Burgers", "Tagine",   "Gratin"};
const char* const kIngredients[] = {
    "olive oil", "onion",  "garlic clove", "carrot",  "celery stalk", "tomato",       "chicken stock",
    "butter",    "flour",  "milk",         "cream",   "parmesan",     "rice",         "lemon",
    "parsley",   "thyme",  "cumin",        "paprika", "salt",         "black pepper", "sugar",
    "egg",       "potato", "white wine",   "ginger",  "soy sauce",    "coriander"};
const char* const kUnits[] = {"cup", "cups", "tablespoon", "tablespoons", "teaspoon", "teaspoons",
                              "g",   "ml",   "pound",      "ounces",      "",         "pinch"};
const char* const kQuantities[] = {"1", "2", "1/2", "1 1/2", "3", "1/4", "200", "4", "2/3", "500", "", "6"};
const char* const kMethods[] = {"chopped", "minced", "diced", "sliced", "", "grated", "melted", "to taste"};
const char* const kKeywords[] = {"dinner", "lunch",  "quick",  "vegetarian", "family",  "spicy",
                                 "winter", "summer", "baking", "party",      "healthy", "comfort food"};
const char* const kCuisines[] = {"Italian", "Indian", "French", "Mexican", "Thai", "American", "Moroccan"};
const char* const kSentences[] = {
    "Heat the oil in a large heavy pan over a medium flame until it shimmers.",
    "Add the onion and cook, stirring now and then, until soft and golden, about eight minutes.",
    "Stir in the garlic and spices and cook for one minute more, until fragrant.",
    "Pour in the stock, scrape up the browned bits and bring everything to a gentle simmer.",
    "Cover and cook slowly until the meat is tender when pierced with a knife.",
    "Season generously with salt and pepper, then taste and adjust with a squeeze of <b>lemon</b>.",
    "Meanwhile bring a large pot of salted water to the boil for the pasta or rice.",
    "Whisk the eggs with the cream and cheese in a bowl until smooth.",
    "Spread the mixture in a buttered dish and bake at 180 °C until bubbling and brown on top.",
    "Let it rest for ten minutes before serving so the juices settle.<br>",
    "Scatter over the chopped herbs and serve with crusty bread or a green salad.",
    "Leftovers keep well in the refrigerator for up to three days and reheat gently.",
};

QString benchRoot() {
    const QString root = QStringLiteral(LARKSPOON_BENCH_DATA_DIR);
    QDir().mkpath(root);
    return root;
}

} // namespace

void ensureApplication() {
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon! bench"));
    new QCoreApplication(argc, argv);
}

QVariantMap recipeValues(int index) {
    QRandomGenerator random(quint32(index) * 2654435761u + 17);
    auto pick = [&random](const auto& list) {
        return QString::fromUtf8(list[random.bounded(int(std::size(list)))]);
    };
    QVariantMap values;
    values.insert(QStringLiteral("name"), QString(pick(kDishes) + QLatin1Char(' ') + pick(kStyles) +
                                                  QStringLiteral(" No. ") + QString::number(index)));
    QVariantList rows;
    for (int i = 0; i < 12; ++i) {
        QVariantMap row;
        if (i == 6) {
            row.insert(QStringLiteral("name"), QStringLiteral("For the sauce"));
            row.insert(QStringLiteral("isGroupTitle"), QStringLiteral("YES"));
        } else {
            row.insert(QStringLiteral("quantity"), pick(kQuantities));
            row.insert(QStringLiteral("measurement"), pick(kUnits));
            row.insert(QStringLiteral("name"), pick(kIngredients));
            row.insert(QStringLiteral("method"), pick(kMethods));
            row.insert(QStringLiteral("isGroupTitle"), QStringLiteral("NO"));
        }
        row.insert(QStringLiteral("randomNumber"), QString::number(random.bounded(999)));
        rows.append(row);
    }
    values.insert(QStringLiteral("ingredientsArray"), structuredTextFromValue(rows));
    QString directions;
    const int targetLength = 1000 + random.bounded(2000);
    while (directions.size() < targetLength)
        directions += pick(kSentences) + QLatin1Char(' ');
    values.insert(QStringLiteral("directions"), directions);
    values.insert(QStringLiteral("notes"),
                  QString(QStringLiteral("From the family notebook. ") + pick(kSentences)));
    QStringList keywords;
    while (keywords.size() < 3) {
        const QString keyword = pick(kKeywords);
        if (!keywords.contains(keyword))
            keywords << keyword;
    }
    values.insert(QStringLiteral("keywords"), keywords.join(QLatin1Char(',')));
    values.insert(QStringLiteral("cuisine"), pick(kCuisines));
    values.insert(QStringLiteral("attribution"), QStringLiteral("Cook %1").arg(random.bounded(300)));
    values.insert(QStringLiteral("prepTime"), QStringLiteral("%1 min").arg(5 + random.bounded(40)));
    values.insert(QStringLiteral("cookingTime"), QStringLiteral("%1 min").arg(10 + random.bounded(120)));
    values.insert(QStringLiteral("yield"), QStringLiteral("%1 servings").arg(2 + random.bounded(8)));
    values.insert(QStringLiteral("recipeDescription"), pick(kSentences));
    values.insert(QStringLiteral("rating"), random.bounded(6));
    return values;
}

QString libraryWithRecipes(int count) {
    ensureApplication();
    const QString path = benchRoot() + QStringLiteral("/library-%1.library").arg(count);
    const QString done = path + QStringLiteral("/.complete");
    if (QFile::exists(done))
        return path;
    QDir(path).removeRecursively();
    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(path, true, &error);
    if (!context)
        qFatal("bench: %s", qPrintable(error));
    context->undoManager()->disableUndoRegistration();
    for (int i = 0; i < count; ++i) {
        ManagedObject* recipe = context->insertNewObject(QStringLiteral("Recipes"));
        const QVariantMap values = recipeValues(i);
        for (auto it = values.begin(); it != values.end(); ++it)
            recipe->setValueForKey(it.value(), it.key());
    }
    if (!context->save(&error))
        qFatal("bench: %s", qPrintable(error));
    context.reset();
    QFile marker(done);
    marker.open(QIODevice::WriteOnly);
    return path;
}

QString scratchCopyOfLibrary(int count) {
    const QString source = libraryWithRecipes(count);
    static QTemporaryDir scratch(benchRoot() + QStringLiteral("/scratch-XXXXXX"));
    const QString target = scratch.path() + QStringLiteral("/copy.library");
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    QFile::copy(libraryStorePath(source), libraryStorePath(target));
    return target;
}

int runBenchmarks(int argc, char** argv) {
    ensureApplication();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

double peakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

OpenLibrary::OpenLibrary(const QString& libraryPath, bool create) {
    QString error;
    std::unique_ptr<ObjectContext> context = openLibraryStore(libraryPath, create, &error);
    if (!context)
        qFatal("bench: %s", qPrintable(error));
    m_store = std::make_unique<CoreDataController>(libraryPath, std::move(context), &m_alerts);
    m_session = std::make_unique<LibrarySession>(*m_store, m_alerts);
}

OpenLibrary::~OpenLibrary() {
    m_session.reset();
}

ObjectContext* OpenLibrary::context() const {
    return m_store->managedObjectContext();
}

} // namespace bench
