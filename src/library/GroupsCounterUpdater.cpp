#include "GroupsCounterUpdater.h"

#include "GroupsManagedObject.h"
#include "RecipesManagedObject.h"
#include "platform/DataModel.h"
#include "platform/KeyValueSource.h"
#include "platform/TextFolding.h"
#include "platform/UserDefaults.h"

#include <QFileInfo>

#include <atomic>

namespace {

// The values of one recipe, copied on the main thread, read by the worker alone. Texts
// are shared with the record until either side changes them. Answers the recipe's keys
// and the two derived ones the group filters use.
class RecipeSnapshot final : public KeyValueSource {
public:
    RecipeSnapshot(const ManagedObject& recipe, std::shared_ptr<const EntityDescription> entity)
        : m_entity(std::move(entity)) {
        const int count = int(m_entity->attributes.size());
        m_values.reserve(count);
        for (int i = 0; i < count; ++i)
            m_values.append(recipe.attributeValue(i));
        m_keywordsArray = recipe.valueForKey(QStringLiteral("keywordsArray"));
        if (const auto* record = dynamic_cast<const RecipesManagedObject*>(&recipe))
            m_firstImagePath = record->imagePathAtIndex(1); // the file is looked at by the worker
        m_folded.resize(size_t(count));
        m_foldedNoMarks.resize(size_t(count));
    }

    QVariant valueForKey(const QString& key) const override {
        const int index = m_entity->attributeIndex(key);
        if (index >= 0)
            return m_values.at(index);
        if (key == QLatin1String("keywordsArray"))
            return m_keywordsArray;
        if (key == QLatin1String("hasFirstImage"))
            return !m_firstImagePath.isEmpty() && QFileInfo::exists(m_firstImagePath);
        return {};
    }

    const QString* foldedTextForKey(const QString& key, bool diacriticInsensitive) const override {
        const int index = m_entity->attributeIndex(key);
        if (index < 0 || m_entity->attributes.at(index).type != AttributeType::Text || m_values.at(index).isNull())
            return nullptr;
        auto& slot = diacriticInsensitive ? m_foldedNoMarks[size_t(index)] : m_folded[size_t(index)];
        if (!slot)
            slot = std::make_unique<QString>(foldedText(m_values.at(index).toString(), diacriticInsensitive));
        return slot.get();
    }

private:
    std::shared_ptr<const EntityDescription> m_entity;
    QVector<QVariant> m_values;
    QVariant m_keywordsArray;
    QString m_firstImagePath;
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
    : QObject(parent), m_context(context) {
    m_checkTimer.setInterval(500);
    m_checkTimer.setSingleShot(false);
    connect(&m_checkTimer, &QTimer::timeout, this, &GroupsCounterUpdater::checkThread);
}

GroupsCounterUpdater::~GroupsCounterUpdater() {
    if (m_worker.joinable())
        m_worker.join();
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
    if (!m_checkTimer.isActive())
        m_checkTimer.start();
}

void GroupsCounterUpdater::checkThread() {
    if (isCounting())
        return;
    finishRun();
    if (m_needToUpdateAgain)
        updateCounterValues();
    else
        m_checkTimer.stop();
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
    for (ManagedObject* group : context->executeFetchRequest(FetchRequest(QStringLiteral("Groups")), &error)) {
        snapshot.groups.push_back(group);
        const auto* record = dynamic_cast<const GroupsManagedObject*>(group);
        snapshot.filters.push_back(snapshot.countMarkedAsNew && record ? record->filterPredicate() : PredicatePtr());
    }
    if (!snapshot.countMarkedAsNew)
        return snapshot;

    static const PredicatePtr markedAsNew = Predicate::parse(QStringLiteral("isMarkedAsNew == YES")).predicate;
    const QList<ManagedObject*> recipes =
        context->executeFetchRequest(FetchRequest(QStringLiteral("Recipes"), markedAsNew), &error);
    if (!error.isEmpty())
        qWarning().noquote() << "the recipes marked as new could not be read for the counters:" << error;
    if (const EntityDescription* entity = context->model().entity(QStringLiteral("Recipes")); entity && !recipes.isEmpty()) {
        // A copy of the description: the worker must not depend on the context staying open.
        auto description = std::make_shared<const EntityDescription>(*entity);
        snapshot.recipes.reserve(size_t(recipes.size()));
        for (const ManagedObject* recipe : recipes)
            snapshot.recipes.push_back(std::make_shared<RecipeSnapshot>(*recipe, description));
    }
    return snapshot;
}

std::vector<int> GroupsCounterUpdater::threadedUpdate(const Snapshot& snapshot) {
    std::vector<int> counts(snapshot.groups.size(), 0);
    if (!snapshot.countMarkedAsNew)
        return counts;
    for (size_t i = 0; i < snapshot.filters.size() && i < counts.size(); ++i) {
        const PredicatePtr& filter = snapshot.filters.at(i);
        if (!filter)
            continue;
        int count = 0;
        for (const auto& recipe : snapshot.recipes)
            if (filter->evaluate(*recipe))
                ++count;
        counts[i] = count;
    }
    return counts;
}
