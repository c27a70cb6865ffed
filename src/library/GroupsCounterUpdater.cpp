#include "GroupsCounterUpdater.h"

#include "GroupsManagedObject.h"
#include "RecipesManagedObject.h"
#include "platform/DataModel.h"
#include "platform/KeyValueSource.h"
#include "platform/Scheduler.h"
#include "platform/TextFolding.h"
#include "platform/UserDefaults.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <optional>

namespace {

// What every recipe of one snapshot shares: the description of its entity (a copy, so
// the worker does not depend on the context staying open) and the library folder.
struct RecipeSnapshotShared {
    EntityDescription entity;
    QString libraryPath;
    int keywordsIndex = -1;
    int uniqueIDIndex = -1;
};

// The values of one recipe, copied on the main thread, read by the worker alone. Texts
// are shared with the record until either side changes them. Answers the recipe's keys
// and the two derived ones the group filters use, worked out by the worker when asked.
class RecipeSnapshot final : public KeyValueSource {
public:
    RecipeSnapshot(const ManagedObject& recipe, std::shared_ptr<const RecipeSnapshotShared> shared)
        : m_shared(std::move(shared)) {
        const int count = int(m_shared->entity.attributes.size());
        m_values.reserve(count);
        for (int i = 0; i < count; ++i)
            m_values.append(recipe.attributeValue(i));
    }

    QVariant valueForKey(const QString& key) const override {
        // Filters hand over interned keys: the derived ones are recognised by their data
        // before any attribute lookup, which would hash them.
        static const QString kKeywordsArray = Predicate::internedKey(QStringLiteral("keywordsArray"));
        static const QString kHasFirstImage = Predicate::internedKey(QStringLiteral("hasFirstImage"));
        if (key.constData() == kKeywordsArray.constData())
            return keywordsArray();
        if (key.constData() == kHasFirstImage.constData())
            return hasFirstImage();
        const int index = m_shared->entity.attributeIndex(key);
        if (index >= 0)
            return m_values.at(index);
        if (key == QLatin1String("keywordsArray"))
            return keywordsArray();
        if (key == QLatin1String("hasFirstImage"))
            return hasFirstImage();
        return {};
    }

    const QString* foldedTextForKey(const QString& key, bool diacriticInsensitive) const override {
        const int index = m_shared->entity.attributeIndex(key);
        if (index < 0 || m_shared->entity.attributes.at(index).type != AttributeType::Text ||
            m_values.at(index).isNull())
            return nullptr;
        auto& cache = diacriticInsensitive ? m_foldedNoMarks : m_folded;
        if (cache.empty())
            cache.resize(size_t(m_values.size()));
        auto& slot = cache[size_t(index)];
        if (!slot)
            slot = std::make_unique<QString>(foldedText(m_values.at(index).toString(), diacriticInsensitive));
        return slot.get();
    }

    // The worker is done with this recipe: what it worked out is not needed again.
    void releaseCaches() const {
        m_folded.clear();
        m_foldedNoMarks.clear();
        m_keywordsArray.reset();
    }

private:
    QVariant value(int index) const { return index >= 0 ? m_values.at(index) : QVariant(); }

    // As RecipesManagedObject::keywordsArray: lower-cased as a whole, split at every ",".
    QVariant keywordsArray() const {
        if (!m_keywordsArray) {
            const QVariant keywords = value(m_shared->keywordsIndex);
            m_keywordsArray = keywords.isNull()
                                  ? QVariant(QStringList())
                                  : QVariant(keywords.toString().toLower().split(QLatin1Char(',')));
        }
        return *m_keywordsArray;
    }

    // As RecipesManagedObject::hasFirstImage: the file of image 1 in the library's Images folder.
    bool hasFirstImage() const {
        const QString uniqueID = value(m_shared->uniqueIDIndex).toString();
        if (!RecipesManagedObject::isSafeFileNamePart(uniqueID))
            return false;
        return QFileInfo::exists(
            QStringLiteral("%1/Images/%2-Image1.jpg").arg(m_shared->libraryPath, uniqueID));
    }

    std::shared_ptr<const RecipeSnapshotShared> m_shared;
    QVector<QVariant> m_values;
    mutable std::optional<QVariant> m_keywordsArray;
    mutable std::vector<std::unique_ptr<QString>> m_folded;
    mutable std::vector<std::unique_ptr<QString>> m_foldedNoMarks;
};

} // namespace

struct GroupsCounterUpdater::Run {
    Snapshot snapshot;
    std::vector<int> counts;
    std::atomic<bool> finished{false};
};

GroupsCounterUpdater::GroupsCounterUpdater(ObjectContext* context, QObject* parent)
    : QObject(parent), m_context(context) {}

GroupsCounterUpdater::~GroupsCounterUpdater() {
    stopCheckTimer();
    waitForWorker();
}

void GroupsCounterUpdater::waitForWorker() {
    if (m_worker.joinable())
        m_worker.join();
}

void GroupsCounterUpdater::startCheckTimer() {
    if (m_checkTimerActive)
        return;
    m_checkTimerActive = true;
    scheduleCheck();
}

void GroupsCounterUpdater::stopCheckTimer() {
    m_checkTimerActive = false;
    Scheduler::instance().cancel(m_checkTick);
    m_checkTick = 0;
}

// One tick of the repeating check; the next one is scheduled after it unless the check
// stopped the timer (or a receiver restarted it, which scheduled its own tick).
void GroupsCounterUpdater::scheduleCheck() {
    m_checkTick = Scheduler::instance().schedule(
        kCheckIntervalSeconds,
        [this] {
            m_checkTick = 0;
            checkThread();
            if (m_checkTimerActive && !m_checkTick)
                scheduleCheck();
        },
        this);
}

