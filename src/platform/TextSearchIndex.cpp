#include "TextSearchIndex.h"

#include "ManagedObject.h"
#include "ObjectContext.h"
#include "PredicatePrivate.h"
#include "TextFolding.h"

#include <QTimer>

#include <algorithm>
#include <atomic>
#include <bit>
#include <new>

#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using predicate_detail::Comparison;

namespace {

// A record may have at most this many indexed fields: one bit each in a posting's mask.
constexpr int kMaximumFields = 16;
// More changed records than this are indexed again by a background build.
constexpr qsizetype kMaximumIndexedAtOnce = 500;
constexpr quint64 kEmptySlot = ~quint64(0);
// Pads the end of each indexed text. Searched texts holding this unit are not looked up
// in the index.
constexpr char16_t kEndOfText = 0;

void appendByte(std::vector<quint8>& bytes, quint8 byte) {
    // A quarter more room at a time instead of twice as much, for records indexed after
    // the build (whose postings are sized exactly).
    if (bytes.size() == bytes.capacity())
        bytes.reserve(bytes.capacity() + bytes.capacity() / 4 + 16);
    bytes.push_back(byte);
}

void appendVarint(std::vector<quint8>& bytes, quint64 value) {
    while (value >= 0x80) {
        appendByte(bytes, quint8(value | 0x80));
        value >>= 7;
    }
    appendByte(bytes, quint8(value));
}

quint32 varintSize(quint64 value) {
    quint32 size = 1;
    for (; value >= 0x80; value >>= 7)
        ++size;
    return size;
}

quint64 readVarint(const quint8*& p) {
    quint64 value = 0;
    int shift = 0;
    while (*p & 0x80) {
        value |= quint64(*p++ & 0x7F) << shift;
        shift += 7;
    }
    return value | (quint64(*p++) << shift);
}

// An entry's head: the distance to the previous record times 32 plus a code. Codes below
// kSeveralFields are the number of the record's one field holding the trigram; from
// kSeveralFields on, the record has several, the lowest one being the code's distance from
// kSeveralFields, and a varint of the mask of the others, shifted past it, follows. kRun
// stands for a run of records each right after the previous one with the same mask as
// the entry before the run: the head's upper part is their number less one. Most entries
// are of one field and near the previous record, and a common trigram's are runs: one byte.
constexpr quint32 kSeveralFields = kMaximumFields;
constexpr quint32 kRun = 31;
constexpr int kFieldCodeBits = 5;
static_assert(kSeveralFields + kMaximumFields - 1 == kRun, "the codes fill the head's field bits");

// The records holding one trigram, in ascending order, each with the mask of its fields
// that hold it, as varints (see kSeveralFields).
struct Posting {
    std::vector<quint8> bytes;
    quint32 count = 0;
    quint32 end = 0; // one past the last record appended
    quint32 pendingRecord = 0;
    quint32 pendingMask = 0; // fields of pendingRecord seen so far; 0: nothing pending
    quint32 lastMask = 0;    // of the last record appended
    quint32 run = 0;         // records appended to a run not yet written
};

struct Entry {
    quint32 record;
    quint32 mask;
};

} // namespace

struct TextSearchIndex::Index {
    // Trigram to posting number: open addressing, linear probing, at most half full.
    std::vector<quint64> slotKeys = std::vector<quint64>(1024, kEmptySlot);
    std::vector<quint32> slotPostings = std::vector<quint32>(1024, 0);
    std::vector<Posting> postings;
    std::vector<quint32> touched; // postings with a pending mask
    // By record number; a record indexed again gets a new number and its old one null.
    std::vector<const ManagedObject*> objects;
    std::vector<quint32> versions;
    QHash<const ManagedObject*, quint32> numbers;
    qsizetype superseded = 0;
    // A build indexes its records twice: first to learn each posting's size, then to
    // write it into room of that size, which leaves no room unused and nothing freed.
    // Runs are gathered only while a build passes over the records (records indexed
    // later are written one entry each), and written at the end of each pass.
    bool sizing = false;
    bool gatherRuns = false;
    std::vector<quint32> sizes;
    void startWriting() {
        finishRuns();
        sizing = false;
        for (size_t n = 0; n < postings.size(); ++n) {
            postings[n].bytes.reserve(sizes[n]);
            postings[n].end = 0;
            postings[n].count = 0;
            postings[n].lastMask = 0;
        }
        std::vector<quint32>().swap(sizes);
    }
    void finishRuns() {
        for (size_t n = 0; n < postings.size(); ++n)
            writeRun(n);
    }
    // The trigrams in order with their posting numbers, made when first needed.
    std::vector<std::pair<quint64, quint32>> byKey;

