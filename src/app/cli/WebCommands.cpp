// The web import commands: web-extract (a saved page, no network) and web-import.
#include "CliCommand.h"

#include "import/GenericFileDownloader.h"
#include "import/WebRecipeExtraction.h"
#include "library/GroupsManagedObject.h"
#include "library/LibrarySession.h"
#include "library/LibraryStore.h"
#include "library/RecipesManagedObject.h"
#include "library/SideBarDragController.h"
#include "library/SidebarTreeController.h"
#include "platform/Alerts.h"
#include "platform/ObjectContext.h"

#include <QBuffer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

// Exit codes of web-import.
constexpr int CliNoRecipe = 5;
constexpr int CliDownloadFailed = 6;
constexpr int kLastImageIndex = 12;

int usage(const QString& message) {
    CliSession::printError(message);
    return CliUsage;
}

bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

int webExtractCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("url")}, {}, &options, &error))
        return usage(error);
    if (options.positional.size() != 1 || !options.has(QStringLiteral("url")))
        return usage(QStringLiteral("usage: web-extract FILE.html --url URL"));
    const QString path = options.positional.first();
    if (!checkPathArgument(path, QStringLiteral("FILE.html")))
        return CliUsage;
    const QUrl url(options.value(QStringLiteral("url")), QUrl::StrictMode);
    if (!isWebAddress(url))
        return usage(
            QStringLiteral("not an http or https address: %1").arg(options.value(QStringLiteral("url"))));
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return usage(QStringLiteral("cannot read %1").arg(path));
    const QByteArray page = file.readAll();

    const std::optional<webimport::ExtractedRecipe> found = webimport::extractRecipe(page, url);
    if (!found) {
        CliSession::printJson(QJsonObject{{QStringLiteral("extractor"), QJsonValue()},
                                          {QStringLiteral("recipe"), QJsonValue()}});
        return CliOK;
    }
    // The library's measurement words read the ingredients when there is a library.
    ObjectContext* context = nullptr;
    QString libraryPath;
    if (QFileInfo(session.libraryPath()).isDir() &&
        QFileInfo::exists(libraryStorePath(session.libraryPath()))) {
        context = session.context();
        if (!context)
            return CliNoLibrary;
        libraryPath = session.libraryPath();
    }
    const webimport::RecordValues values = webimport::recordValues(*found, context, libraryPath);
    QJsonObject recipe;
    for (auto it = values.fields.constBegin(); it != values.fields.constEnd(); ++it)
        if (it.key() != QLatin1String("ingredientsArray"))
            recipe.insert(it.key(), jsonFromValue(it.value()));
    QJsonArray rows;
    for (const QVariant& row : values.ingredients)
        rows.append(ingredientJson(row.toMap()));
    recipe.insert(QStringLiteral("ingredients"), rows);
    CliSession::printJson(
        QJsonObject{{QStringLiteral("extractor"), found->extractor}, {QStringLiteral("recipe"), recipe}});
    return CliOK;
}

// Downloads into destination and waits; the reason on failure.
bool download(GenericFileDownloader& downloader, const QUrl& url, const QString& destination, qint64 maxBytes,
              QString* error) {
    QEventLoop loop;
    bool succeeded = false;
    downloader.setMaxBytes(maxBytes);
    downloader.downloadURL(url, destination, true, [&](bool ok, const QString& reason) {
        succeeded = ok;
        *error = reason;
        loop.quit();
    });
    loop.exec();
    return succeeded;
}

// A downloaded picture as JPEG data; empty when it is no picture.
QByteArray jpegData(const QString& path) {
    QImage image;
    if (!image.load(path))
        return {};
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG", 90))
        return {};
    return data;
}

