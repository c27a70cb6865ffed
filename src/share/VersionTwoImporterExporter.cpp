#include "VersionTwoImporterExporter.h"

#include "library/AppController.h"
#include "library/CoreDataController.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/Alerts.h"
#include "platform/DataModel.h"
#include "platform/Jpeg2000Decoder.h"
#include "platform/ObjectContext.h"
#include "platform/PropertyList.h"
#include "platform/StructuredText.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>
#include <QTimer>
#include <QtDebug>

#include <algorithm>
#include <climits>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

const QString kModelVersion = QStringLiteral("modelVersion");
const QString kDirections = QStringLiteral("directions");
const QString kIngredientsArray = QStringLiteral("ingredientsArray");
const QString kPrivateNotes = QStringLiteral("privateNotes");
const QString kTwoPointZero = QStringLiteral("2.0");

// Copied from a current-generation dictionary whenever present.
const QStringList kCurrentKeys = {QStringLiteral("attribution"),
                                  QStringLiteral("cookingTime"),
                                  QStringLiteral("cuisine"),
                                  QStringLiteral("difficulty"),
                                  kDirections,
                                  QStringLiteral("importedFromURL"),
                                  QStringLiteral("inactivePrepTime"),
                                  kIngredientsArray,
                                  QStringLiteral("keywords"),
                                  QStringLiteral("name"),
                                  QStringLiteral("notes"),
                                  QStringLiteral("prepTime"),
                                  QStringLiteral("recipeDescription"),
                                  QStringLiteral("videoURL"),
                                  QStringLiteral("yield")};

// Copied only with the all-details option.
const QStringList kCurrentPersonalKeys = {QStringLiteral("dateCreated"),     QStringLiteral("dateUpdated"),
                                          QStringLiteral("hasBeenPrepared"), QStringLiteral("isFlagged"),
                                          QStringLiteral("isMarkedAsNew"),   kPrivateNotes,
                                          QStringLiteral("rating")};

// "2.0": the same plain keys except the two converted ones, and no flag.
const QStringList kTwoPointZeroKeys = {QStringLiteral("attribution"),
                                       QStringLiteral("cookingTime"),
                                       QStringLiteral("cuisine"),
                                       QStringLiteral("difficulty"),
                                       QStringLiteral("importedFromURL"),
                                       QStringLiteral("inactivePrepTime"),
                                       QStringLiteral("keywords"),
                                       QStringLiteral("name"),
                                       QStringLiteral("notes"),
                                       QStringLiteral("prepTime"),
                                       QStringLiteral("recipeDescription"),
                                       QStringLiteral("videoURL"),
                                       QStringLiteral("yield")};

const QStringList kTwoPointZeroPersonalKeys = {QStringLiteral("dateCreated"),
                                               QStringLiteral("dateUpdated"),
                                               QStringLiteral("hasBeenPrepared"),
                                               QStringLiteral("isMarkedAsNew"),
                                               kPrivateNotes,
                                               QStringLiteral("rating")};

const QStringList kTwoPointZeroImageKeys = {QStringLiteral("firstImage"), QStringLiteral("secondImage"),
                                            QStringLiteral("thirdImage"), QStringLiteral("forthImage"),
                                            QStringLiteral("fifthImage")};

// Written by the exporter whenever set (privateNotes only with the all-details option).
const QStringList kExportKeys = {QStringLiteral("attribution"),
                                 QStringLiteral("cookingTime"),
                                 QStringLiteral("cuisine"),
                                 QStringLiteral("dateCreated"),
                                 QStringLiteral("dateUpdated"),
                                 QStringLiteral("difficulty"),
                                 kDirections,
                                 QStringLiteral("hasBeenPrepared"),
                                 QStringLiteral("importedFromURL"),
                                 QStringLiteral("inactivePrepTime"),
                                 kIngredientsArray,
                                 QStringLiteral("isFlagged"),
                                 QStringLiteral("isMarkedAsNew"),
                                 QStringLiteral("keywords"),
                                 QStringLiteral("name"),
                                 QStringLiteral("notes"),
                                 QStringLiteral("prepTime"),
                                 QStringLiteral("rating"),
                                 QStringLiteral("recipeDescription"),
                                 QStringLiteral("videoURL"),
                                 QStringLiteral("yield")};

