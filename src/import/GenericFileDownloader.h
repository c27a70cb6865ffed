#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;

// Downloads one http or https address into a file. The cache is ignored, a transfer that
// takes longer than the time-out or grows past the size limit fails, and an existing file is
// replaced only when allowOverwrite is set. done is called once, on the main thread.
class GenericFileDownloader : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 pageMaxBytes = 20LL * 1024 * 1024;
    static constexpr qint64 pictureMaxBytes = 10LL * 1024 * 1024;
    static constexpr int defaultTimeoutMs = 10000;

    explicit GenericFileDownloader(QObject* parent = nullptr);
    ~GenericFileDownloader() override;

    void setMaxBytes(qint64 maxBytes) { m_maxBytes = maxBytes; }
    qint64 maxBytes() const { return m_maxBytes; }
    void setTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }
    int timeoutMs() const { return m_timeoutMs; }

    void downloadURL(const QUrl& url, const QString& destination, bool allowOverwrite,
                     std::function<void(bool ok, const QString& error)> done);

private:
    QNetworkAccessManager* m_manager;
    qint64 m_maxBytes = pageMaxBytes;
    int m_timeoutMs = defaultTimeoutMs;
};
