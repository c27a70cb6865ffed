#pragma once

#include "import/WebRecipeExtraction.h"

#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

class GenericFileDownloader;
class LibrarySession;
class RecipesManagedObject;

// The automatic import of a web page, around the pure extraction: downloads the page's own
// copy into "WebImport.html" of the application support folder, says whether a recipe is on
// it, builds the recipe on request, and fetches its pictures half a second later into
// "WebImportImage<n>.jpg". One lookup at a time: a new one replaces the one running.
class WebAutoImporter : public QObject {
    Q_OBJECT
public:
    enum class PageCheck {
        Recipe,         // a recipe is on the page: recipeFromPage() builds it
        NoRecipe,       // the page holds none: manual import
        Unreadable,     // the page cannot be read in its site's encoding: manual import
        DownloadFailed, // nothing further happens
    };

    // folder: where the working files go; empty for the application support folder.
    explicit WebAutoImporter(QString folder = QString(), QObject* parent = nullptr);
    ~WebAutoImporter() override;

    QString pageFile() const;
    QString imageFile(int index) const;
    GenericFileDownloader& downloader() const { return *m_downloader; }

    // Remembers the address and downloads it; checked runs once the page has been checked
    // (not when a newer lookup replaced this one).
    void lookForRecipeOnPage(const QUrl& url, std::function<void(PageCheck)> checked);
    QUrl importedFromURL() const { return m_url; }
    // The recipe found by the last check.
    const std::optional<webimport::ExtractedRecipe>& foundRecipe() const { return m_found; }

    // A new, unsaved recipe from the found one (nullptr when none was found). The working
    // page is deleted, and the pictures are downloaded 0.5 s later: each that arrives is
    // announced with pictureReady (index 1 to 12; later step photos are not fetched).
    RecipesManagedObject* recipeFromPage(LibrarySession& session);

signals:
    void pictureReady(int index, const QString& file);

private:
    void checkIfRecipeIsOnPage();
    void importPicture(const QList<QUrl>& pictures);

    QString m_folder;
    GenericFileDownloader* m_downloader;
    QUrl m_url;
    std::function<void(PageCheck)> m_checked;
    std::optional<webimport::ExtractedRecipe> m_found;
    int m_generation = 0;
};