int webImportCommand(CliSession& session, const QStringList& args) {
    CliOptions options;
    QString error;
    if (!parseCliOptions(args, {QStringLiteral("group")}, {}, &options, &error))
        return usage(error);
    if (options.positional.size() != 1)
        return usage(QStringLiteral("usage: web-import URL [--group NAME]"));
    const QUrl url(options.positional.first(), QUrl::StrictMode);
    if (!isWebAddress(url))
        return usage(QStringLiteral("not an http or https address: %1").arg(options.positional.first()));

    DefaultButtonAlerts alerts;
    LibrarySession* library = session.library(alerts);
    if (!library)
        return CliNoLibrary;
    SidebarTreeController tree(library);
    GroupsManagedObject* group = nullptr;
    if (options.has(QStringLiteral("group"))) {
        const QString name = options.value(QStringLiteral("group"));
        for (GroupsManagedObject* candidate : tree.allGroupsInDisplayOrder())
            if (!group && !SidebarTreeController::isHeader(candidate) &&
                candidate->stringValue(QStringLiteral("name")) == name)
                group = candidate;
        if (!group)
            return usage(QStringLiteral("There is no group named \"%1\".").arg(name));
    }

    QTemporaryDir folder;
    if (!folder.isValid())
        return usage(QStringLiteral("cannot make a temporary folder"));
    GenericFileDownloader downloader;
    const QString pagePath = folder.filePath(QStringLiteral("WebImport.html"));
    if (!download(downloader, url, pagePath, GenericFileDownloader::pageMaxBytes, &error)) {
        CliSession::printError(QStringLiteral("The page could not be downloaded: %1").arg(error));
        return CliDownloadFailed;
    }
    QFile pageFile(pagePath);
    if (!pageFile.open(QIODevice::ReadOnly)) {
        CliSession::printError(QStringLiteral("The page could not be downloaded: it cannot be read"));
        return CliDownloadFailed;
    }
    const std::optional<webimport::ExtractedRecipe> found = webimport::extractRecipe(pageFile.readAll(), url);
    if (!found) {
        CliSession::printError(QStringLiteral("No recipe was found on the page %1").arg(url.toString()));
        return CliNoRecipe;
    }

    // Pictures first, so that a recipe is only made once everything is at hand; a picture
    // that cannot be fetched is left out, as in the window.
    QList<QByteArray> pictures;
    for (int index = 1; index <= std::min<int>(int(found->pictureUrls.size()), kLastImageIndex); ++index) {
        const QUrl& address = found->pictureUrls.at(index - 1);
        const QString path = folder.filePath(QStringLiteral("WebImportImage%1.jpg").arg(index));
        QByteArray data;
        if (!address.isEmpty() &&
            download(downloader, address, path, GenericFileDownloader::pictureMaxBytes, &error))
            data = jpegData(path);
        else if (!address.isEmpty())
            CliSession::printError(
                QStringLiteral("The picture %1 was left out: %2").arg(address.toString(), error));
        pictures.append(data);
    }

    RecipesManagedObject* recipe = webimport::makeRecipe(*found, *library);
    for (int index = 1; index <= int(pictures.size()); ++index)
        if (!pictures.at(index - 1).isEmpty() && !recipe->saveImage(pictures.at(index - 1), index, &error,
                                                                    RecipesManagedObject::ImageWrite::Staged))
            CliSession::printError(QStringLiteral("The picture %1 was left out: %2").arg(index).arg(error));
    RecipesManagedObject::syncImages(library->libraryPath());
    const QString uniqueID = recipe->stringValue(QStringLiteral("uniqueID"));
    if (group) {
        SideBarDragController drag(&tree);
        const SideBarDragController::DropDecision decision =
            drag.validateRecipeDrop(group, SideBarDragController::kDropOnItem, false);
        if (decision.operation == SideBarDragController::DropOperation::None ||
            !drag.dropRecipes({uniqueID}, group, decision.remove)) {
            library->context()->deleteObject(recipe);
            return usage(QStringLiteral("The recipe cannot be put into \"%1\".")
                             .arg(options.value(QStringLiteral("group"))));
        }
    }
    if (!library->save())
        return CliNoLibrary;
    CliSession::printJson(QJsonObject{{QStringLiteral("uniqueID"), uniqueID},
                                      {QStringLiteral("name"), recipe->stringValue(QStringLiteral("name"))},
                                      {QStringLiteral("extractor"), found->extractor}});
    return CliOK;
}

const CliCommandRegistration webExtractRegistration(QStringLiteral("web-extract"),
                                                    QStringLiteral("FILE.html --url URL"), webExtractCommand);
const CliCommandRegistration webImportRegistration(QStringLiteral("web-import"),
                                                   QStringLiteral("URL [--group NAME]"), webImportCommand);

} // namespace
