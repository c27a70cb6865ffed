#include "ForeignRecipeImporter.h"

#include "MacGourmetReader.h"
#include "MasterCookReader.h"
#include "MealMasterReader.h"

#include "library/AppController.h"
#include "library/IngredientRecords.h"
#include "library/LibrarySession.h"
#include "library/RecipesArrayController.h"
#include "library/RecipesManagedObject.h"
#include "platform/Jpeg2000Decoder.h"
#include "platform/ObjectContext.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPointer>
#include <QtDebug>

namespace {

const QStringList kTextDefaults = {QStringLiteral("name"),
                                   QStringLiteral("recipeDescription"),
                                   QStringLiteral("directions"),
                                   QStringLiteral("cookingTime"),
                                   QStringLiteral("cuisine"),
                                   QStringLiteral("attribution"),
                                   QStringLiteral("inactivePrepTime"),
                                   QStringLiteral("prepTime"),
                                   QStringLiteral("yield")};

// Directions are stored as rich text: each paragraph of the plain text, escaped, as one
// paragraph, so a "<" or "&" of the file stays a character.
QString directionsHTML(const QString& plain) {
    QStringList paragraphs;
    for (const QString& paragraph : plain.split(QLatin1String("\n\n"), Qt::SkipEmptyParts))
        if (!paragraph.trimmed().isEmpty())
            paragraphs.append(QLatin1String("<p>") + paragraph.trimmed().toHtmlEscaped() +
                              QLatin1String("</p>"));
    return paragraphs.join(u'\n');
}

void setText(ManagedObject* recipe, const QString& value, const QString& key) {
    if (!value.isEmpty())
        recipe->setValueForKey(value, key);
}

} // namespace

ForeignRecipeImporter::ForeignRecipeImporter(LibrarySession* session, Reader reader,
                                             ProgressView* progressView)
    : DialogWithProgressbarController(progressView),
      m_session(LibrarySession::require(session, "ForeignRecipeImporter")), m_reader(std::move(reader)),
      m_sorter(m_session.context(), m_session.libraryPath()) {}

ForeignRecipeImporter::~ForeignRecipeImporter() = default;

void ForeignRecipeImporter::importDataFile(const QString& path) {
    if (!beginImportDataFile(path))
        return;
    while (importNextBatch(kImportBatchSize, true)) {
    }
}

bool ForeignRecipeImporter::beginImportDataFile(const QString& path) {
    m_importedRecipes.clear();
    m_stagedPictures.clear();
    m_result = ForeignImportResult();
    m_read.reset();
    restartEntries();
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        m_result.readError = tr("There is no file at %1.").arg(path);
        return false;
    }
    if (file.size() > kMaxFileBytes) {
        m_result.readError = tr("The file %1 is too large to import.").arg(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_result.readError = unreadableText(path);
        return false;
    }
    file.close();
    if (!m_words)
        m_words = m_sorter.measurementWords();
    // The bar gets its maximum when the file has been read.
    openDialog(importingRecipesText(), 0);
    startReading<ForeignReadResult>(
        [reader = m_reader, path] {
            QFile worker(path);
            if (!worker.open(QIODevice::ReadOnly)) {
                ForeignReadResult unreadable;
                unreadable.error = unreadableText(path);
                return unreadable;
            }
            return reader(worker.readAll());
        },
        [this](ForeignReadResult read) { return acceptRead(std::move(read)); });
    return true;
}

QString ForeignRecipeImporter::unreadableText(const QString& path) {
    return tr("The file %1 could not be read.").arg(path);
}

bool ForeignRecipeImporter::acceptRead(ForeignReadResult read) {
    if (!read.error.isEmpty()) {
        // Not a file of this format: nothing is imported and the dialog goes.
        m_result.readError = read.error;
        closeDialogWindow();
        return false;
    }
    m_result.skipped = read.skipped;
    setMaximum(int(read.recipes.size()));
    m_read = std::move(read);
    return true;
}

void ForeignRecipeImporter::importEntry(int index) {
    const ForeignRecipe& recipe = m_read->recipes.at(index);
    importRecipe(recipe);
    advanceProgress(1);
    setHeaderText(tr("Converting: %1").arg(recipe.name));
}