constexpr int kImportedImageCount = 12;
// The JPEG quality of pictures that came as JPEG 2000.
constexpr int kJpeg2000Quality = 90;
constexpr int kExportedImageCount = 11;

bool isIntegerType(int typeId) {
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

// Whether a property-list value fits an attribute of that kind.
bool fitsAttribute(const QVariant& value, AttributeType type) {
    const int typeId = value.typeId();
    switch (type) {
    case AttributeType::Text:
        return typeId == QMetaType::QString;
    case AttributeType::Integer:
        return isIntegerType(typeId);
    case AttributeType::Float:
        return isIntegerType(typeId) || typeId == QMetaType::Double;
    case AttributeType::Boolean:
        return typeId == QMetaType::Bool || isIntegerType(typeId);
    case AttributeType::Date:
        return typeId == QMetaType::QDateTime && value.toDateTime().isValid();
    case AttributeType::Data:
        return typeId == QMetaType::QByteArray;
    }
    return false;
}

// The picture format of data, told by its first bytes and confirmed by Qt's reader for that
// format; empty when the data is not a picture the pages and printing can show.
QByteArray pictureFormat(const QByteArray& data) {
    QByteArray format;
    if (data.startsWith("\xFF\xD8\xFF"))
        format = "jpeg";
    else if (data.startsWith("\x89PNG\r\n\x1A\n"))
        format = "png";
    else if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        format = "gif";
    else if (data.startsWith("BM"))
        format = "bmp";
    else if (data.startsWith(QByteArray("II*\0", 4)) || data.startsWith(QByteArray("MM\0*", 4)))
        format = "tiff";
    else if (data.startsWith("RIFF") && data.mid(8, 4) == "WEBP")
        format = "webp";
    if (format.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    // The header must read too (a JPEG start marker alone is not a picture).
    QImageReader reader(&buffer, format);
    return reader.canRead() && reader.size().isValid() ? format : QByteArray();
}

// The text of column i of a "2.0" row; a missing column or one that is not a text reads
// as empty.
QString columnText(const QVariantList& row, int i) {
    if (i >= row.size() || row.at(i).typeId() != QMetaType::QString)
        return {};
    return row.at(i).toString();
}

// "2.0" rows (quantity, measurement, name, method, group-title flag) as ingredient records.
QVariantList ingredientRecordsFromRows(const QVariantList& rows) {
    QVariantList records;
    records.reserve(rows.size());
    for (const QVariant& rowValue : rows) {
        if (rowValue.typeId() != QMetaType::QVariantList) {
            qWarning("VersionTwoImporterExporter: an ingredient row that is not a list was skipped");
            continue;
        }
        const QVariantList row = rowValue.toList();
        const QString quantity = columnText(row, 0);
        const QString measurement = columnText(row, 1);
        const QString name = columnText(row, 2);
        const QString method = columnText(row, 3);
        const bool groupTitle = columnText(row, 4) == QLatin1String("YES");
        QVariantMap record;
        if (!groupTitle && !quantity.isEmpty())
            record.insert(QStringLiteral("quantity"), quantity);
        if (!measurement.isEmpty())
            record.insert(QStringLiteral("measurement"), measurement);
        if (!name.isEmpty())
            record.insert(QStringLiteral("name"), name);
        if (!method.isEmpty())
            record.insert(QStringLiteral("method"), method);
        if (groupTitle) {
            record.insert(QStringLiteral("name"), quantity);
            record.insert(QStringLiteral("isGroupTitle"), true);
        }
        record.insert(QStringLiteral("randomNumber"), IngredientRecords::newRandomNumber());
        records.append(record);
    }
    return records;
}

QString fileNameOf(const QString& path) {
    return QFileInfo(QDir::cleanPath(QFileInfo(path).absoluteFilePath())).fileName();
}

} // namespace

// Reads an exchange file on a worker thread while the main thread makes the recipes and
// writes their pictures. The worker first checks the markup of the whole file (and so
// counts its entries), then decodes the entries one after another; it touches no record.
// At most kAhead decoded entries wait, so memory stays bounded however large the file.
class VersionTwoImporterExporter::ReadAhead {
public:
    explicit ReadAhead(QString path) : m_path(std::move(path)), m_thread([this] { run(); }) {}
    ~ReadAhead() {
        {
            std::lock_guard lock(m_mutex);
            m_cancelled = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The number of entries once the markup was checked (waiting for it); -1 when the file
    // could not be read.
    qsizetype count() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_count >= 0 || m_done; });
        return m_count;
    }
    // The count when already known, else -1 without waiting.
    qsizetype countIfKnown() {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

    enum class Next { Entry, NotYet, End };
    // The next entry in file order (invalid for one too large to read). Waiting: blocks
    // until one is decoded; otherwise answers NotYet when none is ready. End after the last
    // one or after a fault.
    Next next(QVariant* element, bool waiting) {
        std::unique_lock lock(m_mutex);
        if (waiting)
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_done; });
        if (m_queue.empty())
            return m_done ? Next::End : Next::NotYet;
        *element = std::move(m_queue.front());
        m_queue.pop_front();
        m_changed.notify_all();
        return Next::Entry;
    }
    // After End: whether the whole file was read, or why not.
    bool finish(QString* error) {
        std::lock_guard lock(m_mutex);
        *error = m_error;
        return m_ok;
    }