    static size_t slotOf(quint64 key, size_t mask) {
        return size_t((key * 0x9E3779B97F4A7C15ull) >> 20) & mask;
    }

    const Posting* find(quint64 key) const {
        const size_t mask = slotKeys.size() - 1;
        for (size_t slot = slotOf(key, mask);; slot = (slot + 1) & mask) {
            if (slotKeys[slot] == key)
                return &postings[slotPostings[slot]];
            if (slotKeys[slot] == kEmptySlot)
                return nullptr;
        }
    }

    Posting& postingFor(quint64 key) {
        size_t mask = slotKeys.size() - 1;
        size_t slot = slotOf(key, mask);
        for (; slotKeys[slot] != kEmptySlot; slot = (slot + 1) & mask)
            if (slotKeys[slot] == key)
                return postings[slotPostings[slot]];
        if ((postings.size() + 1) * 2 > slotKeys.size()) {
            grow();
            mask = slotKeys.size() - 1;
            for (slot = slotOf(key, mask); slotKeys[slot] != kEmptySlot; slot = (slot + 1) & mask) {
            }
        }
        slotKeys[slot] = key;
        slotPostings[slot] = quint32(postings.size());
        postings.emplace_back();
        return postings.back();
    }

    void grow() {
        std::vector<quint64> keys(slotKeys.size() * 2, kEmptySlot);
        std::vector<quint32> numbersOfSlots(slotKeys.size() * 2, 0);
        const size_t mask = keys.size() - 1;
        for (size_t i = 0; i < slotKeys.size(); ++i) {
            if (slotKeys[i] == kEmptySlot)
                continue;
            size_t slot = slotOf(slotKeys[i], mask);
            while (keys[slot] != kEmptySlot)
                slot = (slot + 1) & mask;
            keys[slot] = slotKeys[i];
            numbersOfSlots[slot] = slotPostings[i];
        }
        slotKeys = std::move(keys);
        slotPostings = std::move(numbersOfSlots);
    }

    // Indexes one field of the record being added; texts that fold like ASCII are
    // lower-cased on the way, which is their folding. The text is followed by two
    // kEndOfText units, so each of its units starts a trigram and every one or two units
    // it holds are the start of one of its trigrams.
    void addField(quint32 record, quint32 fieldBit, QStringView text, bool ascii) {
        const qsizetype size = text.size();
        if (size == 0)
            return;
        const char16_t* t = text.utf16();
        auto unit = [t, size, ascii](qsizetype i) -> quint64 {
            if (i >= size)
                return kEndOfText;
            const char16_t c = t[i];
            return ascii && c >= u'A' && c <= u'Z' ? quint64(c + 32) : quint64(c);
        };
        quint64 key = (unit(0) << 16) | unit(1);
        for (qsizetype i = 2; i < size + 2; ++i) {
            key = ((key << 16) | unit(i)) & 0xFFFFFFFFFFFFull;
            Posting& posting = postingFor(key);
            if (posting.pendingMask == 0 || posting.pendingRecord != record) {
                posting.pendingRecord = record;
                posting.pendingMask = 0;
                touched.push_back(quint32(&posting - postings.data()));
            }
            posting.pendingMask |= fieldBit;
        }
    }

