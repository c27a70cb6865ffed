#pragma once

#include "library/LibrarySession.h"
#include "share/DialogWithProgressbarController.h"
#include "share/DuplicateFinder.h"
#include "share/RecipeImportOperation.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

class Alerts;
class AppController;
class ManagedObject;
class ObjectContext;
class ProgressView;
class RecipesManagedObject;

// How the last import went, for callers that report it (the command-line tool).
struct ExchangeImportResult {
    // The file could not be read as a property list holding an array (missing, unreadable,
    // malformed, too large, or another root): nothing was imported. Empty when it was read.
    QString readError;
    // An entry of another version, or one whose version is missing or not a text, stopped
    // the import after the recipes before it.
    bool stoppedByUpgradeAlert = false;
    QString upgradeMessage; // the alert's message text
    // The save after the import failed (the recipes stay in memory, unsaved).
    QString saveError;
    // Pictures of the imported recipes that were left out: data that is not a picture in a
    // format the pages and printing can show, and pictures whose file could not be written.
    int picturesInUnknownFormat = 0;
    int picturesNotWritten = 0;
    // Entries of the file larger than one recipe may be (kMaxPropertyListBytes): each is
    // passed over and counted, and the other recipes import.
    int refusedRecipes = 0;
    // The entries passed over (too large, or not a recipe dictionary), with the reasons.
    QList<SkippedEntry> skipped;
    // The import was stopped (Cancel) before the end of the file: the recipes of the batches
    // imported until then are kept and saved.
    bool cancelled = false;
    // Imported recipes the library held already (left out when they were skipped).
    QList<DuplicateMatch> duplicates;
    int skippedPictures() const { return picturesInUnknownFormat + picturesNotWritten; }
};

// How the last export went, for callers that report it (the command-line tool).
struct ExchangeExportResult {
    // Characters of the recipes' texts that an exchange file cannot carry (NUL and the other
    // control characters but tab, line feed and carriage return, U+FFFE, U+FFFF, unpaired
    // surrogates), left out of the file written.
    qint64 droppedCharacters = 0;
    // Pictures left out because their recipe would have been larger than a file can carry
    // for one recipe (kMaxPropertyListBytes): the pictures that fit are kept, in order.
    int skippedPictures = 0;
};

// Reads and writes recipe exchange files ("lsr"): an XML property list whose root is an
// array of recipe dictionaries, each with its own modelVersion. Reads the current
// generation ("2.3") and the older "2.0" one; stops at an entry of any other version with
// an alert that asks the user to update. Each import or export uses a fresh object; the
// caller sets the options first.
//
// Input from other programs and from hand-edited files is read defensively:
//  - A file is read one recipe at a time (readPropertyListArrayFile), so a large file
//    costs about one recipe of memory besides the image files written; there is no limit
//    on the size of a file, only on one recipe in it (kMaxPropertyListBytes, which the
//    export keeps to as well). A recipe past that limit is passed over and counted; the
//    others import. The markup is checked through to the end before anything is imported,
//    and an entry whose content cannot be decoded takes back the recipes made before it: a
//    file that is truncated or malformed anywhere, or whose root is not an array, imports
//    nothing.
//    Entries are decoded on a worker thread a few ahead of the main thread, which makes
//    the records and writes the pictures (the worker reads the file only). The application
//    imports in batches from the event loop (ExchangeImportOperation), so its windows stay
//    live and nothing re-enters the import; headless callers import in one go.
//  - A value whose type is not the one its key carries (a number where text belongs, a
//    text where a date or a picture belongs) is skipped: the recipe never holds a value of
//    the wrong kind. Booleans also accept integers (non-zero is true).
//  - An entry of the root array that is not a dictionary is skipped with a warning.
//  - Image data is stored only when it is a picture in a format the pages and printing can
//    show (JPEG, PNG, GIF, BMP, TIFF or WebP, recognised from its bytes); a JPEG 2000
//    picture, which they cannot show, is stored as JPEG; anything else is skipped with a
//    warning, so the library's image files always hold pictures.
//  - "2.0" ingredient rows shorter than five columns read the missing columns as empty,
//    and a column that is not a text reads as empty; a row that is not an array is
//    skipped. A row is a group title exactly when its fifth column is "YES"; every other
//    row is an ordinary one and keeps its quantity (a missing or unexpected flag does not
//    drop it).
class VersionTwoImporterExporter : public DialogWithProgressbarController, public BatchedImport {
    Q_DECLARE_TR_FUNCTIONS(VersionTwoImporterExporter)

public:
    // The import saves through the session and selects what it made in its recipe list.
    explicit VersionTwoImporterExporter(LibrarySession* session, ProgressView* progressView = nullptr);
    ~VersionTwoImporterExporter() override;

    bool transferAllInfo() const { return m_transferAllInfo; }
    void setTransferAllInfo(bool transferAllInfo) { m_transferAllInfo = transferAllInfo; }
    bool selectNewImports() const { return m_selectNewImports; }
    void setSelectNewImports(bool selectNewImports) { m_selectNewImports = selectNewImports; }
    DuplicatePolicy duplicatePolicy() const { return m_duplicatePolicy; }
    void setDuplicatePolicy(DuplicatePolicy policy) { m_duplicatePolicy = policy; }

    // Imports the recipes of the file at path, all at once; a missing file does nothing.
    void importDataFile(const QString& path);