private:
    static constexpr size_t kAhead = 16;

    void run() {
        QString error;
        const qsizetype count = propertyListArrayFileCount(m_path, &error, true);
        {
            std::lock_guard lock(m_mutex);
            m_count = count;
            if (count < 0) {
                m_error = error;
                m_done = true;
            }
        }
        m_changed.notify_all();
        if (count < 0)
            return;
        const auto push = [this](const QVariant& element) {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_queue.size() < kAhead || m_cancelled; });
            if (m_cancelled)
                return false;
            m_queue.push_back(element);
            m_changed.notify_all();
            return true;
        };
        // An entry too large to read is handed on as an invalid value (a decoded one is
        // never invalid), so it is counted in file order.
        const bool ok = readPropertyListArrayFile(m_path, push, &error, [&push] { return push(QVariant()); });
        {
            std::lock_guard lock(m_mutex);
            m_ok = ok;
            m_error = error;
            m_done = true;
        }
        m_changed.notify_all();
    }

    const QString m_path;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QVariant> m_queue;
    qsizetype m_count = -1;
    bool m_cancelled = false;
    bool m_done = false;
    bool m_ok = false;
    QString m_error;
    std::thread m_thread; // last: starts once everything above exists
};

VersionTwoImporterExporter::VersionTwoImporterExporter(LibrarySession* session, ProgressView* progressView)
    : DialogWithProgressbarController(progressView),
      m_session(LibrarySession::require(session, "VersionTwoImporterExporter")),
      m_context(m_session.context()), m_alerts(&m_session.alerts()) {}

VersionTwoImporterExporter::~VersionTwoImporterExporter() = default;

QString VersionTwoImporterExporter::normalizedImageMarkers(const QString& directions) {
    static const char* const kOldMarkers[] = {"FirstImage", "SecondImage", "ThirdImage", "FourthImage",
                                              "FifthImage"};
    QString text = directions;
    for (int i = 0; i < 5; ++i)
        text.replace(QLatin1String(kOldMarkers[i]), QStringLiteral("[%1]").arg(i + 1), Qt::CaseSensitive);
    return text;
}

QString VersionTwoImporterExporter::upgradeMessageText(const QString& version) {
    return VersionTwoImporterExporter::tr(
               "You need to upgrade to version %1 or greater to import this recipe file.")
        .arg(version);
}

QString VersionTwoImporterExporter::upgradeInformativeText() {
    return VersionTwoImporterExporter::tr("Click the Larkspoon! menu and select “Check for Updates...”");
}

QString VersionTwoImporterExporter::missingVersionMessageText() {
    return VersionTwoImporterExporter::tr(
        "This recipe file cannot be imported: a recipe in it has no version (modelVersion).");
}