    // Writes the masks gathered for the record into the postings.
    // While sizing, only counts the bytes each posting will take (sizes, by posting).
    void finishRecord() {
        if (sizing && sizes.size() < postings.size())
            sizes.resize(postings.size(), 0);
        for (quint32 number : touched) {
            Posting& posting = postings[number];
            if (posting.pendingMask == 0)
                continue;
            if (gatherRuns && posting.count > 0 && posting.pendingRecord == posting.end &&
                posting.pendingMask == posting.lastMask) {
                ++posting.run;
            } else {
                writeRun(number);
                const quint64 distance = quint64(posting.pendingRecord - posting.end) << kFieldCodeBits;
                const quint32 mask = posting.pendingMask;
                const quint32 lowest = quint32(std::countr_zero(mask));
                const quint32 others = mask >> (lowest + 1);
                writeVarint(number, distance | (others ? kSeveralFields + lowest : lowest));
                if (others)
                    writeVarint(number, others);
                posting.lastMask = mask;
            }
            posting.end = posting.pendingRecord + 1;
            ++posting.count;
            posting.pendingMask = 0;
        }
        touched.clear();
    }

    void writeVarint(size_t number, quint64 value) {
        if (sizing)
            sizes[number] += varintSize(value);
        else
            appendVarint(postings[number].bytes, value);
    }

    void writeRun(size_t number) {
        Posting& posting = postings[number];
        if (posting.run == 0)
            return;
        writeVarint(number, (quint64(posting.run - 1) << kFieldCodeBits) | kRun);
        posting.run = 0;
    }

    quint32 beginRecord(const ManagedObject* object, quint32 version) {
        const quint32 record = quint32(objects.size());
        objects.push_back(object);
        versions.push_back(version);
        numbers.insert(object, record);
        return record;
    }

    void supersede(quint32 record) {
        numbers.remove(objects[record]);
        objects[record] = nullptr;
        ++superseded;
    }

    static std::vector<Entry> decode(const Posting& posting, quint32 fields) {
        std::vector<Entry> entries;
        entries.reserve(posting.count);
        for (Cursor cursor(posting); cursor.valid; cursor.next())
            if (const quint32 mask = cursor.mask & fields)
                entries.push_back({cursor.record, mask});
        return entries;
    }

    // The records whose fields (among fields) hold every trigram of needle (three units
    // or more), each with the mask of those fields.
    std::vector<Entry> candidates(const QString& needle, quint32 fields) const {
        std::vector<const Posting*> lists;
        const char16_t* t = reinterpret_cast<const char16_t*>(needle.constData());
        for (qsizetype i = 0; i + 2 < needle.size(); ++i) {
            const quint64 key = (quint64(t[i]) << 32) | (quint64(t[i + 1]) << 16) | quint64(t[i + 2]);
            const Posting* posting = find(key);
            if (!posting)
                return {};
            if (std::find(lists.begin(), lists.end(), posting) == lists.end())
                lists.push_back(posting);
        }
        std::sort(lists.begin(), lists.end(),
                  [](const Posting* a, const Posting* b) { return a->count < b->count; });
        std::vector<Entry> kept = decode(*lists.front(), fields);
        for (size_t l = 1; l < lists.size() && !kept.empty(); ++l) {
            Cursor cursor(*lists[l]);
            size_t out = 0;
            for (const Entry& entry : kept) {
                while (cursor.valid && cursor.record < entry.record)
                    cursor.next();
                if (!cursor.valid)
                    break;
                const quint32 mask = cursor.record == entry.record ? (cursor.mask & entry.mask) : 0;
                if (mask)
                    kept[out++] = {entry.record, mask};
            }
            kept.resize(out);
        }
        return kept;
    }

    // The postings of the trigrams starting with prefix (one or two units), for texts
    // too short to have trigrams of their own: a field holds prefix exactly when it holds
    // one of these trigrams. Each record with the mask of its fields (among fields) that
    // hold it goes into masks, by record number.
    void orPrefixMasks(QStringView prefix, quint32 fields, std::vector<quint32>& masks) {
        if (byKey.size() != postings.size()) {
            // Sorted by trigram once, and again after texts indexed later added trigrams.
            byKey.clear();
            byKey.reserve(postings.size());
            for (size_t slot = 0; slot < slotKeys.size(); ++slot)
                if (slotKeys[slot] != kEmptySlot)
                    byKey.push_back({slotKeys[slot], slotPostings[slot]});
            std::sort(byKey.begin(), byKey.end());
        }
        const int shift = prefix.size() == 1 ? 32 : 16;
        quint64 first = quint64(prefix[0].unicode()) << 32;
        if (prefix.size() == 2)
            first |= quint64(prefix[1].unicode()) << 16;
        const quint64 last = first + (quint64(1) << shift) - 1;
        auto it = std::lower_bound(byKey.begin(), byKey.end(), std::pair<quint64, quint32>(first, 0));
        for (; it != byKey.end() && it->first <= last; ++it)
            for (Cursor cursor(postings[it->second]); cursor.valid; cursor.next())
                masks[cursor.record] |= cursor.mask & fields;
    }

