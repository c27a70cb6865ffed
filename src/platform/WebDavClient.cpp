#include "platform/WebDavClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QXmlStreamReader>

#include <memory>

WebDavClient::WebDavClient(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
    // Nothing is cached and nothing is kept between requests but the credentials.
    m_manager->setCookieJar(nullptr);
}

WebDavClient::~WebDavClient() = default;

void WebDavClient::setCredentials(const QString& user, const QString& password) {
    m_user = user;
    m_password = password;
}

bool WebDavClient::isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

QUrl WebDavClient::collectionUrl(QUrl url) {
    QString path = url.path();
    if (!path.endsWith(QLatin1Char('/')))
        url.setPath(path + QLatin1Char('/'));
    return url;
}

QUrl WebDavClient::childUrl(const QUrl& collection, const QString& name) {
    QUrl url = collectionUrl(collection);
    const QByteArray encoded = QUrl::toPercentEncoding(name);
    url.setPath(url.path(QUrl::FullyEncoded) + QString::fromLatin1(encoded), QUrl::TolerantMode);
    return url;
}

QNetworkRequest WebDavClient::request(const QUrl& url) const {
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Redirects stay on http and https (others fail); with credentials, on the same server,
    // so the password never goes where the user did not send it.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         m_user.isEmpty() ? QNetworkRequest::NoLessSafeRedirectPolicy
                                          : QNetworkRequest::SameOriginRedirectPolicy);
    request.setTransferTimeout(m_timeoutMs);
    if (!m_user.isEmpty()) {
        const QByteArray pair = m_user.toUtf8() + ':' + m_password.toUtf8();
        request.setRawHeader("Authorization", "Basic " + pair.toBase64());
    }
    return request;
}

namespace {

WebDavClient::Reply refused(const QUrl& url) {
    WebDavClient::Reply reply;
    reply.error =
        WebDavClient::tr("Only http and https addresses can be used: %1").arg(url.toDisplayString());
    return reply;
}

} // namespace

void WebDavClient::watch(QNetworkReply* reply, qint64 maxBytes, std::function<bool(int status)> success,
                         Done done) {
    auto tooLarge = std::make_shared<bool>(false);
    if (maxBytes > 0) {
        const auto check = [reply, maxBytes, tooLarge](qint64 received) {
            if (received > maxBytes && !*tooLarge) {
                *tooLarge = true;
                reply->abort();
            }
        };
        connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, check] {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid())
                check(length.toLongLong());
        });
        connect(reply, &QNetworkReply::downloadProgress, reply,
                [check](qint64 received, qint64) { check(received); });
    }
    connect(reply, &QNetworkReply::finished, this,
            [reply, maxBytes, tooLarge, success = std::move(success), done = std::move(done)] {
                reply->deleteLater();
                Reply result;
                result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                if (*tooLarge) {
                    result.error = WebDavClient::tr("%1 is larger than %2 bytes.")
                                       .arg(reply->url().toDisplayString())
                                       .arg(maxBytes);
                    done(result);
                    return;
                }
                result.body = reply->isOpen() ? reply->readAll() : QByteArray();
                if (maxBytes > 0 && result.body.size() > maxBytes) {
                    result.body.clear();
                    result.error = WebDavClient::tr("%1 is larger than %2 bytes.")
                                       .arg(reply->url().toDisplayString())
                                       .arg(maxBytes);
                    done(result);
                    return;
                }
                if (!isWebAddress(reply->url())) {
                    result.body.clear();
                    result.error = refused(reply->url()).error;
                } else if (result.status != 0 && success(result.status)) {
                    result.ok = true;
                } else if (reply->error() == QNetworkReply::OperationCanceledError ||
                           reply->error() == QNetworkReply::TimeoutError) {
                    result.error = WebDavClient::tr("%1 did not answer in time.")
                                       .arg(reply->request().url().toDisplayString());
                } else if (result.status != 0) {
                    result.error =
                        WebDavClient::tr("%1 answered %2 %3.")
                            .arg(reply->request().url().toDisplayString())
                            .arg(result.status)
                            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
                } else {
                    result.error = reply->errorString();
                }
                if (!result.ok && result.status >= 300)
                    result.body.clear();
                done(result);
            });
}

void WebDavClient::propfind(const QUrl& url, Done done) {
    if (!isWebAddress(url))
        return done(refused(url));
    QNetworkRequest req = request(collectionUrl(url));
    req.setRawHeader("Depth", "1");
    req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/xml; charset=utf-8"));
    const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                            "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:resourcetype/><D:getlastmodified/>"
                            "</D:prop></D:propfind>";
    // A listing is small; a server that sends megabytes is not one to trust.
    watch(
        m_manager->sendCustomRequest(req, "PROPFIND", body), 16LL * 1024 * 1024,
        [](int status) { return status == 207; }, std::move(done));
}

void WebDavClient::mkcol(const QUrl& url, Done done) {
    if (!isWebAddress(url))
        return done(refused(url));
    watch(
        m_manager->sendCustomRequest(request(collectionUrl(url)), "MKCOL"), 1024 * 1024,
        [](int status) { return status == 201 || status == 405; }, std::move(done));
}

void WebDavClient::put(const QUrl& url, const QByteArray& data, const QByteArray& contentType, Done done) {
    if (!isWebAddress(url))
        return done(refused(url));
    QNetworkRequest req = request(url);
    req.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    watch(
        m_manager->put(req, data), 1024 * 1024, [](int status) { return status >= 200 && status < 300; },
        std::move(done));
}

void WebDavClient::remove(const QUrl& url, Done done) {
    if (!isWebAddress(url))
        return done(refused(url));
    watch(
        m_manager->deleteResource(request(url)), 1024 * 1024,
        [](int status) { return (status >= 200 && status < 300) || status == 404; }, std::move(done));
}

void WebDavClient::get(const QUrl& url, qint64 maxBytes, Done done) {
    if (!isWebAddress(url))
        return done(refused(url));
    watch(
        m_manager->get(request(url)), maxBytes, [](int status) { return status >= 200 && status < 300; },
        std::move(done));
}

QStringList WebDavClient::hrefsOfMultistatus(const QByteArray& body) {
    QStringList hrefs;
    QXmlStreamReader xml(body);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("href") &&
            xml.namespaceUri() == QLatin1String("DAV:"))
            hrefs.append(QUrl::fromPercentEncoding(xml.readElementText().trimmed().toUtf8()));
    }
    if (xml.hasError())
        return {};
    return hrefs;
}