QString VersionTwoImporterExporter::versionNotTextMessageText(const QVariant& version) {
    const QMetaType::Type type = static_cast<QMetaType::Type>(version.typeId());
    const bool number = type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::UInt ||
                        type == QMetaType::ULongLong || type == QMetaType::Double;
    const QString shown = number ? version.toString() : QString();
    if (shown.isEmpty())
        return VersionTwoImporterExporter::tr(
            "This recipe file cannot be imported: the version (modelVersion) "
            "of a recipe in it is not written as text.");
    return VersionTwoImporterExporter::tr("This recipe file cannot be imported: the version (modelVersion) "
                                          "%1 of a recipe in it is a number, not written as text.")
        .arg(shown);
}

QString VersionTwoImporterExporter::damagedFileInformativeText() {
    return VersionTwoImporterExporter::tr("The file may be damaged or written by another program.");
}

// ---------------------------------------------------------------------------------------
// Import

void VersionTwoImporterExporter::importDataFile(const QString& path) {
    if (!beginImportDataFile(path))
        return;
    while (importNextBatch(kImportBatchSize, true)) {
    }
}

bool VersionTwoImporterExporter::beginImportDataFile(const QString& path) {
    m_entries.reset();
    m_importedRecipes.clear();
    m_stagedPictures.clear();
    m_result = ExchangeImportResult();
    if (!QFileInfo(path).isFile()) {
        m_result.readError = VersionTwoImporterExporter::tr("There is no file at %1.").arg(path);
        return false;
    }
    // The worker checks the markup of the whole file first (which gives the count for the
    // bar), so a file cut short or damaged anywhere in its structure imports nothing.
    m_entries = std::make_unique<ReadAhead>(path);
    m_dialogOpened = false;
    m_maximumShown = false;
    return true;
}

bool VersionTwoImporterExporter::importNextBatch(int maximum, bool waiting) {
    if (!m_entries || m_inBatch)
        return m_entries != nullptr;
    m_inBatch = true;
    const bool more = importBatch(maximum, waiting);
    m_inBatch = false;
    if (more && m_stopRequested) {
        stopImport();
        return false;
    }
    return more;
}

bool VersionTwoImporterExporter::importBatch(int maximum, bool waiting) {
    if (!m_dialogOpened) {
        // The dialog opens with the count when it is known (at once when waiting), else
        // with a busy bar that gets its maximum later.
        const qsizetype count = waiting ? m_entries->count() : m_entries->countIfKnown();
        m_dialogOpened = true;
        m_maximumShown = count >= 0;
        beginImport(int(std::clamp<qsizetype>(count, 0, INT_MAX)));
    } else {
        showMaximumWhenKnown();
    }
    for (int taken = 0; taken < maximum; ++taken) {
        QVariant element;
        switch (m_entries->next(&element, waiting)) {
        case ReadAhead::Next::NotYet:
            return true;
        case ReadAhead::Next::End:
            endOfEntries();
            return false;
        case ReadAhead::Next::Entry:
            if (!importElement(element)) {
                m_entries.reset(); // the upgrade alert ended the import
                return false;
            }
            if (m_stopRequested)
                return true; // stopped from inside this batch: ended by the caller
            break;
        }
    }
    return true;
}

// A dialog opened before the count was known gets its maximum, and the entries taken
// meanwhile, as soon as it is.
void VersionTwoImporterExporter::showMaximumWhenKnown() {
    if (m_maximumShown || !m_entries)
        return;
    const qsizetype count = m_entries->countIfKnown();
    if (count < 0)
        return;
    m_maximumShown = true;
    setMaximum(int(qMin<qsizetype>(count, INT_MAX)));
    if (m_entriesSeen > 0)
        advanceProgress(m_entriesSeen);
}

void VersionTwoImporterExporter::endOfEntries() {
    QString error;
    if (!m_entries->finish(&error)) {
        // A file whose markup is broken, or an entry whose content cannot be decoded: the
        // file is refused as a whole, so the recipes already made from it are taken back.
        // The caller reports the error (importResult()), once.
        discardImportedRecipes();
        m_result.readError = error;
    }
    m_entries.reset();
    finishImport();
}