    // Reads a posting record by record.
    struct Cursor {
        explicit Cursor(const Posting& posting) : p(posting.bytes.data()), left(posting.count) { next(); }
        void next() {
            valid = left > 0;
            if (!valid)
                return;
            --left;
            if (run > 0) {
                --run;
                record = end++;
                return;
            }
            const quint64 head = readVarint(p);
            const quint32 code = quint32(head) & ((1u << kFieldCodeBits) - 1);
            if (code == kRun) {
                run = quint32(head >> kFieldCodeBits);
                record = end++;
                return;
            }
            record = end + quint32(head >> kFieldCodeBits);
            if (code < kSeveralFields) {
                mask = quint32(1) << code;
            } else {
                const quint32 lowest = code - kSeveralFields;
                mask = (quint32(1) << lowest) | (quint32(readVarint(p)) << (lowest + 1));
            }
            end = record + 1;
        }
        const quint8* p;
        quint32 left;
        quint32 run = 0; // records of the current run still to come
        quint32 end = 0;
        quint32 record = 0;
        quint32 mask = 0;
        bool valid = false;
    };

    qsizetype bytes() const {
        qsizetype total = qsizetype(
            slotKeys.capacity() * sizeof(quint64) + slotPostings.capacity() * sizeof(quint32) +
            postings.capacity() * sizeof(Posting) + objects.capacity() * sizeof(const ManagedObject*) +
            versions.capacity() * sizeof(quint32) + byKey.capacity() * sizeof(std::pair<quint64, quint32>));
        for (const Posting& posting : postings)
            total += qsizetype(posting.bytes.capacity());
        // A hash node holds the key, the value and the bucket's links.
        total += numbers.size() * qsizetype(sizeof(void*) * 2 + sizeof(quint32) + 8);
        return total;
    }
};

namespace {

// Room taken from the system directly and given back to it when freed. The heap would keep
// what the main thread allocated and the worker frees until it is trimmed, while the index
// grows in the worker's own arena.
template <class T> struct MappedAllocator {
    using value_type = T;
    MappedAllocator() = default;
    template <class U> MappedAllocator(const MappedAllocator<U>&) {}
    T* allocate(size_t n) {
        void* room = mmap(nullptr, n * sizeof(T), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (room == MAP_FAILED)
            throw std::bad_alloc();
        return static_cast<T*>(room);
    }
    void deallocate(T* room, size_t n) { munmap(room, n * sizeof(T)); }
    template <class U> bool operator==(const MappedAllocator<U>&) const { return true; }
};

} // namespace

// One background build: the snapshot taken on the main thread, and what the worker made
// of it. The main thread reads the results only after the worker has ended.
struct TextSearchIndex::Build {
    std::vector<const ManagedObject*> objects;
    std::vector<quint32> versions;
    // Objects x fields, shared with the records (null: no text), in parts of kPartRecords
    // records, each dropped once indexed so that the snapshot shrinks as the index grows.
    static constexpr size_t kPartRecords = 1024;
    std::vector<std::vector<QString, MappedAllocator<QString>>> texts;
    void appendText(size_t record, QString text, size_t fields) {
        if (record % kPartRecords == 0 && texts.size() <= record / kPartRecords) {
            texts.emplace_back();
            texts.back().reserve(kPartRecords * fields);
        }
        texts.back().push_back(std::move(text));
    }
    std::vector<quint8> ascii; // the same shape: whether the text folds like ASCII
    // The folded form of the others, by position in texts, in its order: few in most
    // libraries, so not one (empty) string for each text.
    std::vector<std::pair<size_t, QString>> folded;
    // How far the main thread got in handing the records their texts: records, and folded.
    size_t adopted = 0;
    size_t foldedAt = 0;
    std::unique_ptr<Index> index; // built by the worker
    std::atomic<bool> cancelled{false};

