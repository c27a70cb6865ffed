#pragma once

#include "Predicate.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class ManagedObject;
class ObjectContext;

// An index of the folded texts ([c]) of some text attributes of one entity's records, for
// filters shaped as the search field makes them: "k1 CONTAINS[c] t" or several such joined
// by OR. Every field is cut into its trigrams (three UTF-16 units of the folded text, the
// last ones padded past its end). A field holding the folded t holds every trigram of t,
// so the records whose fields hold all of them are a superset of the matches; only those
// are evaluated, and of each only the comparisons of the fields that can match, which
// gives exactly the filter's result. A t of one to three units is in a field exactly when
// one of its trigrams starts with t: those records match without being evaluated. Other
// filters and records not (or no longer) indexed are evaluated as they are.
//
// Building: once the records are read the main thread takes a snapshot of the texts
// (shared, not copied) and a worker folds and indexes them. The result comes back to the
// main thread through a queued call, which hands each unchanged record what the worker
// worked out about its texts (ASCII or not, the folded form of the others), a slice of
// records per turn of the event loop, so the first search folds nothing, and then takes
// the index; records changed meanwhile are left out. A
// record changed or inserted later is indexed again on the main thread by the next
// filter when there are a few, by another background build when there are many.
class TextSearchIndex : public QObject {
    Q_OBJECT
public:
    TextSearchIndex(ObjectContext* context, const QString& entityName, const QStringList& keys,
                    QObject* parent = nullptr);
    // Waits for a running build to end; its result is dropped.
    ~TextSearchIndex() override;

    // Starts a build on a worker unless one runs; the index in use stays until it is done.
    void buildInBackground();
    bool isBuilding() const { return m_building; }
    bool isReady() const { return m_index != nullptr; }

    // The objects of candidates, in their order, for which filter holds.
    QList<ManagedObject*> filter(const QList<ManagedObject*>& candidates, const Predicate& filter);

    struct Statistics {
        qsizetype records = 0;  // indexed records, those superseded by a later entry included
        qsizetype trigrams = 0; // distinct trigrams
        qsizetype entries = 0;  // (trigram, record) pairs
        qsizetype bytes = 0;    // memory held by the index
    };
    Statistics statistics() const;

    // Tests: runs on the worker at the start of each build.
    void setWorkerStartHookForTesting(std::function<void()> hook) { m_workerStartHook = std::move(hook); }
    // Tests: the records handed their texts per turn, and a call after each turn but the last.
    void setAdoptionSlicesForTesting(size_t records, std::function<void()> afterSlice) {
        m_adoptedPerTurn = records;
        m_afterSliceHook = std::move(afterSlice);
    }

    struct Index;
    struct Build;

signals:
    // A background build was taken into use.
    void indexReady();

private:
    void finishBuild(const std::shared_ptr<Build>& build);
    void adoptFoldedTexts(const std::shared_ptr<Build>& build);
    void indexAgain(const QList<ManagedObject*>& objects);

    QPointer<ObjectContext> m_context;
    QString m_entityName;
    QStringList m_keys;
    std::vector<int> m_attributeIndexes; // of m_keys, in the entity
    std::unique_ptr<Index> m_index;
    std::thread m_worker;
    std::shared_ptr<Build> m_build;
    bool m_building = false;
    std::function<void()> m_workerStartHook;
    // Records handed their folded texts per turn of the event loop once a build is done.
    size_t m_adoptedPerTurn = 2000;
    std::function<void()> m_afterSliceHook;
};