void VersionTwoImporterExporter::requestStop() {
    if (m_inBatch)
        m_stopRequested = true;
    else
        stopImport();
}

void VersionTwoImporterExporter::stopImport() {
    m_stopRequested = false;
    if (!m_entries)
        return;
    m_entries.reset();
    m_result.cancelled = true;
    finishImport();
}

bool VersionTwoImporterExporter::isImporting() const {
    return m_entries != nullptr;
}

void VersionTwoImporterExporter::discardImportedRecipes() {
    for (ManagedObject* recipe : std::as_const(m_importedRecipes)) {
        if (auto* record = dynamic_cast<RecipesManagedObject*>(recipe))
            for (int n = 1; n <= kImportedImageCount; ++n)
                record->deleteImageAtIndex(n);
        m_context->deleteObject(recipe);
    }
    m_importedRecipes.clear();
    m_stagedPictures.clear();
    // Nothing came in, so no picture of it was skipped either.
    m_result.picturesInUnknownFormat = 0;
    m_result.picturesNotWritten = 0;
    m_result.refusedRecipes = 0;
    m_result.skipped.clear();
}

void VersionTwoImporterExporter::importDataInArray(const QVariantList& array) {
    m_importedRecipes.clear();
    m_stagedPictures.clear();
    m_result = ExchangeImportResult();
    beginImport(int(array.size()));
    for (const QVariant& element : array)
        if (!importElement(element))
            return;
    finishImport();
}

void VersionTwoImporterExporter::beginImport(int count) {
    m_entriesSeen = 0;
    openDialog(importingRecipesText(), count);
}

bool VersionTwoImporterExporter::importElement(const QVariant& element) {
    ++m_entriesSeen;
    advanceProgress(1);
    if (!element.isValid()) {
        qWarning("VersionTwoImporterExporter: a recipe larger than a file may hold for one was skipped");
        ++m_result.refusedRecipes;
        m_result.skipped.append(
            {m_entriesSeen - 1, VersionTwoImporterExporter::tr("The recipe is too large to import.")});
        return true;
    }
    if (element.typeId() != QMetaType::QVariantMap) {
        qWarning("VersionTwoImporterExporter: an entry that is not a recipe dictionary was skipped");
        m_result.skipped.append(
            {m_entriesSeen - 1, VersionTwoImporterExporter::tr("The entry is not a recipe.")});
        return true;
    }
    const QVariantMap dict = element.toMap();
    const QVariant version = dict.value(kModelVersion);
    const QString versionText = version.typeId() == QMetaType::QString ? version.toString() : QString();
    if (versionText == kApplicationModelVersion) {
        importCurrentVersionRecipeDict(dict);
        return true;
    }
    if (versionText == kTwoPointZero) {
        importTwoPointZeroRecipeDict(dict);
        return true;
    }
    stopProgress();
    closeDialogWindow();
    m_result.stoppedByUpgradeAlert = true;
    // Only a version written as text can be newer; a missing one or a number is a fault
    // of the file, and asking to upgrade to "" or to this very version would mislead.
    QString informative;
    if (version.typeId() == QMetaType::QString && !versionText.trimmed().isEmpty()) {
        m_result.upgradeMessage = upgradeMessageText(versionText);
        informative = upgradeInformativeText();
    } else {
        m_result.upgradeMessage = version.isNull() || version.typeId() == QMetaType::QString
                                      ? missingVersionMessageText()
                                      : versionNotTextMessageText(version);
        informative = damagedFileInformativeText();
    }
    // The recipes imported before stay for the next save; their pictures are made durable now.
    if (!m_importedRecipes.isEmpty())
        RecipesManagedObject::syncImages(QFileInfo(m_context->storePath()).absolutePath());
    m_alerts->ask(m_result.upgradeMessage, informative, {VersionTwoImporterExporter::tr("OK")});
    return false;
}

