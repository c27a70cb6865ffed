#pragma once

#include "import/WebPageText.h"
#include "import/WebRecipeExtraction.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// A recipe web site's extractor: it recognises the site's recipe pages by a marker and
// builds a recipe from a page by cutting its HTML text between fixed marker strings. The
// extractors are pure: the download and the pictures are the web auto-importer's work.
class AutoImporterSuperClass {
public:
    virtual ~AutoImporterSuperClass() = default;

    // The class name ("BBCGoodFoodImporter"), the one host it serves ("www.bbcgoodfood.com"),
    // the attribution text of its recipes and the marker that shows a recipe is on a page.
    virtual QString className() const = 0;
    virtual QString host() const = 0;
    virtual QString attribution() const = 0;
    virtual QString checkMarker() const = 0;
    virtual webimport::PageEncoding pageEncoding() const = 0;

    // The saved page read in the site's encoding; nullopt when it cannot be read so.
    std::optional<QString> readPage(const QByteArray& page) const;
    // Whether the check marker is on the page (ignoring case).
    bool checkIfRecipeIsOnPage(const QString& pageText) const;
    // The recipe of a page that passed the check: importedFromURL, attribution, the name,
    // then the site's own fields, and the picture addresses (picture 1 first, an empty
    // address in its place when the page has step photos but no picture).
    webimport::ExtractedRecipe recipeFromPage(const QString& pageText, const QUrl& url) const;

protected:
    // "http://" and the host: the base of the site's picture addresses.
    QString siteAddress() const { return QStringLiteral("http://") + host(); }
    virtual std::optional<QString> nameFromPage(const QString& page) const = 0;
    virtual void fillFields(const QString& page, webimport::ExtractedRecipe& recipe) const = 0;
    virtual QList<QUrl> pictureUrls(const QString& page) const = 0;
};

namespace webimport {
// The eleven site extractors, in the order their hosts are compared.
const QList<const AutoImporterSuperClass*>& siteExtractors();
// The extractor whose host is the address's host exactly (lower case, port included), if any.
const AutoImporterSuperClass* siteExtractorForUrl(const QUrl& url);
} // namespace webimport
