#pragma once

#include "ForeignRecipe.h"

#include "measure/IngredientsSorter.h"
#include "share/DialogWithProgressbarController.h"
#include "share/DuplicateFinder.h"
#include "share/RecipeImportOperation.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class AppController;
class LibrarySession;
class ManagedObject;
class ProgressView;

// How the last import of another program's file went, for callers that report it.
struct ForeignImportResult {
    // The file could not be read (missing, unreadable, too large): nothing was imported.
    QString readError;
    // The save after the import failed (the recipes stay in memory, unsaved).
    QString saveError;
    // Entries of the file that did not become recipes, with the reasons.
    QList<SkippedEntry> skipped;
    // The import was stopped (Cancel) before the end of the file: the recipes imported
    // until then are kept and saved.
    bool cancelled = false;
    // Imported recipes the library held already (left out when they were skipped).
    QList<DuplicateMatch> duplicates;
    // Pictures that could not be read or written: the recipe is kept without them.
    int skippedPictures = 0;
};

// Imports the recipes of another program's file: the reader turns the file's bytes into
// recipes, this makes a record of each (its ingredient lines through the ingredient list
// parser), in batches, then saves the library once, selects what it imported and reports
// the count and the entries it could not read in the progress dialog.
class ForeignRecipeImporter : public DialogWithProgressbarController, public ReadEntriesImport {
    Q_DECLARE_TR_FUNCTIONS(ForeignRecipeImporter)

public:
    using Reader = std::function<ForeignReadResult(const QByteArray& bytes)>;
    // Files larger than this are refused (a recipe file is a few megabytes at most).
    static constexpr qint64 kMaxFileBytes = qint64(512) * 1024 * 1024;

    ForeignRecipeImporter(LibrarySession* session, Reader reader, ProgressView* progressView = nullptr);
    ~ForeignRecipeImporter() override;

    bool selectNewImports() const { return m_selectNewImports; }
    void setSelectNewImports(bool selectNewImports) { m_selectNewImports = selectNewImports; }
    DuplicatePolicy duplicatePolicy() const { return m_duplicatePolicy; }
    void setDuplicatePolicy(DuplicatePolicy policy) { m_duplicatePolicy = policy; }

    // Imports the recipes of the file at path, all at once.
    void importDataFile(const QString& path);

    // The same import in steps (BatchedImport). begin answers false when the file cannot be
    // opened (readError says why); the import has then ended. The file is read on a worker;
    // when it is no file of this format, the first batch ends the import with readError set
    // and the dialog closed.
    static constexpr int kImportBatchSize = 25;
    bool beginImportDataFile(const QString& path);
    bool isImporting() const override { return m_read.has_value() || isReading(); }
    QString readErrorText() const override { return m_result.readError; }

    // One recipe read from a file as a new recipe record.
    ManagedObject* importRecipe(const ForeignRecipe& recipe);

    // A picture of a file as image 1 of a recipe: scaled to cover 450 x 338, the overflow
    // cropped equally from both sides, as baseline JPEG (the pages cannot show JPEG 2000).
    // Empty when data is not a picture.
    static constexpr int kPictureWidth = 450;
    static constexpr int kPictureHeight = 338;
    static constexpr int kPictureQuality = 40;
    static QByteArray coverPicture(const QByteArray& data);

    // The recipes created by the current import, in file order.
    const QList<ManagedObject*>& importedRecipesArray() const { return m_importedRecipes; }
    const ForeignImportResult& importResult() const { return m_result; }

    // "Finished Importing. 12 recipes imported; 2 entries could not be read."
    static QString finishedText(int recipesImported, int entriesSkipped, bool cancelled);

private:
    qsizetype entriesToImport() const override { return m_read ? m_read->recipes.size() : 0; }
    void importEntry(int index) override;
    void finishImport() override;
    void setCancelled(bool cancelled) override { m_result.cancelled = cancelled; }
    void removeRecipe(ManagedObject* recipe);
    static QString unreadableText(const QString& path);
    // The outcome of the worker's read; false when the file could not be read.
    bool acceptRead(ForeignReadResult read);

    LibrarySession& m_session;
    Reader m_reader;
    IngredientsSorter m_sorter;
    std::optional<IngredientsSorter::MeasurementWords> m_words;
    std::optional<ForeignReadResult> m_read;
    bool m_selectNewImports = false;
    DuplicatePolicy m_duplicatePolicy = DuplicatePolicy::KeepBoth;
    QList<ManagedObject*> m_importedRecipes;
    // Recipes whose picture waits in the staging folder for the save.
    QList<ManagedObject*> m_stagedPictures;
    ForeignImportResult m_result;
};

// The MasterCook XML export ("mx2") importer.
class MasterCookImporter : public ForeignRecipeImporter {
public:
    explicit MasterCookImporter(LibrarySession* session, ProgressView* progressView = nullptr);
};

// The MealMaster text file ("mmf", "mm", "txt") importer.
class MealMasterImporter : public ForeignRecipeImporter {
public:
    explicit MealMasterImporter(LibrarySession* session, ProgressView* progressView = nullptr);
};

// The MacGourmet data export ("mgourmet", "mgourmet3", "mgourmet4") importer.
class MacGourmetImporter : public ForeignRecipeImporter {
public:
    explicit MacGourmetImporter(LibrarySession* session, ProgressView* progressView = nullptr);
};

// Which importer reads a file: by extension ("mx2"; "mmf", "mm"; "mgourmet" and its later
// versions), and for "txt" and "xml" by the start of the file (MealMaster headers, or
// MasterCook's "<mx2" or "<RcpE").
enum class ForeignFormat { None, MasterCook, MealMaster, MacGourmet };
// The extensions of MacGourmet exports.
const QStringList& macGourmetExtensions();
ForeignFormat foreignFormatOfFile(const QString& path);
std::unique_ptr<ForeignRecipeImporter> makeForeignImporter(ForeignFormat format, LibrarySession* session,
                                                           ProgressView* progressView = nullptr);

// An import of another program's file in the application, in batches from the event loop
// with the progress dialog (its Cancel keeps what was imported so far) and the imported
// recipes selected.
class ForeignImportOperation : public RecipeImportOperation {
    Q_OBJECT
public:
    // Null when the file is of no format these importers read.
    static ForeignImportOperation* start(LibrarySession& session, const QString& path,
                                         ProgressView* progressView);

    const ForeignRecipeImporter& importer() const { return *m_importer; }

private:
    ForeignImportOperation(LibrarySession& session, std::unique_ptr<ForeignRecipeImporter> importer);

    std::unique_ptr<ForeignRecipeImporter> m_importer;
};

// Makes app import "mx2", "mmf", "mm" and MacGourmet documents, and "txt" documents that
// hold MealMaster recipes, when they are opened.
void registerForeignDocumentHandlers(AppController* app, ProgressView* progressView);