void VersionTwoImporterExporter::removeRecipe(ManagedObject* recipe) {
    if (auto* record = dynamic_cast<RecipesManagedObject*>(recipe)) {
        for (int n = 1; n <= kImportedImageCount; ++n)
            record->deleteImageAtIndex(n);
        m_stagedPictures.removeIf([record](const auto& staged) { return staged.first == record; });
    }
    m_context->deleteObject(recipe);
}

void VersionTwoImporterExporter::finishImport() {
    stopProgress();
    m_result.duplicates = resolveImportDuplicates(m_context, m_importedRecipes, m_duplicatePolicy, *this,
                                                  [this](ManagedObject* recipe) { removeRecipe(recipe); });
    if (!m_importedRecipes.isEmpty())
        RecipesManagedObject::syncImages(QFileInfo(m_context->storePath()).absolutePath());
    // The library's own save: it moves the staged pictures into "Images" and removes the
    // pictures of recipes deleted before.
    if (m_session.save()) {
        // A picture that did not reach "Images" is lost to its recipe, and said so.
        for (const auto& [record, index] : std::as_const(m_stagedPictures))
            if (!record->isDeleted() && !record->hasImageAtIndex(index))
                ++m_result.picturesNotWritten;
    } else {
        qWarning("VersionTwoImporterExporter: the library could not be saved after the import");
        m_result.saveError = VersionTwoImporterExporter::tr("Unable to save changes to your library.");
    }
    m_stagedPictures.clear();
    setHeaderText(finishedImportingText(int(m_importedRecipes.size()), skippedPictureCounts(m_result),
                                        m_result.refusedRecipes, m_result.cancelled));
    if (!m_importedRecipes.isEmpty()) {
        RecipesArrayController& recipes = m_session.recipesArrayController();
        recipes.rearrangeObjects();
        if (m_selectNewImports)
            recipes.setSelectedObjects(m_importedRecipes);
    }
    closeDialogWindowLater(1.0);
}

bool VersionTwoImporterExporter::valueFitsRecipeKey(const ManagedObject* recipe, const QString& key,
                                                    const QVariant& value) {
    const AttributeDescription* attribute = recipe->entity().attribute(key);
    return attribute && fitsAttribute(value, attribute->type);
}

bool VersionTwoImporterExporter::isShowablePicture(const QByteArray& data) {
    return !pictureFormat(data).isEmpty();
}

ManagedObject* VersionTwoImporterExporter::insertRecipe() {
    ManagedObject* recipe = m_context->insertNewObject(QStringLiteral("Recipes"));
    m_importedRecipes.append(recipe);
    return recipe;
}

void VersionTwoImporterExporter::copyValue(ManagedObject* recipe, const QVariantMap& dict,
                                           const QString& key) const {
    const auto it = dict.constFind(key);
    if (it == dict.cend())
        return;
    const AttributeDescription* attribute = recipe->entity().attribute(key);
    if (!attribute)
        return;
    if (!fitsAttribute(it.value(), attribute->type)) {
        qWarning("VersionTwoImporterExporter: %s of the wrong kind was skipped", qPrintable(key));
        return;
    }
    recipe->setValueForKey(it.value(), key);
}

void VersionTwoImporterExporter::storeImage(ManagedObject* recipe, const QVariant& value, int index,
                                            const QString& key) {
    if (!value.isValid())
        return;
    QByteArray data = value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
    // JPEG 2000, which the pages cannot show, is kept as JPEG of the same size.
    if (Jpeg2000Decoder::isJpeg2000(data))
        data = PictureEncoding::jpegData(Jpeg2000Decoder::decode(data), kJpeg2000Quality);
    if (pictureFormat(data).isEmpty()) {
        qWarning("VersionTwoImporterExporter: %s is not a picture and was skipped", qPrintable(key));
        ++m_result.picturesInUnknownFormat;
        return;
    }
    auto* record = dynamic_cast<RecipesManagedObject*>(recipe);
    QString error;
    // Pictures are flushed to disk together, once, before the store is saved.
    if (!record || !record->saveImage(data, index, &error, RecipesManagedObject::ImageWrite::Staged)) {
        qWarning("VersionTwoImporterExporter: %s", qPrintable(error));
        ++m_result.picturesNotWritten;
        return;
    }
    m_stagedPictures.append({record, index});
}