bool GroupsCounterUpdater::isCounting() const {
    return m_run && !m_run->finished.load(std::memory_order_acquire);
}

void GroupsCounterUpdater::queUpdateCounterValues() {
    if (isCounting()) {
        m_needToUpdateAgain = true;
        return;
    }
    updateCounterValues();
}

void GroupsCounterUpdater::updateCounterValues() {
    if (isCounting()) { // one worker at a time: this becomes the repeat
        m_needToUpdateAgain = true;
        return;
    }
    finishRun(); // a run that ended before the timer noticed keeps its counts
    if (m_run)   // a receiver of countersUpdated has just started a fresh count
        return;
    m_needToUpdateAgain = false;
    if (!m_context)
        return;

    auto run = std::make_shared<Run>();
    run->snapshot = takeSnapshot(m_context);
    m_run = run;
    ++m_runsStarted;
    m_worker = std::thread([run, hook = m_workerStartHook] {
        if (hook)
            hook();
        run->counts = threadedUpdate(run->snapshot);
        run->finished.store(true, std::memory_order_release);
    });
    startCheckTimer();
}

void GroupsCounterUpdater::checkThread() {
    if (isCounting())
        return;
    finishRun();
    if (m_run) // started by a receiver of countersUpdated; the timer goes on
        return;
    if (m_needToUpdateAgain)
        updateCounterValues();
    else
        stopCheckTimer();
}

void GroupsCounterUpdater::finishRun() {
    if (!m_run)
        return;
    if (m_worker.joinable())
        m_worker.join();
    const std::shared_ptr<Run> run = std::move(m_run);
    m_run.reset();
    for (size_t i = 0; i < run->snapshot.groups.size(); ++i)
        m_counts.insert(run->snapshot.groups.at(i), i < run->counts.size() ? run->counts.at(i) : 0);
    emit countersUpdated();
}

GroupsCounterUpdater::Snapshot GroupsCounterUpdater::takeSnapshot(ObjectContext* context) {
    Snapshot snapshot;
    snapshot.countMarkedAsNew = UserDefaults::boolForKey(QStringLiteral("showMarkedAsNewCounter"));
    QString error;
    for (ManagedObject* group :
         context->executeFetchRequest(FetchRequest(QStringLiteral("Groups")), &error)) {
        snapshot.groups.push_back(group);
        const auto* record = dynamic_cast<const GroupsManagedObject*>(group);
        snapshot.filters.push_back(snapshot.countMarkedAsNew && record ? record->filterPredicate()
                                                                       : PredicatePtr());
    }
    if (!snapshot.countMarkedAsNew)
        return snapshot;

    static const PredicatePtr markedAsNew =
        Predicate::parse(QStringLiteral("isMarkedAsNew == YES")).predicate;
    const QList<ManagedObject*> recipes =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), markedAsNew), &error);
    if (!error.isEmpty())
        qWarning().noquote() << "the recipes marked as new could not be read for the counters:" << error;
    if (const EntityDescription* entity = context->model().entity(QStringLiteral("Recipes"));
        entity && !recipes.isEmpty()) {
        auto shared = std::make_shared<RecipeSnapshotShared>();
        shared->entity = *entity;
        shared->libraryPath = QFileInfo(context->storePath()).absolutePath();
        shared->keywordsIndex = entity->attributeIndex(QStringLiteral("keywords"));
        shared->uniqueIDIndex = entity->attributeIndex(QStringLiteral("uniqueID"));
        snapshot.recipes.reserve(size_t(recipes.size()));
        for (const ManagedObject* recipe : recipes)
            snapshot.recipes.push_back(std::make_shared<const RecipeSnapshot>(*recipe, shared));
    }
    return snapshot;
}

std::vector<int> GroupsCounterUpdater::threadedUpdate(const Snapshot& snapshot) {
    std::vector<int> counts(snapshot.groups.size(), 0);
    if (!snapshot.countMarkedAsNew)
        return counts;
    const size_t groups = std::min(snapshot.filters.size(), counts.size());
    // Recipe by recipe, every group in turn: a recipe's folded texts are made once, used by
    // every filter while they are at hand, and dropped before the next recipe.
    const auto countRange = [&](size_t begin, size_t end, std::vector<int>& into) {
        for (size_t r = begin; r < end; ++r) {
            const auto& source = snapshot.recipes[r];
            for (size_t i = 0; i < groups; ++i) {
                const PredicatePtr& filter = snapshot.filters[i];
                if (filter && filter->evaluate(*source))
                    ++into[i];
            }
            if (const auto* recipe = dynamic_cast<const RecipeSnapshot*>(source.get()))
                recipe->releaseCaches();
        }
    };
    // Many recipes marked as new are shared out between the processors: the filters are
    // immutable and each recipe's copy is read by one thread only.
    const size_t recipes = snapshot.recipes.size();
    const size_t threads = recipes < 2000 ? 1 : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    if (threads == 1) {
        countRange(0, recipes, counts);
        return counts;
    }
    std::vector<std::vector<int>> partial(threads, std::vector<int>(counts.size(), 0));
    std::vector<std::thread> helpers;
    const size_t share = (recipes + threads - 1) / threads;
    for (size_t t = 1; t < threads; ++t)
        helpers.emplace_back(countRange, std::min(recipes, t * share), std::min(recipes, (t + 1) * share),
                             std::ref(partial[t]));
    countRange(0, std::min(recipes, share), partial[0]);
    for (std::thread& helper : helpers)
        helper.join();
    for (const std::vector<int>& part : partial)
        for (size_t i = 0; i < counts.size(); ++i)
            counts[i] += part[i];
    return counts;
}