    void run(size_t fields) {
        index = std::make_unique<Index>();
        index->objects.reserve(objects.size());
        index->versions.reserve(objects.size());
        index->numbers.reserve(qsizetype(objects.size()));
        ascii.resize(objects.size() * fields);
        index->sizing = true;
        index->gatherRuns = true;
        for (size_t r = 0; r < objects.size() && !cancelled.load(std::memory_order_relaxed); ++r) {
            const quint32 record = index->beginRecord(objects[r], versions[r]);
            const auto& part = texts[r / kPartRecords];
            for (size_t f = 0; f < fields; ++f) {
                const size_t i = r * fields + f;
                const QString& text = part[(r % kPartRecords) * fields + f];
                if (text.isNull())
                    continue;
                ascii[i] = foldsLikeAscii(text) ? 1 : 0;
                if (ascii[i]) {
                    index->addField(record, quint32(1) << f, text, true);
                } else {
                    folded.emplace_back(i, foldedText(text, false));
                    index->addField(record, quint32(1) << f, folded.back().second, false);
                }
            }
            index->finishRecord();
        }
        if (cancelled.load())
            return;
        index->startWriting();
        auto nextFolded = folded.cbegin();
        for (size_t r = 0; r < objects.size() && !cancelled.load(std::memory_order_relaxed); ++r) {
            auto& part = texts[r / kPartRecords];
            for (size_t f = 0; f < fields; ++f) {
                const size_t i = r * fields + f;
                const QString& text = part[(r % kPartRecords) * fields + f];
                if (text.isNull())
                    continue;
                if (ascii[i]) {
                    index->addField(quint32(r), quint32(1) << f, text, true);
                } else {
                    index->addField(quint32(r), quint32(1) << f, nextFolded->second, false);
                    ++nextFolded;
                }
            }
            index->finishRecord();
            if ((r + 1) % kPartRecords == 0)
                std::remove_reference_t<decltype(part)>().swap(part);
        }
        index->finishRuns();
        index->gatherRuns = false;
        texts.clear();
        texts.shrink_to_fit();
    }
};

TextSearchIndex::TextSearchIndex(ObjectContext* context, const QString& entityName, const QStringList& keys,
                                 QObject* parent)
    : QObject(parent), m_context(context), m_entityName(entityName) {
    const EntityDescription* entity = context ? context->model().entity(entityName) : nullptr;
    for (const QString& key : keys) {
        const int index = entity ? entity->attributeIndex(key) : -1;
        if (index < 0 || entity->attributes.at(index).type != AttributeType::Text ||
            m_keys.size() == kMaximumFields)
            continue; // a key the index cannot hold: filters reading it are evaluated as they are
        m_keys.append(Predicate::internedKey(key));
        m_attributeIndexes.push_back(index);
    }
}

TextSearchIndex::~TextSearchIndex() {
    if (m_build)
        m_build->cancelled.store(true);
    if (m_worker.joinable())
        m_worker.join();
}

void TextSearchIndex::buildInBackground() {
    if (m_building || !m_context || m_keys.isEmpty())
        return;
    QString error;
    const QList<ManagedObject*> objects = m_context->executeFetchRequest(FetchRequest(m_entityName), &error);
    auto build = std::make_shared<Build>();
    const size_t fields = size_t(m_keys.size());
    build->objects.reserve(size_t(objects.size()));
    build->versions.reserve(size_t(objects.size()));
    for (const ManagedObject* object : objects) {
        const size_t record = build->objects.size();
        build->objects.push_back(object);
        build->versions.push_back(object->valuesVersion());
        for (int attribute : m_attributeIndexes) {
            const QVariant value = object->attributeValue(attribute);
            build->appendText(record, value.typeId() == QMetaType::QString ? value.toString() : QString(),
                              fields);
        }
    }
    if (m_worker.joinable())
        m_worker.join();
    m_build = build;
    m_building = true;
    m_worker = std::thread([this, build, fields, hook = m_workerStartHook] {
        if (hook)
            hook();
        build->run(fields);
        // The object outlives the worker (its destructor joins it); a call queued to an
        // object that is gone meanwhile is dropped by Qt.
        QMetaObject::invokeMethod(
            this, [this, build] { finishBuild(build); }, Qt::QueuedConnection);
    });
}

void TextSearchIndex::finishBuild(const std::shared_ptr<Build>& build) {
    if (build != m_build)
        return;
    if (m_worker.joinable())
        m_worker.join();
    adoptFoldedTexts(build);
}

void TextSearchIndex::adoptFoldedTexts(const std::shared_ptr<Build>& build) {
    if (build != m_build)
        return;
    if (!m_context || build->cancelled.load()) {
        m_build.reset();
        m_building = false;
        return;
    }
    // A slice of the records per turn of the event loop: handing 20,000 records their texts
    // at once held the main thread for a frame and more (a strip being scrolled stuttered).
    // The index is not in use before the last slice; a record adopted in an earlier slice
    // and changed since is told by its version when searched, and indexed again then.
    const size_t fields = size_t(m_keys.size());
    Index& index = *build->index;
    const size_t end = std::min(build->adopted + m_adoptedPerTurn, build->objects.size());
    auto folded = build->folded.cbegin() + qsizetype(build->foldedAt);
    for (size_t r = build->adopted; r < end; ++r) {
        const ManagedObject* object = build->objects[r];
        if (object->valuesVersion() != build->versions[r]) {
            index.supersede(quint32(r)); // changed meanwhile: indexed again when next searched
            continue;
        }
        for (size_t f = 0; f < fields; ++f) {
            const size_t i = r * fields + f;
            while (folded != build->folded.cend() && folded->first < i)
                ++folded;
            const bool hasFolded = folded != build->folded.cend() && folded->first == i;
            if (!object->attributeValue(m_attributeIndexes[f]).isNull())
                object->adoptFoldedText(m_attributeIndexes[f], build->ascii[i] != 0,
                                        hasFolded ? folded->second : QString());
        }
    }
    build->adopted = end;
    build->foldedAt = size_t(folded - build->folded.cbegin());
    if (end < build->objects.size()) {
        if (m_afterSliceHook)
            m_afterSliceHook();
        QTimer::singleShot(0, this, [this, build] { adoptFoldedTexts(build); });
        return;
    }
    m_build.reset();
    m_building = false;
    m_index = std::move(build->index);
    // What the build holds besides goes before the memory is handed back.
    decltype(build->folded)().swap(build->folded);
    decltype(build->ascii)().swap(build->ascii);
#if defined(__GLIBC__)
    // The worker worked in an arena of its own: what it freed on the way (the postings'
    // sizes, the tables outgrown) goes back to the system instead of staying with the process.
    malloc_trim(0);
#endif
    emit indexReady();
}

void TextSearchIndex::indexAgain(const QList<ManagedObject*>& objects) {
    Index& index = *m_index;
    for (const ManagedObject* object : objects) {
        const auto it = index.numbers.constFind(object);
        if (it != index.numbers.constEnd())
            index.supersede(*it);
        const quint32 record = index.beginRecord(object, object->valuesVersion());
        for (qsizetype f = 0; f < m_keys.size(); ++f) {
            const QString& key = m_keys.at(f);
            if (const QString* ascii = object->asciiTextForKey(key))
                index.addField(record, quint32(1) << f, *ascii, true);
            else if (const QString* folded = object->foldedTextForKey(key, false))
                index.addField(record, quint32(1) << f, *folded, false);
        }
        index.finishRecord();
    }
}

QList<ManagedObject*> TextSearchIndex::filter(const QList<ManagedObject*>& candidates,
                                              const Predicate& filter) {
    auto evaluateAll = [&] {
        QList<ManagedObject*> kept;
        kept.reserve(candidates.size());
        for (ManagedObject* object : candidates)
            if (filter.evaluate(*object))
                kept.append(object);
        return kept;
    };
    if (!m_index)
        return evaluateAll();

    // The filter's shape: comparisons "key CONTAINS[c] text" of indexed keys joined by OR.
    struct Step {
        const Predicate* predicate;
        quint32 fieldBit;
        qsizetype needle;
    };
    std::vector<Step> steps;
    QStringList needles;
    const bool isOr = filter.kind() == Predicate::Kind::Or;
    const qsizetype count = isOr ? filter.subpredicates().size() : 1;
    for (qsizetype i = 0; i < count; ++i) {
        const Predicate* sub = isOr ? filter.subpredicates().at(i).get() : &filter;
        const Comparison* c = sub->comparisonNode();
        if (!c || c->op != predicate_detail::Operator::Contains ||
            c->quantifier != predicate_detail::Quantifier::Single ||
            c->modifiers != predicate_detail::CaseInsensitive ||
            c->left.kind != predicate_detail::Expression::Kind::KeyPath || c->left.path.size() != 1 ||
            !c->preparedRight || !c->preparedRight->isText || c->preparedRight->foldedText.isEmpty() ||
            c->preparedRight->foldedText.contains(QChar(kEndOfText)))
            return evaluateAll();
        const qsizetype field = m_keys.indexOf(c->left.path.front());
        if (field < 0)
            return evaluateAll();
        qsizetype needle = needles.indexOf(c->preparedRight->foldedText);
        if (needle < 0) {
            needle = needles.size();
            needles.append(c->preparedRight->foldedText);
        }
        steps.push_back({sub, quint32(1) << field, needle});
    }

    // Per record number, the fields that may match. A text of at most three units is in
    // a field exactly when the field holds the trigram or a trigram starting with it: those
    // fields match, which needs no evaluation. Longer texts are evaluated in the fields
    // holding all their trigrams.
    std::vector<quint32> masks(m_index->objects.size(), 0);
    std::vector<quint32> matches(m_index->objects.size(), 0); // fields known to match

    for (qsizetype n = 0; n < needles.size(); ++n) {
        quint32 fields = 0;
        for (const Step& step : steps)
            if (step.needle == n)
                fields |= step.fieldBit;
        const QString& needle = needles.at(n);
        std::vector<quint32>& found = needle.size() <= 3 ? matches : masks;
        if (needle.size() < 3) {
            m_index->orPrefixMasks(needle, fields, found);
        } else {
            for (const Entry& entry : m_index->candidates(needle, fields))
                found[entry.record] |= entry.mask;
        }
    }

    QList<ManagedObject*> kept;
    QList<ManagedObject*> notIndexed;
    for (ManagedObject* object : candidates) {
        const auto it = m_index->numbers.constFind(object);
        if (it == m_index->numbers.constEnd() || m_index->versions[*it] != object->valuesVersion()) {
            notIndexed.append(object);
            if (filter.evaluate(*object))
                kept.append(object);
            continue;
        }
        if (matches[*it]) {
            kept.append(object);
            continue;
        }
        const quint32 mask = masks[*it];
        if (!mask)
            continue;
        // A comparison of a field without every trigram of its text is false: the others
        // decide, with the filter's own evaluation.
        for (const Step& step : steps) {
            if ((mask & step.fieldBit) && step.predicate->evaluate(*object)) {
                kept.append(object);
                break;
            }
        }
    }

    if (notIndexed.size() > kMaximumIndexedAtOnce ||
        m_index->superseded > qsizetype(m_index->objects.size() / 2))
        buildInBackground();
    else if (!notIndexed.isEmpty())
        indexAgain(notIndexed);
    return kept;
}

TextSearchIndex::Statistics TextSearchIndex::statistics() const {
    Statistics statistics;
    if (!m_index)
        return statistics;
    statistics.records = qsizetype(m_index->objects.size());
    statistics.trigrams = qsizetype(m_index->postings.size());
    for (const Posting& posting : m_index->postings)
        statistics.entries += posting.count;
    statistics.bytes = m_index->bytes();
    return statistics;
}