ManagedObject* ForeignRecipeImporter::importRecipe(const ForeignRecipe& foreign) {
    if (!m_words)
        m_words = m_sorter.measurementWords();
    ManagedObject* recipe = m_session.context()->insertNewObject(QStringLiteral("Recipes"));
    m_importedRecipes.append(recipe);
    setText(recipe, foreign.name, QStringLiteral("name"));
    setText(recipe, foreign.attribution, QStringLiteral("attribution"));
    setText(recipe, foreign.recipeDescription, QStringLiteral("recipeDescription"));
    setText(recipe, foreign.yield, QStringLiteral("yield"));
    setText(recipe, foreign.notes, QStringLiteral("notes"));
    setText(recipe, directionsHTML(foreign.directions), QStringLiteral("directions"));
    setText(recipe, foreign.prepTime, QStringLiteral("prepTime"));
    setText(recipe, foreign.cookingTime, QStringLiteral("cookingTime"));
    setText(recipe, foreign.inactivePrepTime, QStringLiteral("inactivePrepTime"));
    if (foreign.difficulty > 0)
        recipe->setValueForKey(foreign.difficulty, QStringLiteral("difficulty"));
    if (auto* record = dynamic_cast<RecipesManagedObject*>(recipe))
        for (const QString& keyword : foreign.keywords)
            record->addKeyword(keyword);
    if (!foreign.ingredientsText.isEmpty())
        IngredientRecords::setIngredientsOfRecipe(
            recipe, m_sorter.sortedIngredientsFromString(foreign.ingredientsText, *m_words));
    if (!foreign.picture.isEmpty()) {
        const QByteArray picture = coverPicture(foreign.picture);
        auto* record = dynamic_cast<RecipesManagedObject*>(recipe);
        QString error;
        // Pictures are flushed to disk together, once, before the store is saved.
        if (picture.isEmpty() || !record ||
            !record->saveImage(picture, 1, &error, RecipesManagedObject::ImageWrite::Staged)) {
            qWarning("ForeignRecipeImporter: the picture of a recipe was skipped: %s",
                     picture.isEmpty() ? "not a picture" : qPrintable(error));
            ++m_result.skippedPictures;
        } else {
            m_stagedPictures.append(recipe);
        }
    }
    for (const QString& key : kTextDefaults)
        if (recipe->valueForKey(key).isNull())
            recipe->setValueForKey(QString(QLatin1String("")), key);
    for (const QString& key : {QStringLiteral("rating"), QStringLiteral("difficulty")})
        if (recipe->valueForKey(key).isNull())
            recipe->setValueForKey(0, key);
    if (recipe->valueForKey(QStringLiteral("hasBeenPrepared")).isNull())
        recipe->setValueForKey(false, QStringLiteral("hasBeenPrepared"));
    return recipe;
}

