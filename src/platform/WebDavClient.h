#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// A small WebDAV client over http and https: PROPFIND (depth 1), MKCOL, PUT, DELETE, and GET
// with a size limit. Every request is refused unless its address is http or https, runs
// with a time-out (a server that stops sending fails the request), and answers once, on
// the main thread, through its callback. Credentials, when set, go with every request
// (Basic authentication).
class WebDavClient : public QObject {
    Q_OBJECT
public:
    static constexpr int defaultTimeoutMs = 10000;

    struct Reply {
        bool ok = false;
        int status = 0;  // the HTTP status, 0 when none arrived
        QString error;   // why it failed, for the user or a log
        QByteArray body; // GET: the content; PROPFIND: the multistatus document
    };
    using Done = std::function<void(const Reply& reply)>;

    explicit WebDavClient(QObject* parent = nullptr);
    ~WebDavClient() override;

    void setCredentials(const QString& user, const QString& password);
    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    int timeoutMs() const { return m_timeoutMs; }

    static bool isWebAddress(const QUrl& url);
    // url with a trailing slash, the form a collection's address takes.
    static QUrl collectionUrl(QUrl url);
    // The address of name inside the collection: name is one path segment, encoded.
    static QUrl childUrl(const QUrl& collection, const QString& name);

    // Depth 1: the collection and its members. The reply's body is the multistatus document.
    void propfind(const QUrl& url, Done done);
    // Answers ok when the collection exists afterwards (405: it was there already).
    void mkcol(const QUrl& url, Done done);
    void put(const QUrl& url, const QByteArray& data, const QByteArray& contentType, Done done);
    // Answers ok when the resource is gone afterwards (404: it was not there).
    void remove(const QUrl& url, Done done);
    // A reply larger than maxBytes fails (and stops being read).
    void get(const QUrl& url, qint64 maxBytes, Done done);

    // The paths (decoded) of the members a PROPFIND answer names.
    static QStringList hrefsOfMultistatus(const QByteArray& body);

private:
    QNetworkRequest request(const QUrl& url) const;
    void watch(QNetworkReply* reply, qint64 maxBytes, std::function<bool(int status)> success, Done done);

    QNetworkAccessManager* m_manager;
    QString m_user;
    QString m_password;
    int m_timeoutMs = defaultTimeoutMs;
};