    // The same import in steps. begin answers false when there is nothing to import (a
    // missing file; readError says why). Each batch makes at most maximum recipes; waiting,
    // it waits for the worker, otherwise it takes only what is decoded already. It answers
    // true while entries remain; the import has then ended (saved, dialog closing).
    static constexpr int kImportBatchSize = 25;
    bool beginImportDataFile(const QString& path);
    bool importNextBatch(int maximum, bool waiting) override;
    // Ends the import now with what was imported so far (as at the end of a file); during a
    // batch (from an alert it shows), once that batch is done.
    void requestStop() override;
    bool isImporting() const override;
    // Entries of the file taken so far (recipes or not).
    int entriesSeen() const override { return m_entriesSeen; }
    QString readErrorText() const override { return m_result.readError; }
    bool endedEarly() const override { return m_result.stoppedByUpgradeAlert; }
    // Imports each dictionary of the root array as a new recipe.
    void importDataInArray(const QVariantList& array);
    // One dictionary of each generation as one new recipe record.
    ManagedObject* importCurrentVersionRecipeDict(const QVariantMap& dict);
    ManagedObject* importTwoPointZeroRecipeDict(const QVariantMap& dict);

    // Writes the recipes to path as an exchange file, atomically; true when written. A
    // failure leaves whatever was at path as it was. Characters the file cannot carry are
    // left out and counted in exportResult(), and so are pictures that would make a recipe
    // larger than the readers take (kMaxPropertyListBytes): the file written can always be
    // imported.
    bool exportRecipes(const QList<ManagedObject*>& recipes, const QString& toPath, QString* error = nullptr);
    const ExchangeExportResult& exportResult() const { return m_exportResult; }

    // The recipes created by the current import, in file order.
    const QList<ManagedObject*>& importedRecipesArray() const { return m_importedRecipes; }
    const ExchangeImportResult& importResult() const { return m_result; }
    // The pictures the import left out, with the reasons the finished dialog names.
    static QList<SkippedPictureCount> skippedPictureCounts(const ExchangeImportResult& result);

    // The exchange dictionary of one recipe, as exportRecipes writes it; *skippedPictures,
    // when given, gets the pictures left out to keep it within kMaxPropertyListBytes.
    QVariantMap exportDictionaryForRecipe(ManagedObject* recipe, int* skippedPictures = nullptr) const;

    // The reader's checks, for other readers of recipe dictionaries (platefeeds): whether
    // value may be stored as key of a recipe (a known key, a value of its kind), and whether
    // data is a picture the pages and printing can show.
    static bool valueFitsRecipeKey(const ManagedObject* recipe, const QString& key, const QVariant& value);
    static bool isShowablePicture(const QByteArray& data);

    // Replaces the older image markers ("FirstImage" ... "FifthImage") of directions by
    // the current ones ("[1]" ... "[5]").
    static QString normalizedImageMarkers(const QString& directions);

    // The upgrade alert's texts.
    static QString upgradeMessageText(const QString& version);
    static QString upgradeInformativeText();
    // The alert's texts for an entry whose modelVersion is missing (or an empty text), and
    // for one whose modelVersion is not written as text (a number such as <real>2.3</real>).
    static QString missingVersionMessageText();
    static QString versionNotTextMessageText(const QVariant& version);
    static QString damagedFileInformativeText();

private:
    class ReadAhead;

    bool importBatch(int maximum, bool waiting);
    void showMaximumWhenKnown();
    void endOfEntries();
    void stopImport();
    void beginImport(int count);
    // False when the import must end at once (the upgrade alert was shown).
    bool importElement(const QVariant& element);
    void finishImport();
    void discardImportedRecipes();
    void removeRecipe(ManagedObject* recipe);
    ManagedObject* insertRecipe();
    void copyValue(ManagedObject* recipe, const QVariantMap& dict, const QString& key) const;
    // Writes one picture of a recipe, or counts it as skipped in the result.
    void storeImage(ManagedObject* recipe, const QVariant& value, int index, const QString& key);

    LibrarySession& m_session;
    ObjectContext* m_context;
    Alerts* m_alerts;
    std::unique_ptr<ReadAhead> m_entries;
    // The pictures written to the staging folder for the recipes of this import.
    QList<std::pair<RecipesManagedObject*, int>> m_stagedPictures;
    int m_entriesSeen = 0;
    bool m_dialogOpened = false;
    bool m_maximumShown = false;
    bool m_inBatch = false;
    bool m_stopRequested = false;
    bool m_transferAllInfo = false;
    bool m_selectNewImports = false;
    DuplicatePolicy m_duplicatePolicy = DuplicatePolicy::KeepBoth;
    QList<ManagedObject*> m_importedRecipes;
    ExchangeImportResult m_result;
    ExchangeExportResult m_exportResult;
};

// An exchange-file import of the application, in batches from the event loop
// (RecipeImportOperation).
class ExchangeImportOperation : public RecipeImportOperation {
    Q_OBJECT
public:
    // Starts importing path into the session's library with the progress dialog on and the
    // imported recipes selected; the personal fields only with allDetails. The dialog's
    // Cancel stops it: the recipes of the batches imported until then are kept and saved.
    static ExchangeImportOperation* start(LibrarySession& session, const QString& path, bool allDetails,
                                          ProgressView* progressView);

    const VersionTwoImporterExporter& importer() const { return m_importer; }

private:
    ExchangeImportOperation(LibrarySession& session, ProgressView* progressView);

    VersionTwoImporterExporter m_importer;
};

// Makes app open "lsr" documents: asks "Import “name”?" with "Import", "Cancel" and
// "Import with all details", then imports unless cancelled. Answers false, as documents
// that are imported rather than opened do.
void registerExchangeDocumentHandler(AppController* app, ProgressView* progressView);

// The first start of a new library imports the starter recipes ("New Library Recipes.lsr")
// with this importer at its default settings; answers how many it imported.
int importSampleRecipes(LibrarySession& session, const QString& lsrPath);
