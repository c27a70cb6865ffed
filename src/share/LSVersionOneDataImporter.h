#pragma once

#include "library/VersionOneStore.h"
#include "share/DialogWithProgressbarController.h"
#include "share/DuplicateFinder.h"
#include "share/RecipeImportOperation.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class AppController;
class GroupsManagedObject;
class LibrarySession;
class ManagedObject;
class ProgressView;

// How the last import of a first-generation file went, for callers that report it.
struct VersionOneImportResult {
    // The file could not be read at all (not such a file, damaged): nothing was imported.
    QString readError;
    // The save after the import failed (the recipes stay in memory, unsaved).
    QString saveError;
    // The recipes of the file that could not be read, with the reasons.
    QList<SkippedEntry> skipped;
    // Pictures left out: data that is no picture, or a file that could not be written.
    int picturesSkipped = 0;
    // Groups the import created (a whole library only).
    int groupsCreated = 0;
    // Imported recipes the library held already.
    QList<DuplicateMatch> duplicates;
    bool cancelled = false;
};

// Imports the recipes of a first-generation file into the open library: an export
// ("Larkspoon!") gives the recipes' texts, ingredients and pictures; a whole library
// ("database", isLibraryFile set) also their dates, ratings and prepared flags, the names
// of their groups as keywords, and the tree of the user's own groups. Every run adds the
// recipes again. The library is saved once, at the end; the imported recipes are selected.
class LSVersionOneDataImporter : public DialogWithProgressbarController, public ReadEntriesImport {
    Q_DECLARE_TR_FUNCTIONS(LSVersionOneDataImporter)

public:
    // Files larger than this are refused.
    static constexpr qint64 kMaxFileBytes = qint64(512) * 1024 * 1024;
    static constexpr int kImportBatchSize = 25;

    explicit LSVersionOneDataImporter(LibrarySession* session, ProgressView* progressView = nullptr);
    ~LSVersionOneDataImporter() override;

    bool isLibraryFile() const { return m_isLibraryFile; }
    void setIsLibraryFile(bool isLibraryFile) { m_isLibraryFile = isLibraryFile; }
    bool selectNewImports() const { return m_selectNewImports; }
    void setSelectNewImports(bool selectNewImports) { m_selectNewImports = selectNewImports; }
    DuplicatePolicy duplicatePolicy() const { return m_duplicatePolicy; }
    void setDuplicatePolicy(DuplicatePolicy policy) { m_duplicatePolicy = policy; }

    // Imports the file at path, all at once.
    void importDataFile(const QString& path);

    // The same import in steps (BatchedImport). begin answers false when there is nothing
    // to import (no file, or one that cannot be opened: readErrorText says why); the import
    // has then ended and its dialog closes. The file is read on a worker; one that cannot be
    // read ends the import at the first batch the same way, with the alert.
    bool beginImportDataFile(const QString& path);
    bool isImporting() const override { return m_store.has_value() || isReading(); }
    QString readErrorText() const override { return m_result.readError; }

    const QList<ManagedObject*>& importedRecipesArray() const { return m_importedRecipes; }
    const VersionOneImportResult& importResult() const { return m_result; }

    // The current name of a first-generation group: the names that changed are mapped,
    // every other name loses its commas.
    static QString betterGroupNameFromName(const QString& name);
    // The group with exactly that name (the first in the group list), or a new one.
    GroupsManagedObject* localGroupForName(const QString& name);

private:
    ManagedObject* importRecipe(const versionone::Recipe& recipe, int index);
    void storeImage(ManagedObject* recipe, const QVariant& image);
    void rebuildGroupTree();
    static QString unopenedText();
    void refuseFile(const QString& path, const QString& reason);
    qsizetype entriesToImport() const override { return m_store ? m_store->recipes.size() : 0; }
    void importEntry(int index) override;
    void finishImport() override;
    void setCancelled(bool cancelled) override { m_result.cancelled = cancelled; }

    LibrarySession& m_session;
    bool m_isLibraryFile = false;
    bool m_selectNewImports = false;
    DuplicatePolicy m_duplicatePolicy = DuplicatePolicy::KeepBoth;
    std::optional<versionone::Store> m_store;
    QList<ManagedObject*> m_importedRecipes;
    VersionOneImportResult m_result;
};

// An import of a first-generation file in the application, in batches from the event loop
// with the progress dialog (its Cancel keeps what was imported so far).
class VersionOneImportOperation : public RecipeImportOperation {
    Q_OBJECT
public:
    static VersionOneImportOperation* start(LibrarySession& session, const QString& path, bool isLibraryFile,
                                            ProgressView* progressView);

    const LSVersionOneDataImporter& importer() const { return m_importer; }

private:
    VersionOneImportOperation(LibrarySession& session, ProgressView* progressView);

    LSVersionOneDataImporter m_importer;
};

// Makes app import "Larkspoon!" exports and "database" libraries when they are opened, and
// gives it the importer of the first-start question (a version-one library found in the
// application support folder).
void registerVersionOneDocumentHandlers(AppController* app, ProgressView* progressView);