QByteArray ForeignRecipeImporter::coverPicture(const QByteArray& data) {
    const QImage image =
        Jpeg2000Decoder::isJpeg2000(data) ? Jpeg2000Decoder::decode(data) : QImage::fromData(data);
    if (image.isNull())
        return {};
    const QImage scaled =
        image.scaled(kPictureWidth, kPictureHeight, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    return PictureEncoding::jpegData(scaled.copy((scaled.width() - kPictureWidth) / 2,
                                                 (scaled.height() - kPictureHeight) / 2, kPictureWidth,
                                                 kPictureHeight),
                                     kPictureQuality);
}

void ForeignRecipeImporter::removeRecipe(ManagedObject* recipe) {
    if (auto* record = dynamic_cast<RecipesManagedObject*>(recipe))
        record->deleteImageAtIndex(1);
    m_stagedPictures.removeAll(recipe);
    m_session.context()->deleteObject(recipe);
}

void ForeignRecipeImporter::finishImport() {
    m_read.reset();
    stopProgress();
    m_result.duplicates =
        resolveImportDuplicates(m_session.context(), m_importedRecipes, m_duplicatePolicy, *this,
                                [this](ManagedObject* recipe) { removeRecipe(recipe); });
    if (!m_stagedPictures.isEmpty())
        RecipesManagedObject::syncImages(m_session.libraryPath());
    // The library's own save moves the staged pictures into place.
    if (!m_session.save()) {
        qWarning("ForeignRecipeImporter: the library could not be saved after the import");
        m_result.saveError = tr("Unable to save changes to your library.");
    }
    m_stagedPictures.clear();
    setHeaderText(
        finishedText(int(m_importedRecipes.size()), int(m_result.skipped.size()), m_result.cancelled));
    if (!m_importedRecipes.isEmpty()) {
        RecipesArrayController& recipes = m_session.recipesArrayController();
        recipes.rearrangeObjects();
        if (m_selectNewImports)
            recipes.setSelectedObjects(m_importedRecipes);
    }
    closeDialogWindowLater(1.0);
}

QString ForeignRecipeImporter::finishedText(int recipesImported, int entriesSkipped, bool cancelled) {
    QString text = finishedImportingText(recipesImported, {}, 0, cancelled);
    if (entriesSkipped <= 0)
        return text;
    text.chop(1); // the full stop
    return text + (entriesSkipped == 1 ? tr("; 1 entry could not be read.")
                                       : tr("; %1 entries could not be read.").arg(entriesSkipped));
}

MasterCookImporter::MasterCookImporter(LibrarySession* session, ProgressView* progressView)
    : ForeignRecipeImporter(
          session, [](const QByteArray& bytes) { return MasterCookReader::read(bytes); }, progressView) {}

MealMasterImporter::MealMasterImporter(LibrarySession* session, ProgressView* progressView)
    : ForeignRecipeImporter(
          session, [](const QByteArray& bytes) { return MealMasterReader::read(bytes); }, progressView) {}

MacGourmetImporter::MacGourmetImporter(LibrarySession* session, ProgressView* progressView)
    : ForeignRecipeImporter(
          session, [](const QByteArray& bytes) { return MacGourmetReader::read(bytes); }, progressView) {}

const QStringList& macGourmetExtensions() {
    static const QStringList extensions{QStringLiteral("mgourmet"), QStringLiteral("mgourmet3"),
                                        QStringLiteral("mgourmet4")};
    return extensions;
}

ForeignFormat foreignFormatOfFile(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (macGourmetExtensions().contains(extension))
        return ForeignFormat::MacGourmet;
    if (extension == QLatin1String("mx2"))
        return ForeignFormat::MasterCook;
    if (extension == QLatin1String("mmf") || extension == QLatin1String("mm"))
        return ForeignFormat::MealMaster;
    if (extension != QLatin1String("txt") && extension != QLatin1String("xml"))
        return ForeignFormat::None;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ForeignFormat::None;
    const QByteArray head = file.read(4096);
    if (head.contains("<mx2") || head.contains("<RcpE"))
        return ForeignFormat::MasterCook;
    if (extension == QLatin1String("txt") && MealMasterReader::looksLikeMealMaster(head))
        return ForeignFormat::MealMaster;
    return ForeignFormat::None;
}

std::unique_ptr<ForeignRecipeImporter> makeForeignImporter(ForeignFormat format, LibrarySession* session,
                                                           ProgressView* progressView) {
    switch (format) {
    case ForeignFormat::MasterCook:
        return std::make_unique<MasterCookImporter>(session, progressView);
    case ForeignFormat::MealMaster:
        return std::make_unique<MealMasterImporter>(session, progressView);
    case ForeignFormat::MacGourmet:
        return std::make_unique<MacGourmetImporter>(session, progressView);
    case ForeignFormat::None:
        break;
    }
    return nullptr;
}

ForeignImportOperation::ForeignImportOperation(LibrarySession& session,
                                               std::unique_ptr<ForeignRecipeImporter> importer)
    : RecipeImportOperation(session), m_importer(std::move(importer)) {}

ForeignImportOperation* ForeignImportOperation::start(LibrarySession& session, const QString& path,
                                                      ProgressView* progressView) {
    std::unique_ptr<ForeignRecipeImporter> importer =
        makeForeignImporter(foreignFormatOfFile(path), &session, progressView);
    if (!importer)
        return nullptr;
    importer->setShowWindow(true);
    importer->setSelectNewImports(true);
    importer->setDuplicatePolicy(DuplicatePolicy::Ask);
    auto* operation = new ForeignImportOperation(session, std::move(importer));
    ForeignRecipeImporter& running = *operation->m_importer;
    operation->run(running, running, running.beginImportDataFile(path));
    return operation;
}

void registerForeignDocumentHandlers(AppController* app, ProgressView* progressView) {
    if (!app)
        return;
    const QStringList extensions = QStringList{QStringLiteral("mx2"), QStringLiteral("mmf"),
                                               QStringLiteral("mm"), QStringLiteral("txt")} +
                                   macGourmetExtensions();
    for (const QString& extension : extensions)
        app->setDocumentHandler(extension, [app, progressView](const QString& path) {
            if (LibrarySession* session = app->session())
                ForeignImportOperation::start(*session, path, progressView);
            return false;
        });
}