QList<SkippedPictureCount>
VersionTwoImporterExporter::skippedPictureCounts(const ExchangeImportResult& result) {
    return {
        {VersionTwoImporterExporter::tr("not in a format Larkspoon! can show"),
         result.picturesInUnknownFormat},
        {VersionTwoImporterExporter::tr("could not be written to the library"), result.picturesNotWritten}};
}

ManagedObject* VersionTwoImporterExporter::importCurrentVersionRecipeDict(const QVariantMap& dict) {
    if (!m_context)
        return nullptr;
    ManagedObject* recipe = insertRecipe();
    for (const QString& key : kCurrentKeys)
        copyValue(recipe, dict, key);
    if (m_transferAllInfo)
        for (const QString& key : kCurrentPersonalKeys)
            copyValue(recipe, dict, key);
    for (int n = 1; n <= kImportedImageCount; ++n) {
        const QString key = QStringLiteral("image%1").arg(n);
        storeImage(recipe, dict.value(key), n, key);
    }
    return recipe;
}

ManagedObject* VersionTwoImporterExporter::importTwoPointZeroRecipeDict(const QVariantMap& dict) {
    if (!m_context)
        return nullptr;
    ManagedObject* recipe = insertRecipe();
    for (const QString& key : kTwoPointZeroKeys)
        copyValue(recipe, dict, key);
    const QVariant directions = dict.value(kDirections);
    if (directions.typeId() == QMetaType::QString)
        recipe->setValueForKey(normalizedImageMarkers(directions.toString()), kDirections);
    else if (directions.isValid())
        qWarning("VersionTwoImporterExporter: directions of the wrong kind were skipped");
    const QVariant ingredients = dict.value(kIngredientsArray);
    if (ingredients.isValid()) {
        const QVariant rows = ingredients.typeId() == QMetaType::QString
                                  ? valueFromStructuredText(ingredients.toString())
                                  : QVariant();
        if (rows.typeId() == QMetaType::QVariantList)
            IngredientRecords::setIngredientsOfRecipe(recipe, ingredientRecordsFromRows(rows.toList()));
        else
            qWarning("VersionTwoImporterExporter: an ingredient list that cannot be read was skipped");
    }
    if (m_transferAllInfo)
        for (const QString& key : kTwoPointZeroPersonalKeys)
            copyValue(recipe, dict, key);
    for (int i = 0; i < kTwoPointZeroImageKeys.size(); ++i)
        storeImage(recipe, dict.value(kTwoPointZeroImageKeys.at(i)), i + 1, kTwoPointZeroImageKeys.at(i));
    return recipe;
}

// ---------------------------------------------------------------------------------------
// Export

QVariantMap VersionTwoImporterExporter::exportDictionaryForRecipe(ManagedObject* recipe,
                                                                  int* skippedPictures) const {
    QVariantMap dict{{kModelVersion, kApplicationModelVersion}};
    for (const QString& key : kExportKeys) {
        const QVariant value = recipe->valueForKey(key);
        if (value.isNull())
            continue;
        dict.insert(key, key == kDirections ? QVariant(normalizedImageMarkers(value.toString())) : value);
    }
    if (m_transferAllInfo) {
        const QVariant notes = recipe->valueForKey(kPrivateNotes);
        if (!notes.isNull())
            dict.insert(kPrivateNotes, notes);
    }
    if (auto* record = dynamic_cast<RecipesManagedObject*>(recipe)) {
        // The pictures go in while the recipe stays within what the readers take for one;
        // one that would not fit is left out (measured from its file's size, so it is not
        // even read) and the later, smaller ones may still fit.
        qint64 bytes = PropertyListArrayWriter::elementBytes(dict);
        const auto fits = [&bytes](const QString& key, qint64 size) {
            return bytes + PropertyListArrayWriter::dataEntryBytes(key, size) <= propertyListByteLimit();
        };
        const auto leaveOut = [&](const QString& path) {
            qWarning("VersionTwoImporterExporter: %s was left out: the recipe would be too large for an "
                     "exchange file",
                     qPrintable(path));
            if (skippedPictures)
                ++*skippedPictures;
        };
        for (int n = 1; n <= kExportedImageCount; ++n) {
            const QString path = record->imagePathAtIndex(n);
            if (path.isEmpty())
                break;
            const QString key = QStringLiteral("image%1").arg(n);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                continue; // no image at this index
            if (!fits(key, file.size())) {
                leaveOut(path);
                continue;
            }
            const QByteArray data = file.readAll();
            if (file.error() != QFileDevice::NoError) {
                qWarning("VersionTwoImporterExporter: %s could not be read: %s", qPrintable(path),
                         qPrintable(file.errorString()));
                continue;
            }
            if (!fits(key, data.size())) { // it grew since it was measured
                leaveOut(path);
                continue;
            }
            bytes += PropertyListArrayWriter::dataEntryBytes(key, data.size());
            dict.insert(key, data);
        }
    }
    return dict;
}

