#include "import/GenericFileDownloader.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSaveFile>

#include <memory>

GenericFileDownloader::GenericFileDownloader(QObject* parent)
    : QObject(parent), m_manager(new QNetworkAccessManager(this)) {}

GenericFileDownloader::~GenericFileDownloader() = default;

void GenericFileDownloader::downloadURL(const QUrl& url, const QString& destination, bool allowOverwrite,
                                        std::function<void(bool ok, const QString& error)> done) {
    // Every answer arrives from the event loop, as a network answer would, so a caller never
    // sees its completion run inside its own call.
    const auto fail = [this, done](const QString& error) {
        QMetaObject::invokeMethod(
            this,
            [done, error] {
                if (done)
                    done(false, error);
            },
            Qt::QueuedConnection);
    };
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        fail(tr("Only http and https addresses can be downloaded."));
        return;
    }
    if (!allowOverwrite && QFile::exists(destination)) {
        fail(tr("The file \u201C%1\u201D already exists.").arg(destination));
        return;
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(10);
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = m_manager->get(request);

    struct Transfer {
        QByteArray body;
        QString error;
    };
    auto transfer = std::make_shared<Transfer>();
    const qint64 limit = m_maxBytes;
    // The body is kept in memory up to the limit and written only once it is complete, so a
    // failed download leaves the file that was there.
    const auto overLimit = [reply, transfer, limit] {
        transfer->error = tr("The download is larger than %1 bytes.").arg(limit);
        reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, transfer, limit, overLimit] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limit && transfer->error.isEmpty())
            overLimit();
    });
    connect(reply, &QNetworkReply::readyRead, this, [reply, transfer, limit, overLimit] {
        if (!transfer->error.isEmpty())
            return;
        transfer->body += reply->read(limit + 1 - transfer->body.size());
        if (transfer->body.size() > limit)
            overLimit();
    });
    connect(reply, &QNetworkReply::finished, this, [reply, transfer, limit, destination, done] {
        reply->deleteLater();
        QString error = transfer->error;
        if (error.isEmpty() && reply->error() != QNetworkReply::NoError) {
            error = reply->error() == QNetworkReply::OperationCanceledError ||
                            reply->error() == QNetworkReply::TimeoutError
                        ? tr("The download timed out.")
                        : reply->errorString();
        }
        if (error.isEmpty()) {
            transfer->body += reply->readAll();
            if (transfer->body.size() > limit)
                error = tr("The download is larger than %1 bytes.").arg(limit);
        }
        if (error.isEmpty()) {
            QSaveFile file(destination);
            if (!file.open(QIODevice::WriteOnly) || file.write(transfer->body) != transfer->body.size() ||
                !file.commit())
                error = tr("The file \u201C%1\u201D could not be written.").arg(destination);
        }
        if (!error.isEmpty())
            qWarning().noquote() << "download failed" << reply->url().toString() << error;
        if (done)
            done(error.isEmpty(), error);
    });
}
