#include "import/WebAutoImporter.h"

#include "import/AutoImporterSuperClass.h"
#include "import/GenericFileDownloader.h"
#include "library/AppController.h"
#include "platform/Scheduler.h"

#include <QDir>
#include <QFile>

namespace {
constexpr double kPictureDelaySeconds = 0.5;
constexpr int kLastImageIndex = 12;
} // namespace

WebAutoImporter::WebAutoImporter(QString folder, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_downloader(new GenericFileDownloader(this)) {}

WebAutoImporter::~WebAutoImporter() = default;

QString WebAutoImporter::pageFile() const {
    return (m_folder.isEmpty() ? AppController::applicationSupportFolder() : m_folder) +
           QStringLiteral("/WebImport.html");
}

QString WebAutoImporter::imageFile(int index) const {
    return (m_folder.isEmpty() ? AppController::applicationSupportFolder() : m_folder) +
           QStringLiteral("/WebImportImage%1.jpg").arg(index);
}

void WebAutoImporter::lookForRecipeOnPage(const QUrl& url, std::function<void(PageCheck)> checked) {
    m_url = url;
    m_checked = std::move(checked);
    m_found.reset();
    const int generation = ++m_generation;
    QDir().mkpath(QFileInfo(pageFile()).absolutePath());
    m_downloader->setMaxBytes(GenericFileDownloader::pageMaxBytes);
    m_downloader->downloadURL(url, pageFile(), true, [this, generation](bool ok, const QString&) {
        if (generation != m_generation)
            return;
        if (!ok) {
            if (m_checked)
                m_checked(PageCheck::DownloadFailed);
            return;
        }
        checkIfRecipeIsOnPage();
    });
}

void WebAutoImporter::checkIfRecipeIsOnPage() {
    QFile file(pageFile());
    const QByteArray page = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    PageCheck result = PageCheck::NoRecipe;
    if (!file.isOpen()) {
        result = PageCheck::Unreadable;
    } else if ((m_found = webimport::extractRecipe(page, m_url))) {
        result = PageCheck::Recipe;
    } else if (const AutoImporterSuperClass* site = webimport::siteExtractorForUrl(m_url);
               site && !site->readPage(page)) {
        // A page of a site that cannot be read in the site's encoding goes to manual import.
        result = PageCheck::Unreadable;
    }
    if (m_checked)
        m_checked(result);
}

RecipesManagedObject* WebAutoImporter::recipeFromPage(LibrarySession& session) {
    if (!m_found)
        return nullptr;
    RecipesManagedObject* recipe = webimport::makeRecipe(*m_found, session);
    QFile::remove(pageFile());
    const QList<QUrl> pictures = m_found->pictureUrls;
    if (!pictures.isEmpty())
        Scheduler::instance().schedule(
            kPictureDelaySeconds, [this, pictures] { importPicture(pictures); }, this);
    return recipe;
}

void WebAutoImporter::importPicture(const QList<QUrl>& pictures) {
    const int generation = m_generation;
    for (int index = 1; index <= std::min<int>(int(pictures.size()), kLastImageIndex); ++index) {
        const QUrl& address = pictures.at(index - 1);
        if (address.isEmpty())
            continue;
        m_downloader->setMaxBytes(GenericFileDownloader::pictureMaxBytes);
        m_downloader->downloadURL(address, imageFile(index), true,
                                  [this, generation, index](bool ok, const QString&) {
                                      if (ok && generation == m_generation)
                                          emit pictureReady(index, imageFile(index));
                                  });
    }
}