bool VersionTwoImporterExporter::exportRecipes(const QList<ManagedObject*>& recipes, const QString& toPath,
                                               QString* error) {
    m_exportResult = ExchangeExportResult();
    openDialog(exportingRecipesText(), int(recipes.size()));
    PropertyListArrayWriter writer(toPath);
    QString writeError;
    bool written = writer.open(&writeError);
    for (qsizetype i = 0; written && i < recipes.size(); ++i) {
        advanceProgress(1);
        if (recipes.at(i))
            written = writer.append(exportDictionaryForRecipe(recipes.at(i), &m_exportResult.skippedPictures),
                                    &writeError);
    }
    if (written)
        written = writer.commit(&writeError);
    if (written)
        m_exportResult.droppedCharacters = writer.droppedCharacters();
    else
        m_exportResult = ExchangeExportResult();
    stopProgress();
    if (!written) {
        // The old file (if any) is left as it was; the dialog goes at once. The caller
        // reports the error, once.
        closeDialogWindow();
        if (error)
            *error = writeError;
        return false;
    }
    setHeaderText(finishedExportingText(m_exportResult.skippedPictures, m_exportResult.droppedCharacters));
    closeDialogWindowLater(1.0);
    if (error)
        error->clear();
    return true;
}

// ---------------------------------------------------------------------------------------
// Opening exchange files in the application

ExchangeImportOperation::ExchangeImportOperation(LibrarySession& session, ProgressView* progressView)
    : RecipeImportOperation(session), m_importer(&session, progressView) {}

ExchangeImportOperation* ExchangeImportOperation::start(LibrarySession& session, const QString& path,
                                                        bool allDetails, ProgressView* progressView) {
    auto* operation = new ExchangeImportOperation(session, progressView);
    VersionTwoImporterExporter& importer = operation->m_importer;
    importer.setShowWindow(true);
    importer.setSelectNewImports(true);
    importer.setDuplicatePolicy(DuplicatePolicy::Ask);
    importer.setTransferAllInfo(allDetails);
    operation->run(importer, importer, importer.beginImportDataFile(path));
    return operation;
}

void registerExchangeDocumentHandler(AppController* app, ProgressView* progressView) {
    if (!app)
        return;
    app->setDocumentHandler(QStringLiteral("lsr"), [app, progressView](const QString& path) {
        LibrarySession* session = app->session();
        if (!session)
            return false;
        const int button = app->alerts()->ask(
            VersionTwoImporterExporter::tr("Import “%1”?").arg(fileNameOf(path)),
            VersionTwoImporterExporter::tr(
                "You can also import Date Created, Date Modified, Rating, Previously "
                "Prepared and Private Notes."),
            {VersionTwoImporterExporter::tr("Import"), VersionTwoImporterExporter::tr("Cancel"),
             VersionTwoImporterExporter::tr("Import with all details")});
        if (button != 1)
            ExchangeImportOperation::start(*session, path, button == 2, progressView);
        return false;
    });
}

int importSampleRecipes(LibrarySession& session, const QString& lsrPath) {
    VersionTwoImporterExporter importer(&session);
    importer.importDataFile(lsrPath);
    return int(importer.importedRecipesArray().size());
}
